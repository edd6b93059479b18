// The text table loader and the heading word wrap.
#include "frame/texttable.h"

#include <QTemporaryDir>
#include <QtTest>

class TestTextTable : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QString writeFile(const QByteArray& content)
    {
        static int serial = 0;
        const QString path = dir.filePath(QStringLiteral("t%1.loc").arg(serial++));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(path));
        file.write(content);
        return path;
    }

private Q_SLOTS:
    void cleanup() { setCurrentLanguage(0); }

    void numbersOnlySevenFieldLines()
    {
        const QString path = writeFile(
            "\n# a comment line\r\n"
            "k0;zero;null;zéro;zero;零;cero\r\n"
            "k1;a;b;c;d;e;f;g\n"            // 8 fields: skipped, takes no number
            "just text\n"
            "k1;one;eins;un;uno;一;uno\n"
            "k2;;;;;;\n");
        QVERIFY(loadTextTableFrom(path));
        QCOMPARE(text(0), QStringLiteral("zero"));
        QCOMPARE(text(1), QStringLiteral("one"));
        QCOMPARE(textIn(1, 1), QStringLiteral("eins"));
        QCOMPARE(textIn(0, 2), QStringLiteral("zéro"));
        QCOMPARE(textIn(1, 4), QStringLiteral("一"));
        QCOMPARE(text(2), QString());
        QCOMPARE(text(3), QString());
        setCurrentLanguage(5);
        QCOMPARE(text(0), QStringLiteral("cero"));
        setCurrentLanguage(6); // out of range: ignored
        QCOMPARE(currentLanguage(), quint8(5));
    }

    void outOfRangeLookupsAreEmpty()
    {
        QVERIFY(loadTextTableFrom(writeFile("k;a;b;c;d;e;f\n")));
        QCOMPARE(text(-1), QString());
        QCOMPARE(text(200), QString());
        QCOMPARE(textIn(0, 6), QString());
        QCOMPARE(textIn(0, -1), QString());
    }

    void longTextIsCutAt127Bytes()
    {
        // 40 four-byte characters: the cut at 127 bytes splits the 32nd.
        const QByteArray emoji("\xF0\x9F\x98\x80");
        QCOMPARE(emoji.size(), 4);
        QByteArray longText;
        for (int i = 0; i < 40; ++i)
            longText += emoji;
        QVERIFY(loadTextTableFrom(writeFile("k;" + longText + ";b;c;d;e;f\n")));
        const QString cut = text(0);
        QCOMPARE(cut.toUtf8().left(124), longText.left(124));
        QVERIFY(cut.endsWith(QChar(QChar::ReplacementCharacter)));
        QVERIFY(cut.size() >= 31 * 2 + 1);
        QVERIFY(cut.size() <= 31 * 2 + 3);
    }

    void linesBeyondTheTableAreIgnored()
    {
        QByteArray content;
        for (int i = 0; i < textTableEntries + 50; ++i)
            content += QByteArray("k;") + QByteArray::number(i) + ";b;c;d;e;f\n";
        QVERIFY(loadTextTableFrom(writeFile(content)));
        QCOMPARE(text(0), QStringLiteral("0"));
        QCOMPARE(text(textTableEntries - 1), QString::number(textTableEntries - 1));
        QCOMPARE(text(textTableEntries), QString());
    }

    void missingFileLeavesTableEmpty()
    {
        QVERIFY(loadTextTableFrom(writeFile("k;x;b;c;d;e;f\n")));
        QCOMPARE(text(0), QStringLiteral("x"));
        QVERIFY(!loadTextTableFrom(dir.filePath(QStringLiteral("absent.loc"))));
        QCOMPARE(text(0), QString());
        QCOMPARE(text(125), QString());
    }

    void wrapText_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("expected");
        QTest::newRow("three words at 8") << "one two three" << 8 << "one two\r\nthree";
        QTest::newRow("single word") << "temperature" << 1 << "temperature";
        QTest::newRow("single word wide") << "word" << 100 << "word";
        QTest::newRow("fits") << "one two three" << 100 << "one two three";
        QTest::newRow("every word breaks") << "aaaa bbbb cccc" << 4 << "aaaa\r\nbbbb\r\ncccc";
        QTest::newRow("long first word") << "verylongword b" << 5 << "verylongword\r\nb";
        QTest::newRow("empty parts kept") << "a  b" << 8 << "a  b";
        QTest::newRow("empty") << "" << 5 << "";
    }

    void wrapText()
    {
        QFETCH(QString, input);
        QFETCH(int, width);
        QFETCH(QString, expected);
        QCOMPARE(::wrapText(input, width), expected);
    }
};

QTEST_GUILESS_MAIN(TestTextTable)
#include "tst_texttable.moc"
