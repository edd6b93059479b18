// History lines of the unit turned into filling records.
#include "model/historyoverlap.h"
#include "model/historyparser.h"
#include "reader_referenceparser.h"

#include <QDir>
#include <QtTest>

#include <algorithm>
#include <cstring>
#include <ctime>
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

void useZone(const QByteArray& zone)
{
    qputenv("TZ", zone);
    tzset();
}

// History lines as the unit writes them with its clock in local time: one
// record every 13 minutes across both clock changes of 2024, numbered in
// time order. Returns the instants the lines were made from.
QVector<qint64> linesAcrossClockChanges(QByteArray& bytes, bool newestFirst)
{
    QVector<qint64> instants;
    QList<QByteArray> lines;
    for (const QDateTime& start : {QDateTime(QDate(2024, 3, 30), QTime(23, 0), Qt::UTC),
                                   QDateTime(QDate(2024, 10, 26), QTime(22, 0), Qt::UTC)}) {
        for (int i = 0; i < 25; ++i) {
            const QDateTime t = start.addSecs(i * 13 * 60);
            instants.append(t.toSecsSinceEpoch());
            const QDateTime local = t.toLocalTime();
            lines.append("A=Nr." + QByteArray::number(instants.size()) + ' '
                         + local.toString(QStringLiteral("hh:mm:ss dd.MM.yyyy")).toLatin1()
                         + " 3 12 98.5 100 21.25 97 0.5 35.2");
        }
    }
    if (newestFirst)
        std::reverse(lines.begin(), lines.end());
    bytes = lines.join("\r\n") + "\r\n";
    return instants;
}

} // namespace

class TestHistoryParser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The archived record and the unit's copy of it are the same record only
    // when every word is: a word the parser would turn into 0, or a date it
    // cannot read, still tells two records apart.
    void overlapRecordComparesEveryWord_data()
    {
        QTest::addColumn<QByteArray>("archived");
        QTest::addColumn<QByteArray>("fresh");
        QTest::addColumn<bool>("same");
        const QByteArray line = "A=Nr.1039 12:00:00 31.12.2013 3 17 99.5 101.2 21.3 100 88.1 33.4 97.0 12.5 NOLIM";
        QTest::newRow("identical") << line << line << true;
        QTest::newRow("blank runs only") << line << QByteArray(line).replace(" 3 17 ", "  3   17 ") << true;
        QTest::newRow("one value") << line << QByteArray(line).replace("99.5", "99.6") << false;
        QTest::newRow("time") << line << QByteArray(line).replace("12:00:00", "12:00:01") << false;
        QTest::newRow("unconvertible words") << QByteArray(line).replace("99.5", "x") << QByteArray(line).replace("99.5", "y") << false;
        QTest::newRow("unreadable dates") << QByteArray(line).replace("31.12.2013", "31.13.2013")
                                          << QByteArray(line).replace("31.12.2013", "32.12.2013") << false;
        QTest::newRow("limit word") << line << QByteArray(line).replace("NOLIM", "SWOFF") << false;
        QTest::newRow("format tag") << line << QByteArray(line).replace("=Nr.", "=No.") << false;
        QTest::newRow("separator") << line << QByteArray(line).replace("Nr.", "Nr:") << false;
        QTest::newRow("other side") << line << QByteArray(line).replace("A=N", "B=N") << false;
        QTest::newRow("shorter line") << line << line.left(line.lastIndexOf(" 12.5")) << false;
        const QByteArray thirteen = line.left(line.lastIndexOf(" NOLIM"));
        QTest::newRow("no record at all") << thirteen << thirteen << false;
    }

    void overlapRecordComparesEveryWord()
    {
        QFETCH(QByteArray, archived);
        QFETCH(QByteArray, fresh);
        QFETCH(bool, same);
        QCOMPARE(sameHistoryRecord(archived, fresh), same);
        QCOMPARE(sameHistoryRecord(fresh, archived), same);
    }

    void recordNumberOnlyOfRecordLines()
    {
        QCOMPARE(historyRecordNumber("B=No:77 01:02:03 04.05.2024 1 2 3.0 4.0 5.0 6 7.0 8.0"), std::optional<qint32>(77));
        QCOMPARE(historyRecordNumber("A=Nr.-5 01:02:03 04.05.2024 1 2 3.0 4.0 5.0 6 7.0 8.0 9.0"), std::optional<qint32>(-5));
        QVERIFY(!historyRecordNumber("A=Nr.5 01:02:03 04.05.2024 1 2 3.0 4.0 5.0 6 7.0"));
        QVERIFY(!historyRecordNumber("SNR.C:12345"));
        QVERIFY(!historyRecordNumber(QByteArray()));
    }

    // The archived lines, then the unit's lines after the overlap, cut to
    // the newest count: what a download of count records sends, oldest first.
    void joinedHistoryKeepsTheNewestCount_data()
    {
        QTest::addColumn<int>("archived");  // records 1..archived
        QTest::addColumn<int>("fresh");     // records archived..archived+fresh-1, the first the overlap
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("oldest");
        QTest::addColumn<int>("size");
        QTest::newRow("cut") << 20 << 7 << 20 << 7 << 20;
        QTest::newRow("nothing new") << 20 << 1 << 20 << 1 << 20;
        QTest::newRow("archive shorter than count") << 12 << 3 << 20 << 1 << 14;
        QTest::newRow("smaller count") << 20 << 4 << 5 << 19 << 5;
    }

    void joinedHistoryKeepsTheNewestCount()
    {
        QFETCH(int, archived);
        QFETCH(int, fresh);
        QFETCH(int, count);
        QFETCH(int, oldest);
        QFETCH(int, size);
        auto lineOf = [](int number) { return "A=Nr." + QByteArray::number(number) + " x"; };
        QList<QByteArray> archive;
        for (int n = 1; n <= archived; ++n)
            archive.append(lineOf(n));
        QList<QByteArray> unit;
        for (int n = archived; n < archived + fresh; ++n)
            unit.append(lineOf(n));
        const QList<QByteArray> joined = joinedHistory(archive, unit, count);
        QCOMPARE(joined.size(), size);
        for (int i = 0; i < size; ++i)
            QCOMPARE(joined.at(i), lineOf(oldest + i));
        QCOMPARE(historyBytes(joined).count("\r\n"), size);
    }

    void cleanupTestCase()
    {
        qunsetenv("TZ");
        tzset();
    }

    // Whatever the zone and the order the lines come in, every record gets
    // the instant it was made at: the repeated hour of October takes the
    // offset that keeps the times in the order of the record numbers.
    void clockChangesKeepRecordOrder_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<bool>("newestFirst");
        QTest::newRow("Berlin, newest first") << QByteArray("Europe/Berlin") << true;
        QTest::newRow("Berlin, oldest first") << QByteArray("Europe/Berlin") << false;
        QTest::newRow("UTC, newest first") << QByteArray("UTC") << true;
        QTest::newRow("New York, oldest first") << QByteArray("America/New_York") << false;
    }
    void clockChangesKeepRecordOrder()
    {
        QFETCH(QByteArray, zone);
        QFETCH(bool, newestFirst);
        useZone(zone);
        QByteArray bytes;
        const QVector<qint64> instants = linesAcrossClockChanges(bytes, newestFirst);
        const Parsed p = parse(bytes);
        QCOMPARE(p.count, instants.size());
        for (int i = 0; i < p.count; ++i) {
            const KelmoraFillingData& r = p.records[size_t(i)];
            QVERIFY(r.number >= 1 && r.number <= instants.size());
            QCOMPARE(qint64(r.timestamp), instants.at(r.number - 1));
        }
    }

    // The fast parser gives, field by field, what a plain reading word by
    // word with the date library's offsets gives: over the fuzz corpora, the
    // bad-file corpus, and each with its line ends made the unit's CRs.
    void sameRecordsAsThePlainReading_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::newRow("UTC") << QByteArray("UTC");
        QTest::newRow("Berlin") << QByteArray("Europe/Berlin");
        QTest::newRow("Lord Howe") << QByteArray("Australia/Lord_Howe");
    }
    void sameRecordsAsThePlainReading()
    {
        QFETCH(QByteArray, zone);
        useZone(zone);
        QStringList files;
        for (const char* folder : {"/fuzz/corpus/historylines", "/fuzz/corpus/import", "/tests/data/badfiles"}) {
            const QDir dir(QStringLiteral(KELMORA_SOURCE_DIR) + QLatin1String(folder));
            for (const QString& name : dir.entryList(QDir::Files))
                files.append(dir.filePath(name));
        }
        QVERIFY(files.size() >= 20);
        QByteArray extra;
        for (const char* line : {"A=Nr.1 02:30:00 31.03.2024 -0 +5 0.10 -0.0 1e2 007 .5 5. 1.5 2.5 +7",
                                 "A=Nr.2 02:30:00 27.10.2024 65547 -70000 1234567890123456 0.1234567890123456 "
                                 "-12.5 99999999999 \t1 2\n 3,5 1 4294967296",
                                 "A=Nr.3 2:30:00 1.10.2024 1 2 3 4 5 6 7 8",
                                 "A=N\xC3\xA9" "7 12:00:00 31.12.2013 1 2 3 \xC3\xA9 5 6 7 8 1 2 SWOFF",
                                 "B=Nr:4 12:00:00 29.02.2023 1 2 3 4 5 6 7 8 9 10 NOLIM ",
                                 "A=No.5 24:00:00 31.12.2013 1 2 3 4 5 6 7 8 9",
                                 "A=Nr.123456789012345678901 12:00:00 31.12.2013 1234567890 -2147483649 "
                                 "123456789012345678901234 0.000000000000000000001 4 5 6 7"}) {
            extra += line;
            extra += "\r\n";
        }
        int compared = 0;
        QList<QByteArray> inputs{extra};
        for (const QString& path : files) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            inputs << bytes << QByteArray(bytes).replace('\n', '\r');
        }
        for (const QByteArray& bytes : inputs) {
            const int capacity = countLineEnds(bytes);
            std::vector<KelmoraFillingData> fast(size_t(capacity + 1)), plain(size_t(capacity + 1));
            std::memset(static_cast<void*>(fast.data()), 0, fast.size() * sizeof(KelmoraFillingData));
            std::memset(static_cast<void*>(plain.data()), 0, plain.size() * sizeof(KelmoraFillingData));
            bool fastNo = false, fastDecided = false, plainNo = false, plainDecided = false;
            const int n = parseHistoryLines(bytes, fast.data(), capacity, &fastNo, &fastDecided);
            QVERIFY2(referenceParseHistoryLines(bytes, plain.data(), capacity, &plainNo, &plainDecided) == n,
                     bytes.left(200).constData());
            QCOMPARE(fastNo, plainNo);
            QCOMPARE(fastDecided, plainDecided);
            for (int i = 0; i < n; ++i) {
                // Byte for byte, so that NaNs and signed zeros compare too.
                QVERIFY2(std::memcmp(&fast[size_t(i)], &plain[size_t(i)], sizeof(KelmoraFillingData)) == 0,
                         qPrintable(QStringLiteral("record %1 of %2: number %3/%4 time %5/%6 rate %7/%8")
                                        .arg(i).arg(n).arg(fast[size_t(i)].number).arg(plain[size_t(i)].number)
                                        .arg(fast[size_t(i)].timestamp).arg(plain[size_t(i)].timestamp)
                                        .arg(fast[size_t(i)].ratePercent).arg(plain[size_t(i)].ratePercent)));
            }
            compared += n;
        }
        QVERIFY(compared >= 60);
    }

    // A time the clock change skips is read as the same wall-clock time
    // moved forward by the gap; it never becomes an invalid date.
    void timeInsideTheGap()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows takes the local time zone from the system, not from TZ");
#endif
        useZone("Europe/Berlin");
        const Parsed p = parse("A=Nr.1 02:30:00 31.03.2024 1 2 3 4 5 6 7 8\r");
        QCOMPARE(p.count, 1);
        QCOMPARE(p.records[0].timestamp,
                 quint32(QDateTime(QDate(2024, 3, 31), QTime(1, 30), Qt::UTC).toSecsSinceEpoch()));
        useZone("UTC");
        QCOMPARE(parse("A=Nr.1 02:30:00 31.03.2024 1 2 3 4 5 6 7 8\r").records[0].timestamp,
                 quint32(QDateTime(QDate(2024, 3, 31), QTime(2, 30), Qt::UTC).toSecsSinceEpoch()));
    }

    // Two passes through the repeated hour by number; an invalid time
    // between them takes no part in the order.
    void repeatedHourFollowsTheNumbers()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows takes the local time zone from the system, not from TZ");
#endif
        useZone("Europe/Berlin");
        const Parsed p = parse("A=Nr.4 02:50:00 27.10.2024 1 2 3 4 5 6 7 8\r"
                               "A=Nr.3 02:10:00 27.10.2024 1 2 3 4 5 6 7 8\r"
                               "A=Nr.2 99:00:00 27.10.2024 1 2 3 4 5 6 7 8\r"
                               "A=Nr.1 02:40:00 27.10.2024 1 2 3 4 5 6 7 8\r");
        QCOMPARE(p.count, 4);
        const auto utc = [](int h, int m) {
            return quint32(QDateTime(QDate(2024, 10, 27), QTime(h, m), Qt::UTC).toSecsSinceEpoch());
        };
        QCOMPARE(p.records[3].timestamp, utc(0, 40));  // summer time
        QCOMPARE(p.records[2].timestamp, 0xFFFFFFFFu);
        QCOMPARE(p.records[1].timestamp, utc(1, 10));  // winter time: after record 1
        QCOMPARE(p.records[0].timestamp, utc(1, 50));
    }

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
