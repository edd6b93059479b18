// The reader over a real pseudo-terminal: single transactions, identifying
// both firmware generations, the even-parity reconnect, the three settings
// as bytes on the wire, and the history downloads with their failures.
#include "comm/com_line.h"
#include "reader/registerframing.h"
#include "reader_access.h"
#include "reader_rig.h"
#include "sim_unit.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TestReaderOps : public QObject
{
    Q_OBJECT

    std::unique_ptr<ReaderRig> rig;
    ReaderFakeUnit* unit = nullptr;
    APP_KelmoraDataReader* reader = nullptr;

    // False when the test has ended; the caller returns.
    bool connectPeer(ReaderPtyPeer::Handler handler)
    {
        if (!rig->startOrEndTest(std::move(handler)))
            return false;
        reader = rig->reader.get();
        return true;
    }
    bool connectUnit() { return connectPeer({}); }
    bool identify() { return rig->identify(); }
    QList<QByteArray> wire() const { return rig->wire(); }
    ReaderPtyPeer* peer() const { return rig->peer.get(); }

private Q_SLOTS:
    void init()
    {
        rig = std::make_unique<ReaderRig>();
        unit = rig->unit.get();
        reader = nullptr;
    }

    void cleanup() { rig.reset(); }

    void transactionSkipsNoiseInFrontOfTheReply()
    {
        if (!connectPeer([](ReaderPtyPeer& p, const QByteArray&) { p.send("\x01\x85 12 STS.C:3 4\r\n"); }))
            return;
        bool ok = false;
        const QString reply = ReaderTestAccess::transact(*reader, QStringLiteral("GET.C.STS\r\n"), &ok);
        QVERIFY(ok);
        QCOMPARE(reply, QStringLiteral("STS.C:3 4"));
        QCoreApplication::processEvents();
        QCOMPARE(rig->log.display, QList<QString>{reply});
        QCOMPARE(wire(), QList<QByteArray>{"GET.C.STS"});
    }

    void lineEndBeforeAnyReplyBlocksTheAttempt()
    {
        int calls = 0;
        if (!connectPeer([&calls](ReaderPtyPeer& p, const QByteArray&) {
            p.send(++calls == 1 ? QByteArray("\r\nHVN.C:1.5\r\n") : QByteArray("HVN.C:2.5\r\n"));
        }))
            return;
        QElapsedTimer clock;
        clock.start();
        bool ok = false;
        const QString reply = ReaderTestAccess::transact(*reader, QStringLiteral("TXP.C.HVN\r\n"), &ok);
        QVERIFY(ok);
        QCOMPARE(reply, QStringLiteral("HVN.C:2.5"));  // the second attempt's answer
        QVERIFY2(clock.elapsed() >= 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(peer()->countReceived("TXP.C.HVN"), 2);
    }

    void bytesWithoutLineEndKeepTheAttemptAlive()
    {
        if (!connectPeer([](ReaderPtyPeer& p, const QByteArray&) {
            for (int i = 0; i < 8; ++i) {  // 2.4 s, well past the 1 s silence time-out
                p.send("x");
                QThread::msleep(300);
            }
            p.send("HVN.C:7\r\n");
        }))
            return;
        bool ok = false;
        const QString reply = ReaderTestAccess::transact(*reader, QStringLiteral("TXP.C.HVN\r\n"), &ok);
        QVERIFY(ok);
        QCOMPARE(reply, QStringLiteral("HVN.C:7"));
        QCOMPARE(peer()->countReceived("TXP.C.HVN"), 1);
    }

    void silenceMeansThreeAttemptsThenFailure()
    {
        if (!connectPeer([](ReaderPtyPeer&, const QByteArray&) {}))
            return;
        QElapsedTimer clock;
        clock.start();
        bool ok = true;
        const QString reply = ReaderTestAccess::transact(*reader, QStringLiteral("TXP.C.HVN\r\n"), &ok);
        QVERIFY(!ok);
        QVERIFY(reply.isEmpty());
        QVERIFY2(clock.elapsed() >= 3000 && clock.elapsed() < 6000,
                 qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(peer()->countReceived("TXP.C.HVN"), 3);
    }

    void registerReplyIsTheLastKindLetterBeforeTheLineEnd()
    {
        if (!connectPeer([](ReaderPtyPeer& p, const QByteArray&) { p.send("ZZ r;12345;C;101;42;9\r\n"); }))
            return;
        bool ok = false;
        const QString reply = ReaderTestAccess::transactRegister(
            *reader, RegisterFraming::buildRegisterCommand(12345, 101, 'C', false), &ok);
        QVERIFY(ok);
        QCOMPARE(reply, QStringLiteral("r;12345;C;101;42;9"));
        QCOMPARE(wire(), QList<QByteArray>{"R;12345;C;101;" + QByteArray::number(
                                               RegisterFraming::registerChecksum("R;12345;C;101;"))});
    }

    // Reopens the rig's port with a line that plays the given write faults.
    bool reopenWithWriteHook(COM_SerialPort::WriteHook hook)
    {
        rig->port->closePort();
        if (!rig->port->wait(3000))
            return false;
        rig->port->setWriteHookForTests(std::move(hook));
        return rig->port->openPort(peer()->slavePath(), 9600, 1);
    }

    void failedWriteFailsTheTransactionAtOnce()
    {
        connectPeer([](ReaderPtyPeer& p, const QByteArray&) { p.send("HVN.C:1\r\n"); });
        QVERIFY(reopenWithWriteHook([](COM_Line&, const char*, qint64) -> qint64 { return -1; }));
        QElapsedTimer clock;
        clock.start();
        bool ok = true;
        QVERIFY(ReaderTestAccess::transact(*reader, QStringLiteral("TXP.C.HVN\r\n"), &ok).isEmpty());
        QVERIFY(!ok);
        // Learnt from the port, not from three silent attempts.
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(peer()->received().isEmpty());
    }

    void partialWriteReachesTheUnitOnceAndWhole()
    {
        connectPeer([](ReaderPtyPeer& p, const QByteArray&) { p.send("HVN.C:1.5\r\n"); });
        int calls = 0;
        QVERIFY(reopenWithWriteHook([&calls](COM_Line& line, const char* data, qint64 size) -> qint64 {
            return line.write(data, ++calls == 1 ? std::min<qint64>(size, 5) : size);
        }));
        bool ok = false;
        const QString reply = ReaderTestAccess::transact(*reader, QStringLiteral("TXP.C.HVN\r\n"), &ok);
        QVERIFY(ok);
        QCOMPARE(reply, QStringLiteral("HVN.C:1.5"));
        QCOMPARE(wire(), QList<QByteArray>{"TXP.C.HVN"});
        QCOMPARE(calls, 2);
    }

    void closedPortFailsAtOnce()
    {
        if (!connectPeer([](ReaderPtyPeer& p, const QByteArray&) { p.send("HVN.C:1\r\n"); }))
            return;
        rig->port->closePort();
        QElapsedTimer clock;
        clock.start();
        bool ok = true;
        QVERIFY(ReaderTestAccess::transact(*reader, QStringLiteral("TXP.C.HVN\r\n"), &ok).isEmpty());
        QVERIFY(!ok);
        QVERIFY(clock.elapsed() < 500);
    }

    void identifiesNewFirmware()
    {
        if (!connectUnit())
            return;
        QVERIFY(identify());
        QCOMPARE(reader->identity().hardwareVersion, 3.1);
        QCOMPARE(reader->identity().softwareVersion, QStringLiteral("2.05"));
        QCOMPARE(reader->identity().softwareVersionNumber, 2.0);
        QCOMPARE(reader->identity().pulseInput, 100);
        QCOMPARE(reader->identity().serialNumber, 12345);
        QCOMPARE(reader->identity().statusSideA, 3);
        QCOMPARE(reader->identity().statusSideB, 4);
        QCOMPARE(reader->identity().flags, 7);
        QCOMPARE(reader->identity().pvnValue, 4242);
        QCOMPARE(reader->identity().countryCode, 49);
        QCOMPARE(reader->identity().pcmText, QStringLiteral("HELLO"));
        const QByteArray read101 = "R;12345;C;101;";
        const QByteArray read104 = "R;12345;C;104;";
        const QList<QByteArray> expected{
            "TXP.C.HVN", "TXP.C.SVN", "TXP.C.IMP", "TXP.C.SNR", "GET.C.STS", "TXP.C.FLG",
            read101 + QByteArray::number(RegisterFraming::registerChecksum(read101)),
            read104 + QByteArray::number(RegisterFraming::registerChecksum(read104)),
            "GET.C.PCM"};
        QCOMPARE(wire(), expected);
    }

    void oldFirmwareToleratesStatusAndRegister101()
    {
        unit->softwareVersion = "1.36";
        unit->status = "5";        // no second number: the status query fails
        unit->register101 = "";    // unit error instead of a value
        unit->pcmReply = "PCM.C:Fehler 3";
        if (!connectUnit())
            return;
        QVERIFY(identify());
        QCOMPARE(reader->identity().softwareVersionNumber, 1.0);
        QCOMPARE(reader->identity().statusSideA, 0);
        QCOMPARE(reader->identity().statusSideB, 0);
        QCOMPARE(reader->identity().pvnValue, 0);
        QCOMPARE(reader->identity().pcmText, QStringLiteral("-1"));
    }

    void newFirmwareFailsOnStatus()
    {
        unit->softwareVersion = "2.00";
        unit->status = "5";
        if (!connectUnit())
            return;
        QVERIFY(!identify());
        QVERIFY(!wire().contains("TXP.C.FLG"));
    }

    void newFirmwareFailsOnRegister101()
    {
        unit->softwareVersion = "B2.1";
        unit->register101 = "";
        if (!connectUnit())
            return;
        QVERIFY(!identify());
        QVERIFY(!wire().contains("GET.C.PCM"));
    }

    void reconnectsWithEvenParityWhenTheFirstQueryIsUnanswered()
    {
        unit->ignoreCommands = 3;  // all three attempts of the first query
        if (!connectUnit())
            return;
        QVERIFY(identify());
        QCOMPARE(peer()->countReceived("TXP.C.HVN"), 4);
        QVERIFY(rig->port->isOpen());
        QCOMPARE(reader->identity().serialNumber, 12345);
    }

    void silentUnitFailsToConnect()
    {
        if (!connectPeer([](ReaderPtyPeer&, const QByteArray&) {}))
            return;
        QVERIFY(!identify());
        QCOMPARE(peer()->countReceived("TXP.C.HVN"), 6);  // three, reconnect, three more
    }

    // The adapter is pulled while the unit is identified: the connect fails
    // soon, the port announces the lost line once, and nothing is reopened
    // or sent afterwards.
    void adapterVanishingDuringIdentify()
    {
        unit->hangUpOnCommand = "TXP.C.SNR";
        connectUnit();
        QList<quint64> lost;
        QObject::connect(rig->port.get(), &COM_SerialPort::lineLost, rig->logContext.get(),
                         [&lost](quint64 generation, const QString&) { lost.append(generation); },
                         Qt::QueuedConnection);
        const quint64 generation = rig->port->generation();
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!identify());
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
        QCoreApplication::processEvents();
        QCOMPARE(lost, QList<quint64>{generation});
        QVERIFY(!rig->port->isOpen());
        QCOMPARE(wire().last(), QByteArray("TXP.C.SNR"));
        QCOMPARE(peer()->countReceived("TXP.C.HVN"), 1);
    }

    // A file opened after the connect brings its own serial number; the
    // register commands still address the unit on the line.
    void importWhileConnectedKeepsTheUnitAddress()
    {
        connectUnit();
        UnitIdentity identified;
        QObject::connect(reader, &APP_KelmoraDataReader::unitIdentified, rig->logContext.get(),
                         [&identified](const UnitIdentity& u) { identified = u; }, Qt::QueuedConnection);
        QVERIFY(identify());
        QCOMPARE(identified.serialNumber, 12345);
        QCOMPARE(identified.pcmText, QStringLiteral("HELLO"));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("old.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(fakeHistoryLine('A', 7) + "\r\n");
        file.close();
        QCOMPARE(reader->importDataFile(path).unit.serialNumber, -1);  // the file's unit is unknown
        QCOMPARE(reader->identity().serialNumber, 12345);  // still the unit on the line
        const int before = int(wire().size());
        QVERIFY(rig->runOperation([](APP_KelmoraDataReader& r) {
            r.setUnitTime(QDateTime(QDate(2024, 3, 5), QTime(7, 9)));
        }, 10000));
        QCOMPARE(rig->log.results, QList<bool>{true});
        const QByteArray write = "W;12345;C;110;240305;0709;";
        QVERIFY(wire().mid(before).contains(
            write + QByteArray::number(RegisterFraming::registerChecksum(write))));
        resetSideStorage();
    }

    // An operation that began on a connection sends nothing over a newer
    // one: the old transaction gives up as soon as its line is closed.
    void transactionOfAnEarlierConnectionSendsNothingOnTheNewOne()
    {
        connectPeer([](ReaderPtyPeer&, const QByteArray&) {});  // never answers
        const QString path = rig->port->portName();
        rig->reader->connectUnit();
        QTRY_VERIFY_WITH_TIMEOUT(peer()->countReceived("TXP.C.HVN") == 1, 5000);
        rig->port->closePort();
        QVERIFY(rig->port->openPort(path, 9600, 1));
        QVERIFY(rig->waitForReader(3000));
        QThread::msleep(600);  // longer than the write interval: a stray command would be out
        QCOMPARE(peer()->countReceived("TXP.C.HVN"), 1);
        QCOMPARE(rig->log.results, QList<bool>{false});
    }

    void resetModeOnTheWire()
    {
        if (!connectUnit())
            return;
        QVERIFY(identify());
        const int before = wire().size();
        QVERIFY(rig->runOperation([](APP_KelmoraDataReader& r) { r.resetOperationMode(); }, 10000));
        QCOMPARE(rig->log.results, QList<bool>{true});
        QCOMPARE(wire().mid(before), (QList<QByteArray>{"RXP.C.BTA 1 1", "STP.C.CON"}));
    }

    void pulseInputOnTheWire()
    {
        if (!connectUnit())
            return;
        QVERIFY(identify());
        const int before = wire().size();
        QVERIFY(rig->runOperation([](APP_KelmoraDataReader& r) { r.setPulseInput(250); }, 10000));
        QCOMPARE(rig->log.results, QList<bool>{true});
        QCOMPARE(wire().mid(before), (QList<QByteArray>{"RXP.C.IMP 250", "STP.C.CON", "TXP.C.IMP"}));
        QCOMPARE(reader->identity().pulseInput, 250);
    }

    void clockOnTheWire()
    {
        if (!connectUnit())
            return;
        QVERIFY(identify());
        const int before = wire().size();
        QVERIFY(rig->runOperation([](APP_KelmoraDataReader& r) { r.setUnitTime(QDateTime(QDate(2024, 3, 5), QTime(7, 9, 30))); }, 10000));
        QCOMPARE(rig->log.results, QList<bool>{true});
        const QByteArray write = "W;12345;C;110;240305;0709;";
        QCOMPARE(wire().mid(before),
                 (QList<QByteArray>{"R;12345;C;110;22",
                                    write + QByteArray::number(RegisterFraming::registerChecksum(write)),
                                    "R;12345;C;110;22", "STP.C.CON"}));
    }

    void clockWriteRejectedByTheUnitFails()
    {
        unit->clockValues = "240305";  // a read reply without the time value
        if (!connectUnit())
            return;
        QVERIFY(identify());
        QVERIFY(rig->runOperation([](APP_KelmoraDataReader& r) { r.setUnitTime(QDateTime(QDate(2024, 3, 5), QTime(7, 9))); }, 10000));
        QCOMPARE(rig->log.results, QList<bool>{false});
        QVERIFY(!wire().contains("STP.C.CON"));
    }

    void commandsNeverCloserThanTheWriteInterval()
    {
        if (!connectUnit())
            return;
        QVERIFY(identify());
        const QList<ReaderPtyPeer::Received> lines = peer()->received();
        QVERIFY(lines.size() >= 9);
        for (int i = 1; i < lines.size(); ++i) {
            const qint64 gap = lines.at(i).atMs - lines.at(i - 1).atMs;
            // The port keeps 250 ms from the end of one write to the next
            // (checked exactly on its own clock in tst_serialport and the
            // soak); the peer's reading can stamp one line late on a loaded
            // machine, so its stamps count only within the usual tolerance.
            QVERIFY2(gap >= 250 - SimulatedUnit::arrivalToleranceMs, qPrintable(QStringLiteral("%1 ms before %2").arg(gap).arg(
                                     QString::fromLatin1(lines.at(i).line))));
        }
    }

    // Downloads are in tst_readerdownload.cpp.
};

QTEST_GUILESS_MAIN(TestReaderOps)
#include "tst_readerops.moc"
