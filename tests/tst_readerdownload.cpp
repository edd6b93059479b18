// History downloads over a real pseudo-terminal: both sides, one side, a
// silent unit, a cable pulled in the middle, the receive limit and the
// progress reports.
#include "reader_rig.h"

#include <QSignalSpy>
#include <QtTest>

class TestReaderDownload : public QObject
{
    Q_OBJECT

    std::unique_ptr<ReaderRig> rig;
    ReaderFakeUnit* unit = nullptr;
    APP_KelmoraDataReader* reader = nullptr;

    void startUnit()
    {
        if (!rig->start())
            QSKIP(qPrintable(rig->error));
        reader = rig->reader.get();
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
        startUnit();
        QSignalSpy data(reader, &APP_KelmoraDataReader::dataReady);
        QSignalSpy progress(reader, &APP_KelmoraDataReader::historyProgress);
        reader->readHistoryBoth(50);
        QVERIFY(rig->waitForReader(30000));
        QCOMPARE(data.count(), 1);
        QCOMPARE(data.first().at(0).value<KelmoraFillingData*>(), nullptr);
        QCOMPARE(data.first().at(1).value<quint16*>(), nullptr);
        QCOMPARE(data.first().at(2).value<quint8>(), quint8(1));
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
        QList<QVariant> lastA;
        QList<QVariant> lastB;
        for (const QList<QVariant>& report : progress)
            (report.at(0).value<char>() == 'A' ? lastA : lastB) = report;
        QVERIFY(!lastA.isEmpty() && !lastB.isEmpty());
        QCOMPARE(lastA.at(2).toInt(), 30);
        QCOMPARE(lastA.at(3).toInt(), 50);
        QCOMPARE(lastB.at(2).toInt(), 20);
        int bytesA = 9;  // "History\r\n"
        for (const QByteArray& line : unit->historyA)
            bytesA += int(line.size()) + 2;
        QCOMPARE(lastA.at(1).toInt(), bytesA);
    }

    void oneSideLeavesTheOtherAlone()
    {
        unit->historyA = lines('A', 5);
        unit->historyB = lines('B', 20, 100);
        startUnit();
        QSignalSpy data(reader, &APP_KelmoraDataReader::dataReady);
        reader->readHistory('A', 5);
        QVERIFY(rig->waitForReader(20000));
        KelmoraFillingData* const arrayA = sideARecords;
        reader->readHistory('B', 10);
        QVERIFY(rig->waitForReader(20000));
        QCOMPARE(data.count(), 2);
        QCOMPARE(data.at(1).at(0).value<KelmoraFillingData*>(), sideBRecords);
        QCOMPARE(data.at(1).at(1).value<quint16*>(), &sideBCount);
        QCOMPARE(data.at(1).at(2).value<quint8>(), quint8(1));
        QCOMPARE(numbers(sideBRecords, sideBCount), range(100, 10));
        QCOMPARE(sideARecords, arrayA);
        QCOMPARE(numbers(sideARecords, sideACount), range(1, 5));
    }

    void silentUnitGivesCountZeroAndKeepsTheArray()
    {
        unit->historyA = lines('A', 3);
        startUnit();
        QSignalSpy data(reader, &APP_KelmoraDataReader::dataReady);
        reader->readHistory('A', 3);
        QVERIFY(rig->waitForReader(20000));
        QCOMPARE(sideACount, quint16(3));
        KelmoraFillingData* const before = sideARecords;
        unit->historyA.clear();  // from now on the unit does not answer
        QElapsedTimer clock;
        clock.start();
        reader->readHistory('A', 3);
        QVERIFY(rig->waitForReader(20000));
        QVERIFY(clock.elapsed() < 3000);
        QCOMPARE(data.count(), 2);
        QCOMPARE(data.at(1).at(1).value<quint16*>(), &sideACount);
        QCOMPARE(data.at(1).at(2).value<quint8>(), quint8(0));
        QCOMPARE(sideACount, quint16(0));
        QCOMPARE(sideARecords, before);
    }

    void pulledCableEndsTheDownloadSoon()
    {
        unit->historyA = lines('A', 60);
        unit->hangUpAfterLines = 10;
        startUnit();
        QSignalSpy data(reader, &APP_KelmoraDataReader::dataReady);
        reader->readHistory('A', 60);
        QVERIFY(data.wait(20000));
        const qint64 endedAt = rig->peer->elapsedMs();
        const QList<ReaderPtyPeer::Received> wire = rig->peer->received();
        QVERIFY(!wire.isEmpty());
        QVERIFY(rig->waitForReader(5000));
        // The unit stopped about 10 lines after the request reached it.
        QVERIFY2(endedAt - wire.last().atMs < 2500,
                 qPrintable(QStringLiteral("%1 ms").arg(endedAt - wire.last().atMs)));
        QCOMPARE(data.first().at(2).value<quint8>(), quint8(1));
        QVERIFY(sideACount >= 9 && sideACount <= 11);
        QCOMPARE(numbers(sideARecords, sideACount), range(1, sideACount));
    }

    void receptionStopsAtTheLimitOfTheCount()
    {
        unit->historyA = lines('A', 40);
        unit->ignoreRequestedCount = true;
        startUnit();
        QSignalSpy data(reader, &APP_KelmoraDataReader::dataReady);
        // Asks for one record: 128 bytes are taken, the rest is not waited for.
        reader->readHistory('A', 1);
        QVERIFY(rig->waitForReader(20000));
        QCOMPARE(data.count(), 1);
        QCOMPARE(sideACount, quint16(1));
        QCOMPARE(sideARecords[0].number, 1);
    }

    void countsOutsideTheRangeSendNothing()
    {
        startUnit();
        QSignalSpy data(reader, &APP_KelmoraDataReader::dataReady);
        for (int count : {0, -5, 65536}) {
            reader->readHistory('A', count);
            QVERIFY(rig->waitForReader(5000));
        }
        QCOMPARE(data.count(), 3);
        for (const QList<QVariant>& signal : data)
            QCOMPARE(signal.at(2).value<quint8>(), quint8(0));
        QVERIFY(rig->wire().isEmpty());
    }

    void formatTagOfTheFirstLineIsKept()
    {
        QList<QByteArray> tagged = lines('A', 4);
        for (QByteArray& line : tagged)
            line.replace("=Nr", "=No");
        tagged[2].replace("=No", "=Nr");
        unit->historyA = tagged;
        startUnit();
        QVERIFY(!reader->recordFormatNo);
        reader->readHistory('A', 4);
        QVERIFY(rig->waitForReader(20000));
        QCOMPARE(sideACount, quint16(4));
        QVERIFY(reader->recordFormatNo);
    }

    void requestWhileRunningChangesNothing()
    {
        unit->historyA = lines('A', 20);
        unit->historyB = lines('B', 20);
        startUnit();
        QSignalSpy data(reader, &APP_KelmoraDataReader::dataReady);
        reader->readHistory('A', 20);
        reader->readHistory('B', 20);  // the thread runs: neither queued nor started
        QVERIFY(rig->waitForReader(20000));
        QCOMPARE(data.count(), 1);
        QCOMPARE(sideACount, quint16(20));
        QCOMPARE(sideBRecords, nullptr);
        QVERIFY(!rig->wire().contains("GET.B.HIS20"));
    }
};

QTEST_GUILESS_MAIN(TestReaderDownload)
#include "tst_readerdownload.moc"
