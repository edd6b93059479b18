// The CSV export: header lines, side blocks, number and word forms, UTF-8,
// and write failures reported as failures.
#include "files/csvwriter.h"
#include "files_failingdevice.h"
#include "files_fullfolder.h"
#include "files_support.h"
#include "frame/texttable.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class TestCsvExport : public QObject
{
    Q_OBJECT

private:
    ExportIdentity unit;     // what the exports name
    bool formatNo = false;   // the layout both sides are headed by
    ExportContent content(bool sideA, bool sideB) const
    {
        return filesStoredContent(unit, sideA, sideB, formatNo, formatNo);
    }

    // Writes the sides to memory and returns the file's bytes.
    QByteArray exportBytes(bool sideA, bool sideB, bool* ok = nullptr)
    {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QTextStream stream(&buffer);
        const bool written = writeCsv(stream, content(sideA, sideB));
        if (ok)
            *ok = written;
        return buffer.data();
    }
    QStringList exportLines(bool sideA, bool sideB)
    {
        const QString textData = QString::fromUtf8(exportBytes(sideA, sideB));
        QStringList lines = textData.split(QStringLiteral("\r\n"));
        lines.removeLast(); // after the last CR LF
        return lines;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(filesLoadSyntheticTexts());
    }
    void cleanupTestCase() { resetSideStorage(); }

    void init()
    {
        setCurrentLanguage(0);
        resetSideStorage();
        unit = filesUnit();
        formatNo = false;
        filesInstallSide('A', {filesRecord(1), filesRecord(2)});
        filesInstallSide('B', {filesRecord(3)});
    }

    void headerLines()
    {
        const QStringList lines = exportLines(true, true);
        QVERIFY(lines.size() >= 3);
        QCOMPARE(lines.at(0), QStringLiteral("KELMORA export & data"));
        QCOMPARE(lines.at(1), QStringLiteral("Serial number;4711"));
        QCOMPARE(lines.at(2), QStringLiteral("Text 53;2.5;Text 131;V1.40;Text 100;12;Text 102;100;"
                                             "Text 18;49;PCM;PCM-7;FLG;4"));
    }

    // Only a text that holds ';', '"' or a line break goes in quotes, with
    // its quotes doubled; every other field stands as before.
    void textsWithSeparatorsAreQuoted_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("field");
        QTest::newRow("plain") << "PCM-7" << "PCM-7";
        QTest::newRow("blank") << "R7 1024" << "R7 1024";
        QTest::newRow("semicolon") << "R7;1024" << "\"R7;1024\"";
        QTest::newRow("quotes") << "R7;1024 \"new\"" << "\"R7;1024 \"\"new\"\"\"";
        QTest::newRow("quote only") << "a\"b" << "\"a\"\"b\"";
        QTest::newRow("line break") << "a\r\nb" << "\"a\r\nb\"";
        QTest::newRow("empty") << "" << "";
    }
    void textsWithSeparatorsAreQuoted()
    {
        QFETCH(QString, text);
        QFETCH(QString, field);
        unit.pcmText = text;
        unit.softwareVersion = text;
        const QString bytes = QString::fromUtf8(exportBytes(true, false));
        QVERIFY2(bytes.contains(QStringLiteral(";Text 131;") + field + QStringLiteral(";Text 100;12;")),
                 qPrintable(bytes.section(QStringLiteral("\r\n"), 2, 2)));
        QVERIFY(bytes.contains(QStringLiteral(";PCM;") + field + QStringLiteral(";FLG;4\r\n")));
        // The rows and the other header lines carry no quotes.
        QCOMPARE(bytes.count(u'"'), 2 * field.count(u'"'));
    }

    void everyLineEndsInCrLfWithoutByteOrderMark()
    {
        const QByteArray bytes = exportBytes(true, true);
        QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
        QVERIFY(bytes.endsWith("\r\n"));
        QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
        QCOMPARE(bytes.count('\r'), bytes.count("\r\n"));
    }

    void sideBlocksAThenBWithoutEmptyLine()
    {
        const QStringList lines = exportLines(true, true);
        // 3 header lines, side A: title, status, columns, 2 rows; side B: 3 + 1.
        QCOMPARE(lines.size(), 3 + 5 + 4);
        QCOMPARE(lines.at(3), QStringLiteral("Side A <left>"));
        QCOMPARE(lines.at(4), QStringLiteral("Text 134;110"));
        QCOMPARE(lines.at(5), QStringLiteral("Text 120;Text 23;Text 31;Text 50;Text 111;Text 69;"
                                             "Text 137;Text 150;Text 152;Text 49;Text 30;Text 4;"
                                             "Text 140;./:"));
        QVERIFY(lines.at(6).startsWith(QLatin1String("1;")));
        QVERIFY(lines.at(7).startsWith(QLatin1String("2;")));
        QCOMPARE(lines.at(8), QStringLiteral("Side B <right>"));
        QCOMPARE(lines.at(9), QStringLiteral("Text 134;0"));
        QVERIFY(lines.at(11).startsWith(QLatin1String("3;")));
        QVERIFY(!lines.contains(QString()));
    }

    void sideBAlone()
    {
        const QStringList lines = exportLines(false, true);
        QCOMPARE(lines.size(), 3 + 4);
        QCOMPARE(lines.at(3), QStringLiteral("Side B <right>"));
        QVERIFY(!lines.contains(QStringLiteral("Side A <left>")));
    }

    void headerOfNoFormatUsesOtherTexts()
    {
        formatNo = true;
        const QStringList lines = exportLines(true, false);
        const QStringList header = lines.at(5).split(QLatin1Char(';'));
        QCOMPARE(header.size(), 14);
        QCOMPARE(header.at(8), QStringLiteral("Text 154"));
        QCOMPARE(header.at(9), QStringLiteral("Text 51"));
    }

    void statusWordsInBinary_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("written");
        QTest::newRow("0") << 0 << "0";
        QTest::newRow("6") << 6 << "110";
        QTest::newRow("1023") << 1023 << "1111111111";
    }
    void statusWordsInBinary()
    {
        QFETCH(int, status);
        QFETCH(QString, written);
        unit.statusSideB = status;
        const QStringList lines = exportLines(false, true);
        QCOMPARE(lines.at(4), QStringLiteral("Text 134;") + written);
    }

    void limitWords_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("written");
        QTest::newRow("SWOFF") << -1 << "SWOFF";
        QTest::newRow("NOLIM") << 0 << "NOLIM";
        QTest::newRow("3000") << 3000 << "3000";
        QTest::newRow("large unsigned") << int(0x80000000u) << "2147483648";
    }
    void limitWords()
    {
        QFETCH(int, limit);
        QFETCH(QString, written);
        KelmoraFillingData r = filesRecord(1);
        r.limit = limit;
        filesInstallSide('A', {r});
        const QStringList row = exportLines(true, false).at(6).split(QLatin1Char(';'));
        QCOMPARE(row.size(), 14);
        QCOMPARE(row.at(12), written);
    }

    void separatorColumn_data()
    {
        QTest::addColumn<char>("separator");
        QTest::addColumn<QString>("written");
        QTest::newRow("dot") << '.' << ".";
        QTest::newRow("colon") << ':' << ":";
        QTest::newRow("other") << 'x' << ":";
        QTest::newRow("zero") << '\0' << ":";
    }
    void separatorColumn()
    {
        QFETCH(char, separator);
        QFETCH(QString, written);
        KelmoraFillingData r = filesRecord(1);
        r.separator = separator;
        filesInstallSide('A', {r});
        QCOMPARE(exportLines(true, false).at(6).section(QLatin1Char(';'), 13), written);
    }

    void exampleRow()
    {
        KelmoraFillingData r = filesRecord(0);
        r.number = 1234;
        r.timestamp = quint32(QDateTime(QDate(2012, 5, 3), QTime(14, 22, 10)).toSecsSinceEpoch());
        r.levelCode = 3;
        r.fillings = 17;
        r.ratePercent = 98.5;
        r.linePercent = 100;
        r.temperature = 21.25;
        r.integerPercent = 97;
        r.auxValue = 0.5;
        r.fuelFlow = 35.2;
        r.optionalFirst = 0;
        r.optionalSecond = 0;
        r.limit = 0;
        r.separator = '.';
        filesInstallSide('A', {r});
        const QByteArray bytes = exportBytes(true, false);
        QVERIFY(bytes.endsWith("\r\n1234;2012-05-03T14:22:10;3;17;98.5;100;21.25;97;0.5;35.2;0;0;NOLIM;.\r\n"));
    }

    void doubleForms()
    {
        KelmoraFillingData r = filesRecord(1);
        r.ratePercent = 1234567;
        r.linePercent = 0.00001;
        r.temperature = -3.5;
        filesInstallSide('A', {r});
        const QStringList row = exportLines(true, false).at(6).split(QLatin1Char(';'));
        QCOMPARE(row.at(4), QStringLiteral("1.23457e+06"));
        QCOMPARE(row.at(5), QStringLiteral("1e-05"));
        QCOMPARE(row.at(6), QStringLiteral("-3.5"));
    }

    void germanUmlautsAsUtf8()
    {
        setCurrentLanguage(1);
        const QByteArray bytes = exportBytes(true, false);
        QVERIFY(bytes.startsWith("KELMORA Daten\xC3\xBC" "bersicht Zapfs\xC3\xA4ule\r\n"));
        QVERIFY(bytes.contains("Gr\xC3\xB6\xC3\x9F" "e 53;"));
        QVERIFY(!bytes.contains("\xC3\x83")); // not encoded twice
    }

    void emptySideWritesItsHeadOnly()
    {
        filesInstallSide('B', {});
        const QStringList lines = exportLines(false, true);
        QCOMPARE(lines.size(), 3 + 3);
    }

    // A device that fails after some bytes: the export says so and stops at
    // its first failed write instead of formatting every remaining record.
    void writeFailureIsReported_data()
    {
        QTest::addColumn<double>("acceptedShare");
        QTest::addColumn<int>("records");
        QTest::newRow("nothing taken") << 0.0 << 10;
        QTest::newRow("fails inside the header") << 0.01 << 10;
        QTest::newRow("fails in the last block") << 0.9 << 10;
        QTest::newRow("fails early in a large export") << 0.01 << 65535;
    }
    void writeFailureIsReported()
    {
        QFETCH(double, acceptedShare);
        QFETCH(int, records);
        QVector<KelmoraFillingData> many;
        for (int i = 0; i < records; ++i)
            many.append(filesRecord(i));
        filesInstallSide('A', many);
        filesInstallSide('B', many);
        const qint64 accepted = qint64(acceptedShare * exportBytes(true, true).size());
        FilesFailingDevice device(accepted);
        QTextStream stream(&device);
        QVERIFY(!writeCsv(stream, content(true, true)));
        QCOMPARE(device.bytesTaken(), accepted);
        QVERIFY2(device.writesAfterFailure() <= 1, "a failing export should stop at the first error");
    }

    // Saving on a full disk: a previous file keeps its bytes, a new name
    // gets no file, and no temporary file is left behind.
    void failedSaveKeepsThePreviousFile_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("over an existing file") << QStringLiteral("old.csv");
        QTest::newRow("under a new name") << QStringLiteral("new.csv");
    }
    void failedSaveKeepsThePreviousFile()
    {
        QFETCH(QString, target);
        QVector<KelmoraFillingData> many;
        for (int i = 0; i < 3000; ++i)
            many.append(filesRecord(i));
        filesInstallSide('A', many);
        FilesFullFolder folder;
        const QByteArray old = exportBytes(false, true);
        QVERIFY(folder.place(QStringLiteral("old.csv"), old));
        if (!folder.seal())
            QSKIP(qPrintable(folder.why()));
        qInfo("full disk: %s", qPrintable(folder.kind()));
        QString error;
        QVERIFY(!writeCsvFile(folder.filePath(target), content(true, true), &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(folder.entries(), QStringList{QStringLiteral("old.csv")});
        QFile kept(folder.filePath(QStringLiteral("old.csv")));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), old);
    }

    // A new export is as readable as any file the user creates; a replaced
    // one keeps the mode it had.
    void savedFilePermissions_data()
    {
        QTest::addColumn<int>("mask");
        QTest::addColumn<int>("previousMode"); // -1: no previous file
        QTest::addColumn<int>("expected");
        QTest::newRow("new, umask 022") << 022 << -1 << 0644;
        QTest::newRow("new, umask 002") << 002 << -1 << 0664;
        QTest::newRow("new, umask 077") << 077 << -1 << 0600;
        QTest::newRow("replaced 0640 file") << 022 << 0640 << 0640;
    }
    void savedFilePermissions()
    {
        QFETCH(int, mask);
        QFETCH(int, previousMode);
        QFETCH(int, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("out.csv"));
        if (previousMode >= 0) {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.close();
            QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(previousMode)), 0);
        }
        const mode_t before = ::umask(mode_t(mask));
        const bool written = writeCsvFile(path, content(true, true));
        ::umask(before);
        QVERIFY(written);
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
        QCOMPARE(int(info.st_mode & 0777), expected);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("out.csv")});
    }

    void goodFileIsReportedGood()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("out.csv")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QTextStream stream(&file);
        QVERIFY(writeCsv(stream, content(true, true)));
        file.close();
        QCOMPARE(file.size(), qint64(exportBytes(true, true).size()));
    }
};

QTEST_GUILESS_MAIN(TestCsvExport)
#include "tst_csvexport.moc"
