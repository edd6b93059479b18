// Command lines, reply framing and register decoding of the unit protocol.
#include "reader/readerprotocol.h"
#include "reader/registerframing.h"

#include <QtTest>

class TestProtocol : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void checksumOfKnownTexts()
    {
        QCOMPARE(RegisterFraming::registerChecksum(QStringLiteral("abc")), 40);
        QCOMPARE(RegisterFraming::registerChecksum(QString()), 1);
        QCOMPARE(RegisterFraming::registerChecksum(QStringLiteral("R;12345;C;110;")), 22);
        // 255, not 256, is taken off: 255 stays, 256 becomes 1, both plus one.
        QCOMPARE(RegisterFraming::registerChecksum(QString(QChar(0x7F)) + QChar(0x7F) + QChar(0x01)), 256);
        QCOMPARE(RegisterFraming::registerChecksum(QString(QChar(0x7F)) + QChar(0x7F) + QChar(0x02)), 2);
        // Bytes above 127 count as negative values.
        QCOMPARE(RegisterFraming::registerChecksum(QString(QChar(0xFF))), 0);
    }

    void registerReadAndWriteLines()
    {
        QCOMPARE(RegisterFraming::buildRegisterCommand(12345, 110, 'C', false),
                 QStringLiteral("R;12345;C;110;22\r\n"));
        const QString write =
            RegisterFraming::buildRegisterCommand(12345, 110, 'C', true, QStringLiteral("240305;0709"));
        const QString body = QStringLiteral("W;12345;C;110;240305;0709;");
        QCOMPARE(write, body + QString::number(RegisterFraming::registerChecksum(body)) + "\r\n");
        // The data is ignored on a read.
        QCOMPARE(RegisterFraming::buildRegisterCommand(7, 101, 'A', false, QStringLiteral("x")),
                 QStringLiteral("R;7;A;101;") + QString::number(RegisterFraming::registerChecksum("R;7;A;101;"))
                     + "\r\n");
    }

    void namedReplySkipsNoise()
    {
        const QByteArray bytes("\x00\x85\n12 STS.C:3 4\r\nrest", 21);
        const ReplySpan span = findNamedReply(bytes);
        QVERIFY(span.found());
        QCOMPARE(bytes.mid(span.start, span.end - span.start), QByteArray("STS.C:3 4"));
    }

    void namedReplyNeedsLetterBeforeCr()
    {
        QVERIFY(!findNamedReply("\r\nHVN.C:1.2\r\n").found());
        QVERIFY(!findNamedReply("HVN.C:1.2").found());       // no CR yet
        QVERIFY(!findNamedReply(QByteArray("\xC1\xD2:1\r", 5)).found());  // high bytes never start a line
        QVERIFY(!findNamedReply("abc\r").found());            // lower case does not start one
    }

    void registerReplyTakesLastKindLetter()
    {
        QByteArray bytes("R;1;C;101;x\nr;1;C;101;42;7\r\n");
        ReplySpan span = findRegisterReply(bytes);
        QVERIFY(span.found());
        // The letter "r" of the reply is the last r/w/e before the CR.
        QCOMPARE(bytes.mid(span.start, span.end - span.start), QByteArray("r;1;C;101;42;7"));
        QVERIFY(!findRegisterReply("\rr;1;C;101;4;5\r").found());
        QVERIFY(!findRegisterReply("r;1;C;101;4;5").found());
        QVERIFY(!findRegisterReply("R;1;C;1\r").found());
        span = findRegisterReply("xx e;1;C;2;9\r");
        QCOMPARE(span.start, 3);
        QCOMPARE(span.end, 12);
    }

    void valueIsBetweenFirstAndSecondColon()
    {
        QCOMPARE(replyValue(QStringLiteral("HVN.C:1.5")), QStringLiteral("1.5"));
        QCOMPARE(replyValue(QStringLiteral("PCM.C:a:b")), QStringLiteral("a"));
        QCOMPARE(replyValue(QStringLiteral("PCM.C::b")), QString());
        QCOMPARE(replyValue(QStringLiteral("NOCOLON")), QString());
    }

    void softwareVersionNumbers()
    {
        QCOMPARE(softwareVersionNumberOf(QStringLiteral("1.36")), 1.0);
        QCOMPARE(softwareVersionNumberOf(QStringLiteral("2.05")), 2.0);
        QCOMPARE(softwareVersionNumberOf(QStringLiteral("V1.40")), 0.0);
        QCOMPARE(softwareVersionNumberOf(QStringLiteral("b3c.1")), 3.0);
        QCOMPARE(softwareVersionNumberOf(QStringLiteral("12")), 12.0);
        QCOMPARE(softwareVersionNumberOf(QString()), 0.0);
    }

    void registerFramingFailures_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<int>("result");
        QTest::newRow("error 1") << "e;12345;C;1;9" << 2;
        QTest::newRow("error 2") << "e;12345;C;2;9" << 3;
        QTest::newRow("error 3") << "e;12345;C;3;9" << 4;
        QTest::newRow("error 7") << "e;12345;C;7;9" << 1;
        QTest::newRow("error short") << "e;12345;C" << 1;
        QTest::newRow("other kind") << "x;12345;C;101;5;9" << 1;
        QTest::newRow("upper kind") << "R;12345;C;101;5;9" << 1;
        QTest::newRow("other address") << "r;12346;C;101;5;9" << 1;
        QTest::newRow("address not a number") << "r;abc;C;101;5;9" << 1;
        QTest::newRow("other side") << "r;12345;A;101;5;9" << 1;
        QTest::newRow("only kind") << "r" << 1;
        QTest::newRow("checksum not a number") << "r;12345;C;101;5;x" << 1;
        QTest::newRow("value not a number") << "r;12345;C;101;5x;9" << 1;
        QTest::newRow("no value for 101") << "r;12345;C;101;9" << 1;
        QTest::newRow("one value for 110") << "r;12345;C;110;240305;9" << 1;
        QTest::newRow("no checksum") << "r;12345;C;101" << 1;
        QTest::newRow("register without decoding") << "r;12345;C;999;9" << 0;
    }

    void registerFramingFailures()
    {
        QFETCH(QString, reply);
        QFETCH(int, result);
        qint32 destination = -77;
        QCOMPARE(int(RegisterFraming::parseRegisterReply(12345, 101, 'C', &destination, reply)), result);
        QCOMPARE(destination, -77);  // nothing decoded in any of these
    }

    void registerValueDecoding()
    {
        qint32 destination = 0;
        for (int number : {101, 102, 103, 104, 106, 1000, 1002}) {
            destination = 0;
            const QString reply = QStringLiteral("r;12345;C;%1;-42;17").arg(number);
            QCOMPARE(int(RegisterFraming::parseRegisterReply(12345, 0, 'C', &destination, reply)), 0);
            QCOMPARE(destination, -42);
        }
        // Spaces count as separators; the echoed register decides, not the one asked for.
        destination = 0;
        QCOMPARE(int(RegisterFraming::parseRegisterReply(12345, 110, 'C', &destination,
                                                QStringLiteral("w 12345 C 104 49 12"))), 0);
        QCOMPARE(destination, 49);
        // Extra values beyond what the register reads are ignored.
        QCOMPARE(int(RegisterFraming::parseRegisterReply(12345, 101, 'C', &destination,
                                                QStringLiteral("r;12345;C;101;5;6;7;8"))), 0);
        QCOMPARE(destination, 5);
    }

    void clockRegisterIsLocalTime()
    {
        qint32 destination = 0;
        QCOMPARE(int(RegisterFraming::parseRegisterReply(12345, 110, 'C', &destination,
                                                QStringLiteral("r;12345;C;110;240305;709;88"))), 0);
        const QDateTime expected(QDate(2024, 3, 5), QTime(7, 9, 0));
        QCOMPARE(quint32(destination), quint32(expected.toSecsSinceEpoch()));
        QCOMPARE(clockRegisterSeconds(241340, 1200), 0xFFFFFFFFu);  // month 13
        QCOMPARE(clockRegisterSeconds(240305, 2460), 0xFFFFFFFFu);  // minute 60
    }

    void clockDataTextHasTwoDigitGroups()
    {
        const QDateTime local(QDate(2024, 3, 5), QTime(7, 9, 59));
        QCOMPARE(clockDataText(quint32(local.toSecsSinceEpoch())), QStringLiteral("240305;0709"));
        const QDateTime late(QDate(2099, 12, 31), QTime(23, 58));
        QCOMPARE(clockDataText(quint32(late.toSecsSinceEpoch())), QStringLiteral("991231;2358"));
        const QDateTime old(QDate(1999, 12, 31), QTime(12, 0));
        QCOMPARE(clockDataText(quint32(old.toSecsSinceEpoch())), QString());
        // Written and read back, the clock text gives the same minute.
        const QString text = clockDataText(quint32(local.toSecsSinceEpoch()));
        QCOMPARE(clockRegisterSeconds(text.section(';', 0, 0).toInt(), text.section(';', 1, 1).toInt()),
                 quint32(QDateTime(QDate(2024, 3, 5), QTime(7, 9)).toSecsSinceEpoch()));
    }

    void valueCounts()
    {
        QCOMPARE(registerValueCount(101), 1);
        QCOMPARE(registerValueCount(1002), 1);
        QCOMPARE(registerValueCount(105), 0);
        QCOMPARE(registerValueCount(110), 2);
    }
};

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
