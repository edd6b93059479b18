// History downloads over a real pseudo-terminal: both sides, one side, a
// silent unit, a cable pulled in the middle, the receive limit and the
// progress reports.
#include "reader_rig.h"

#include <QtTest>

class TestReaderDownload : public QObject
{
    Q_OBJECT

    std::unique_ptr<ReaderRig> rig;
    ReaderFakeUnit* unit = nullptr;
    APP_KelmoraDataReader* reader = nullptr;

    // False when the test has ended; the caller returns.
    bool startUnit()
    {
        if (!rig->startOrEndTest())
            return false;
        reader = rig->reader.get();
        return true;
    }

    static QList<QByteArray> lines(char side, int count, int firstNumber = 1)
    {
        QList<QByteArray> result;
        for (int i = 0; i < count; ++i)
            result.append(fakeHistoryLine(side, firstNumber + i));
        return result;
    }

    // Records of one side by number, in download order.
    static QList<int> numbers(const KelmoraFillingData* records, quint16 count)
    {
        QList<int> result;
        for (int i = 0; i < count; ++i)
            result.append(records[i].number);
        return result;
    }

    static QList<int> range(int first, int count)
    {
        QList<int> result;
        for (int i = 0; i < count; ++i)
            result.append(first + i);
        return result;
    }

private Q_SLOTS:
    void init()
    {
        resetSideStorage();
        rig = std::make_unique<ReaderRig>();
        unit = rig->unit.get();
    }

    void cleanup()
    {
        rig.reset();
        resetSideStorage();
    }

    void bothSidesEndWithOneSignal()
    {
        unit->historyA = lines('A', 30);
        unit->historyB = lines('B', 20, 501);
        if (!startUnit())
            return;
        QVERIFY(rig->runOperation([](APP_KelmoraDataReader& r) { r.readHistoryBoth(50); }, 30000));
        const auto& data = rig->log.data;
        QCOMPARE(data.size(), 1);
        QCOMPARE(data.first().records, nullptr);
        QCOMPARE(data.first().count, nullptr);
        QCOMPARE(data.first().success, quint8(1));
        QCOMPARE(sideACount, quint16(30));
        QCOMPARE(sideBCount, quint16(20));
        QCOMPARE(numbers(sideARecords, sideACount), range(1, 30));
        QCOMPARE(numbers(sideBRecords, sideBCount), range(501, 20));
        QCOMPARE(currentRecords, &sideBRecords);
        QCOMPARE(sideBRecords[3].fillings, quint16(504));
        QCOMPARE(sideBRecords[3].fuelFlow, 38.75);
        QVERIFY(rig->wire().contains("GET.A.HIS50"));
        QVERIFY(rig->wire().contains("GET.B.HIS50"));
        // The last report of each side has every byte and line of it.
        ReaderSignalLog::Progress lastA{0, 0, 0, 0};
        ReaderSignalLog::Progress lastB{0, 0, 0, 0};
        for (const ReaderSignalLog::Progress& report : rig->log.progress)
            (report.side == 'A' ? lastA : lastB) = report;
        QCOMPARE(lastA.side, 'A');
        QCOMPARE(lastB.side, 'B');
        QCOMPARE(lastA.lines, 30);
        QCOMPARE(lastA.requested, 50);
        QCOMPARE(lastB.lines, 20);
        int bytesA = 9;  // "History\r\n"
        for (const QByteArray& line : unit->historyA)
            bytesA += int(line.size()) + 2;
        QCOMPARE(lastA.bytes, bytesA);
        QVERIFY(rig->log.progress.size() >= 4);  // reports while receiving, not just at the end
    }

    void oneSideLeavesTheOtherAlone()
    {
        unit->historyA = lines('A', 5);
        unit->historyB = lines('B', 20, 100);
        if (!startUnit())
            return;
        QVERIFY(rig->runOperation([](APP_KelmoraDataReader& r) { r.readHistory('A', 5); }, 20000));
        KelmoraFillingData* const arrayA = sideARecords;
        QVERIFY(rig->runOperation([](APP_KelmoraDataReader& r) { r.readHistory('B', 10); }, 20000));
        const auto& data = rig->log.data;
        QCOMPARE(data.size(), 1);
        QCOMPARE(data.first().records, sideBRecords);
        QCOMPARE(data.first().count, &sideBCount);
        QCOMPARE(data.first().success, quint8(1));
        QCOMPARE(numbers(sideBRecords, sideBCount), range(100, 10));
        QCOMPARE(sideARecords, arrayA);
        QCOMPARE(numbers(sideARecords, sideACount), range(1, 5));
    }

    void silentUnitGivesCountZeroAndKeepsTheArray()
    {
        unit->historyA = lines('A', 3);
        if (!startUnit())
            return;
        QVERIFY(rig->runOperation([](APP_KelmoraDataReader& r) { r.readHistory('A', 3); }, 20000));
        QCOMPARE(sideACount, quint16(3));
        KelmoraFillingData* const before = sideARecords;
        {
            QMutexLocker guard(&unit->mutex);
            unit->historyA.clear();  // from now on the unit does not answer
        }
        QElapsedTimer clock;
        clock.start();
        QVERIFY(rig->runOperation([](APP_KelmoraDataReader& r) { r.readHistory('A', 3); }, 20000));
        QVERIFY(clock.elapsed() < 3000);
        const auto& data = rig->log.data;
        QCOMPARE(data.size(), 1);
        QCOMPARE(data.first().count, &sideACount);
        QCOMPARE(data.first().success, quint8(0));
        QCOMPARE(sideACount, quint16(0));
        QCOMPARE(sideARecords, before);
    }

    void pulledCableEndsTheDownloadSoon()
    {
        unit->historyA = lines('A', 60);
        unit->hangUpAfterLines = 10;
        if (!startUnit())
            return;
        qint64 endedAt = -1;
        QObject::connect(reader, &APP_KelmoraDataReader::dataReady, rig->logContext.get(),
                         [&endedAt, this] { endedAt = rig->peer->elapsedMs(); }, Qt::QueuedConnection);
        QVERIFY(rig->runOperation([](APP_KelmoraDataReader& r) { r.readHistory('A', 60); }, 20000));
        const QList<ReaderPtyPeer::Received> wire = rig->peer->received();
        QVERIFY(!wire.isEmpty());
        QVERIFY(endedAt > 0);
        const auto& data = rig->log.data;
        QCOMPARE(data.size(), 1);
        // The unit stopped about 10 lines after the request reached it.
        QVERIFY2(endedAt - wire.last().atMs < 2500,
                 qPrintable(QStringLiteral("%1 ms").arg(endedAt - wire.last().atMs)));
        QCOMPARE(data.first().success, quint8(1));
        // What reached the port before the hang-up became records, in order;
        // bytes still in flight when the line went may be lost.
        QVERIFY2(sideACount >= 1 && sideACount <= unit->historyLinesSent.load(),
                 qPrintable(QStringLiteral("%1 of %2").arg(sideACount).arg(unit->historyLinesSent.load())));
        QCOMPARE(numbers(sideARecords, sideACount), range(1, sideACount));
    }

    void receptionStopsAtTheLimitOfTheCount()
    {
        unit->historyA = lines('A', 40);
        unit->ignoreRequestedCount = true;
        if (!startUnit())
            return;
        // Asks for one record: 128 bytes are taken, the rest is not waited for.
        QVERIFY(rig->runOperation([](APP_KelmoraDataReader& r) { r.readHistory('A', 1); }, 20000));
        QCOMPARE(rig->log.data.size(), 1);
        QCOMPARE(sideACount, quint16(1));
        QCOMPARE(sideARecords[0].number, 1);
    }

    void countsOutsideTheRangeSendNothing()
    {
        if (!startUnit())
            return;
        for (int count : {0, -5, 65536}) {
            QVERIFY(rig->runOperation([count](APP_KelmoraDataReader& r) { r.readHistory('A', count); }, 5000));
            QCOMPARE(rig->log.data.size(), 1);
            QCOMPARE(rig->log.data.first().success, quint8(0));
        }
        QVERIFY(rig->wire().isEmpty());
    }

    void formatTagOfTheFirstLineIsKept()
    {
        QList<QByteArray> tagged = lines('A', 4);
        for (QByteArray& line : tagged)
            line.replace("=Nr", "=No");
        tagged[2].replace("=No", "=Nr");
        unit->historyA = tagged;
        if (!startUnit())
            return;
        QVERIFY(!reader->recordFormatNo);
        QVERIFY(rig->runOperation([](APP_KelmoraDataReader& r) { r.readHistory('A', 4); }, 20000));
        QCOMPARE(sideACount, quint16(4));
        QVERIFY(reader->recordFormatNo);
    }

    void requestWhileRunningChangesNothing()
    {
        unit->historyA = lines('A', 20);
        unit->historyB = lines('B', 20);
        if (!startUnit())
            return;
        QVERIFY(rig->runOperation(
            [](APP_KelmoraDataReader& r) {
                r.readHistory('A', 20);
                r.readHistory('B', 20);  // the thread runs: neither queued nor started
            },
            20000));
        QCOMPARE(rig->log.data.size(), 1);
        QCOMPARE(sideACount, quint16(20));
        QCOMPARE(sideBRecords, nullptr);
        QVERIFY(!rig->wire().contains("GET.B.HIS20"));
    }
};

QTEST_GUILESS_MAIN(TestReaderDownload)
#include "tst_readerdownload.moc"
