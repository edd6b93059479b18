// History lines of the unit turned into filling records.
#include "reader/historyparser.h"

#include <QtTest>

#include <cstring>
#include <vector>

namespace {

const QByteArray elevenWords =
    "A=Nr.7 12:00:00 31.12.2013 11 250 98.5 101.25 -3.5 -1 4.75 38.5";

struct Parsed {
    std::vector<KelmoraFillingData> records;
    int count = 0;
    bool formatNo = false;
    bool formatDecided = false;
};

Parsed parse(const QByteArray& bytes, int capacity = -1)
{
    Parsed parsed;
    if (capacity < 0)
        capacity = countLineEnds(bytes);
    parsed.records.resize(size_t(qMax(capacity, 1)));
    std::memset(static_cast<void*>(parsed.records.data()), 0,
                parsed.records.size() * sizeof(KelmoraFillingData));
    parsed.count = parseHistoryLines(bytes, parsed.records.data(), capacity, &parsed.formatNo,
                                     &parsed.formatDecided);
    return parsed;
}

} // namespace

class TestHistoryParser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void elevenWordLineFillsTheRecord()
    {
        const Parsed p = parse(elevenWords + "\r\n");
        QCOMPARE(p.count, 1);
        const KelmoraFillingData& r = p.records[0];
        QCOMPARE(r.number, 7);
        QCOMPARE(r.separator, '.');
        QCOMPARE(r.timestamp,
                 quint32(QDateTime(QDate(2013, 12, 31), QTime(12, 0)).toSecsSinceEpoch()));
        QCOMPARE(r.levelCode, quint16(11));
        QCOMPARE(r.fillings, quint16(250));
        QCOMPARE(r.ratePercent, 98.5);
        QCOMPARE(r.linePercent, 101.25);
        QCOMPARE(r.temperature, -3.5);
        QCOMPARE(r.integerPercent, quint16(65535));  // -1 keeps its low 16 bits
        QCOMPARE(r.auxValue, 4.75);
        QCOMPARE(r.fuelFlow, 38.5);
        QCOMPARE(r.optionalFirst, 0.0);
        QCOMPARE(r.optionalSecond, 0.0);
        QCOMPARE(r.limit, 0);
        QVERIFY(p.formatDecided);
        QVERIFY(!p.formatNo);
    }

    void longAndFullLines()
    {
        const Parsed p = parse(elevenWords + " 1.5\r" + elevenWords + " 1.5 2.5 SWOFF\r"
                               + elevenWords + " 1.5 2.5 NOLIM\r" + elevenWords + " 1.5 2.5 25\r");
        QCOMPARE(p.count, 4);
        QCOMPARE(p.records[0].optionalFirst, 1.5);
        QCOMPARE(p.records[0].optionalSecond, 0.0);
        QCOMPARE(p.records[0].limit, 0);
        QCOMPARE(p.records[1].optionalSecond, 2.5);
        QCOMPARE(p.records[1].limit, -1);
        QCOMPARE(p.records[2].limit, 0);
        QCOMPARE(p.records[3].limit, 25);
    }

    void otherWordCountsGiveNoRecord()
    {
        const Parsed p = parse(elevenWords + " 1.5 2.5\r"  // 13 words
                               + "A=Nr.8 12:00:00\r"          // 3 words
                               + elevenWords + " 1 2 3 4\r"   // 15 words
                               + "B=Nr.9 12:00:00 01.01.2014 1 2 3 4 5 6 7 8\r");
        QCOMPARE(p.count, 1);
        QCOMPARE(p.records[0].number, 9);  // the bad lines did not take an index
    }

    void lineEndsAllParseTheSame()
    {
        const QByteArray second = "B=No:12 08:30:15 01.02.2020 3 4 5 6 7 8 9 10";
        for (const QByteArray& end : {QByteArray("\r"), QByteArray("\r\n"), QByteArray("\r\r\n")}) {
            const Parsed p = parse(elevenWords + end + second + end);
            QCOMPARE(p.count, 2);
            QCOMPARE(p.records[0].number, 7);
            QCOMPARE(p.records[1].number, 12);
            QCOMPARE(p.records[1].separator, ':');
            QCOMPARE(p.records[1].fuelFlow, 10.0);
        }
    }

    void noiseAndUnterminatedLineIgnored()
    {
        const Parsed p = parse("\n\nGET.A.HIS200\r\nHistory of side A\r\n" + elevenWords
                               + "\r\n  A=Nr.99 not a history line\r\n" + elevenWords);
        QCOMPARE(p.count, 1);  // the last line never got its CR
        QCOMPARE(p.records[0].number, 7);
    }

    void firstTaggedLineDecidesTheFormat()
    {
        Parsed p = parse("B=No:12 08:30:15 01.02.2020 3 4\r" + elevenWords + "\r");
        QCOMPARE(p.count, 1);  // the short line decides though it gives no record
        QVERIFY(p.formatDecided);
        QVERIFY(p.formatNo);
        p = parse("A=N.1 no tag here\r" + elevenWords + "\r");
        QVERIFY(p.formatDecided);
        QVERIFY(!p.formatNo);
        p = parse("GET.No\r");
        QVERIFY(!p.formatDecided);
        // An earlier decision stays.
        bool formatNo = true;
        bool decided = true;
        applyFormatTag(QStringLiteral("A=Nr.1"), &formatNo, &decided);
        QVERIFY(formatNo);
    }

    void badNumbersBecomeZero()
    {
        const Parsed p = parse("A=Nr.x7 1:2 3.4 a b c d e f g h\r");
        QCOMPARE(p.count, 1);
        const KelmoraFillingData& r = p.records[0];
        QCOMPARE(r.number, 0);
        QCOMPARE(r.timestamp, 0xFFFFFFFFu);
        QCOMPARE(r.levelCode, quint16(0));
        QCOMPARE(r.fuelFlow, 0.0);
        QCOMPARE(r.ratePercent, 0.0);
        // A word 0 that ends right after the tag has no separator.
        const Parsed shortTag = parse("A=Nr 12:00:00 31.12.2013 1 2 3 4 5 6 7 8\r");
        QCOMPARE(shortTag.count, 1);
        QCOMPARE(shortTag.records[0].separator, '\0');
        QCOMPARE(shortTag.records[0].number, 0);
    }

    void wideIntegersKeepLow16Bits()
    {
        const Parsed p = parse("A=Nr.1 12:00:00 31.12.2013 65547 70000 1 2 3 65536 4 5\r");
        QCOMPARE(p.records[0].levelCode, quint16(11));
        QCOMPARE(p.records[0].fillings, quint16(70000 - 65536));
        QCOMPARE(p.records[0].integerPercent, quint16(0));
    }

    void capacityBoundsTheRecords()
    {
        QByteArray bytes;
        for (int i = 0; i < 10; ++i)
            bytes += elevenWords + "\r\n";
        const Parsed p = parse(bytes, 4);
        QCOMPARE(p.count, 4);
        QCOMPARE(countLineEnds(bytes), 10);
        QCOMPARE(parse(QByteArray()).count, 0);
        QCOMPARE(parse("\r\r\r").count, 0);
    }

    void utf8WordsDoNotBreakTheLine()
    {
        const Parsed p = parse("A=Nr.5 12:00:00 31.12.2013 1 2 3 4 \xC3\xA9 6 7 8\r");
        QCOMPARE(p.count, 1);
        QCOMPARE(p.records[0].temperature, 0.0);
        QCOMPARE(p.records[0].fuelFlow, 8.0);
    }

    void historyLineTag()
    {
        QVERIFY(isHistoryLine(QStringLiteral("A=Nr")));
        QVERIFY(isHistoryLine(QStringLiteral("B=N")));
        QVERIFY(!isHistoryLine(QStringLiteral("C=Nr")));
        QVERIFY(!isHistoryLine(QStringLiteral("a=Nr")));
        QVERIFY(!isHistoryLine("A=", 2));
        QVERIFY(isHistoryLine("B=Nx", 3));
    }
};

QTEST_GUILESS_MAIN(TestHistoryParser)
#include "tst_historyparser.moc"
