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

    // The per-side results of the download, as the reader published them.
    QList<QPair<SideDownload, SideDownload>> outcomes;
    void recordOutcomes()
    {
        outcomes.clear();
        QObject::connect(reader, &APP_KelmoraDataReader::historyDownloaded, rig->logContext.get(),
                         [this](const SideDownload& a, const SideDownload& b) { outcomes.append({a, b}); },
                         Qt::QueuedConnection);
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
        recordOutcomes();
        QVERIFY(rig->runOperation([](APP_KelmoraDataReader& r) { r.readHistoryBoth(50); }, 30000));
        const auto& data = rig->log.data;
        QCOMPARE(data.size(), 1);
        QCOMPARE(outcomes.size(), 1);
        const SideDownload& a = outcomes.first().first;
        const SideDownload& b = outcomes.first().second;
        QCOMPARE(a.side, 'A');
        QCOMPARE(b.side, 'B');
        QCOMPARE(int(a.outcome), int(SideOutcome::Complete));
        QCOMPARE(int(b.outcome), int(SideOutcome::Complete));
        QCOMPARE(a.requested, 50);
        QCOMPARE(a.received, 30);
        QCOMPARE(b.received, 20);
        // Each history line exactly as the unit sent it, without its line end.
        QCOMPARE(a.historyLines, unit->historyA);
        QCOMPARE(b.historyLines, unit->historyB);
        QCOMPARE(data.first().records, nullptr);
        QCOMPARE(data.first().count, nullptr);
        QCOMPARE(data.first().success, quint8(APP_KelmoraDataReader::DataDelivered));
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
        QCOMPARE(data.first().success, quint8(APP_KelmoraDataReader::DataDelivered));
        QCOMPARE(numbers(sideBRecords, sideBCount), range(100, 10));
        QCOMPARE(sideARecords, arrayA);
        QCOMPARE(numbers(sideARecords, sideACount), range(1, 5));
    }

    void silentUnitKeepsThePreviousRecords()
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
        QCOMPARE(data.first().success, quint8(APP_KelmoraDataReader::DataFailed));
        // Nothing came: the records of the last download stay, untouched.
        QCOMPARE(sideACount, quint16(3));
        QCOMPARE(sideARecords, before);
        QCOMPARE(numbers(sideARecords, sideACount), range(1, 3));
    }

    void pulledCableEndsTheDownloadSoon()
    {
        unit->historyA = lines('A', 60);
        unit->hangUpAfterLines = 10;
        if (!startUnit())
            return;
        recordOutcomes();
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
        // Cut short: the records that came are delivered, but not as a success.
        QCOMPARE(data.first().success, quint8(APP_KelmoraDataReader::DataIncomplete));
        QCOMPARE(outcomes.size(), 1);
        QCOMPARE(int(outcomes.first().first.outcome), int(SideOutcome::Interrupted));
        QCOMPARE(outcomes.first().first.received, int(sideACount));
        QCOMPARE(int(outcomes.first().second.outcome), int(SideOutcome::NotRequested));
        // What reached the port before the hang-up became records, in order;
        // bytes still in flight when the line went may be lost.
        QVERIFY2(sideACount >= 1 && sideACount <= unit->historyLinesSent.load(),
                 qPrintable(QStringLiteral("%1 of %2").arg(sideACount).arg(unit->historyLinesSent.load())));
        QCOMPARE(numbers(sideARecords, sideACount), range(1, sideACount));
    }

    // The unit stops inside a record while the line stays up (cable cut
    // behind the adapter): the whole records are kept, the side is
    // interrupted, and side B is still asked for.
    void stallInsideARecordIsInterrupted()
    {
        unit->historyA = lines('A', 20);
        unit->stallAfterLines = 7;
        unit->historyB = lines('B', 4, 300);
        startUnit();
        recordOutcomes();
        QVERIFY(rig->runOperation([](APP_KelmoraDataReader& r) { r.readHistoryBoth(20); }, 30000));
        QCOMPARE(rig->log.data.size(), 1);
        QCOMPARE(rig->log.data.first().success, quint8(APP_KelmoraDataReader::DataIncomplete));
        QCOMPARE(outcomes.size(), 1);
        const SideDownload& a = outcomes.first().first;
        QCOMPARE(int(a.outcome), int(SideOutcome::Interrupted));
        QCOMPARE(a.received, 7);
        QCOMPARE(a.historyLines, unit->historyA.mid(0, 7));
        QCOMPARE(numbers(sideARecords, sideACount), range(1, 7));
        QCOMPARE(int(outcomes.first().second.outcome), int(SideOutcome::Complete));
        QCOMPARE(numbers(sideBRecords, sideBCount), range(300, 4));
    }

    // Side B does not answer: side A is delivered, B keeps what it had and
    // is reported as without answer.
    void silentSideBKeepsItsRecords()
    {
        unit->historyA = lines('A', 5);
        unit->historyB = lines('B', 6, 40);
        startUnit();
        QVERIFY(rig->runOperation([](APP_KelmoraDataReader& r) { r.readHistory('B', 6); }, 20000));
        KelmoraFillingData* const arrayB = sideBRecords;
        {
            QMutexLocker guard(&unit->mutex);
            unit->historyB.clear();
        }
        recordOutcomes();
        QVERIFY(rig->runOperation([](APP_KelmoraDataReader& r) { r.readHistoryBoth(10); }, 30000));
        QCOMPARE(rig->log.data.first().success, quint8(APP_KelmoraDataReader::DataIncomplete));
        QCOMPARE(outcomes.size(), 1);
        QCOMPARE(int(outcomes.first().first.outcome), int(SideOutcome::Complete));
        QCOMPARE(int(outcomes.first().second.outcome), int(SideOutcome::NoAnswer));
        QCOMPARE(outcomes.first().second.received, 0);
        QVERIFY(outcomes.first().second.historyLines.isEmpty());
        QCOMPARE(sideBRecords, arrayB);
        QCOMPARE(numbers(sideBRecords, sideBCount), range(40, 6));
        QCOMPARE(numbers(sideARecords, sideACount), range(1, 5));
    }

    // The line goes after side A: side B is not even asked for, and no
    // command is queued on a line that is gone.
    void lineLostBetweenSidesInterruptsSideB()
    {
        unit->historyA = lines('A', 8);
        unit->hangUpAfterLines = 8;
        unit->historyB = lines('B', 8, 100);
        startUnit();
        recordOutcomes();
        QVERIFY(rig->runOperation([](APP_KelmoraDataReader& r) { r.readHistoryBoth(8); }, 30000));
        QCOMPARE(outcomes.size(), 1);
        QVERIFY(outcomes.first().first.received <= 8);
        QCOMPARE(int(outcomes.first().second.outcome), int(SideOutcome::Interrupted));
        QVERIFY(!rig->wire().contains("GET.B.HIS8"));
        QVERIFY(!rig->port->isOpen());
    }

    // A Disconnect in the middle of side A ends the download within a poll
    // or two, with what had arrived.
    void closedPortEndsTheDownloadAtOnce()
    {
        unit->historyA = lines('A', 200);
        unit->historyBytesPerSecond = 2000;
        startUnit();
        recordOutcomes();
        reader->readHistoryBoth(200);
        QTRY_VERIFY_WITH_TIMEOUT(!rig->log.progress.isEmpty() && rig->log.progress.last().lines >= 3, 10000);
        QElapsedTimer clock;
        clock.start();
        rig->port->closePort();
        QVERIFY(rig->waitForReader(5000));
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(outcomes.size(), 1);
        QCOMPARE(int(outcomes.first().first.outcome), int(SideOutcome::Interrupted));
        QVERIFY(outcomes.first().first.received >= 3);
        QCOMPARE(int(sideACount), outcomes.first().first.received);
        QCOMPARE(int(outcomes.first().second.outcome), int(SideOutcome::Interrupted));
        QVERIFY(!rig->wire().contains("GET.B.HIS200"));
    }

    // A unit that sends faster than the reader takes: the port holds what
    // the ring has no room for until the reader has taken its bytes; with no
    // room to hold them, the ring wraps over unread bytes and the side says
    // so instead of calling itself complete, keeping the whole records before
    // the hole.
    void fastUnitLosesNothingOrSaysSo_data()
    {
        QTest::addColumn<qint64>("backlogLimit");
        QTest::addColumn<bool>("whole");
        QTest::newRow("bytes wait for the reader") << qint64(COM_SerialPort::defaultRxBacklogLimit) << true;
        QTest::newRow("no room to wait") << qint64(0) << false;
    }

    void fastUnitLosesNothingOrSaysSo()
    {
        QFETCH(qint64, backlogLimit);
        QFETCH(bool, whole);
        unit->historyA = lines('A', 300);
        unit->historyBytesPerSecond = 2000000;
        if (!startUnit())
            return;
        rig->port->setRxBacklogLimitForTests(backlogLimit);
        recordOutcomes();
        QVERIFY(rig->runOperation([](APP_KelmoraDataReader& r) { r.readHistory('A', 300); }, 30000));
        QCOMPARE(outcomes.size(), 1);
        const SideDownload& a = outcomes.first().first;
        if (whole) {
            QCOMPARE(int(a.outcome), int(SideOutcome::Complete));
            QCOMPARE(a.overrunBytes, quint64(0));
            QCOMPARE(numbers(sideARecords, sideACount), range(1, 300));
            return;
        }
        QCOMPARE(int(a.outcome), int(SideOutcome::Interrupted));
        QCOMPARE(int(a.cause), int(InterruptCause::Overrun));
        QVERIFY(a.overrunBytes > 0);
        QVERIFY(a.received < 300);
        QCOMPARE(numbers(sideARecords, sideACount), range(1, a.received));
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
            QCOMPARE(rig->log.data.first().success, quint8(APP_KelmoraDataReader::DataFailed));
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
        SideDownload downloaded;
        QObject::connect(reader, &APP_KelmoraDataReader::historyDownloaded, rig->logContext.get(),
                         [&downloaded](const SideDownload& a, const SideDownload&) { downloaded = a; },
                         Qt::QueuedConnection);
        QVERIFY(rig->runOperation([](APP_KelmoraDataReader& r) { r.readHistory('A', 4); }, 20000));
        QCOMPARE(sideACount, quint16(4));
        QVERIFY(downloaded.recordsReplaced);
        QVERIFY(downloaded.recordFormatNo);
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
