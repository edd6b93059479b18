// The port thread over real pseudo-terminals: names, open/close hand-over,
// write pacing, the receive ring, a pulled cable and the port scan.
#include "comm/com_line.h"
#include "comm/com_portnames.h"
#include "comm/com_serialport.h"
#include "comm/com_simlinks.h"
#include "sim_rawline.h"
#include "sim_unit.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QTest>

#include <atomic>

#include <QtGlobal>

#include <mutex>
#ifdef Q_OS_UNIX
#include <termios.h>
#endif

namespace {

// Polls a condition for at most timeoutMs.
template <typename Condition>
bool waitFor(Condition condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(2);
    }
    return true;
}

QByteArray ringText(const COM_SerialPort& port)
{
    return port.rxBytes(0, port.rxCount());
}

} // namespace

class TestSerialPort : public QObject
{
    Q_OBJECT

private slots:
    void devicePathKeepsFullPathsAndPrefixesBareNames();
    void naturalOrderComparesNumbersByValue();
    void bareAndFullNamesOpenTheSameLine();
    void secondOpenFailsAndLeavesThePortUntouched();
    void openOfMissingDeviceFails();
    void queueWriteWhileClosedLeavesNothing();
    void twoBlocksAreWrittenOneIntervalApart_data();
    void twoBlocksAreWrittenOneIntervalApart();
    void partialWriteSendsOnlyTheRest();
    void failedWriteIsNotSentAgain();
    void stalledWriteFailsAndNothingIsRepeated();
    void withdrawnBlockNeverGoesOut();
    void commandsReachTheUnitOneIntervalApart();
    void receiveRingWrapsAt2048();
    void parityCodeSelectsTheLineSettings();
    void evenParityReopenWorks();
    void closeThenImmediateReopenWorks();
    void pulledCableClosesThePort();
    void writesOfAnEarlierConnectionAreDropped();
    void simulatorCutMidHistoryClosesThePort();
    void closeReturnsTrueAndPortStaysUsableObject();
    void scanListsRunningSimulatorOnlyWhileItRuns();
    void simulatorRemovesItsLinkOnInterrupt();
    void scanSkipsStaleLinks();
};

void TestSerialPort::devicePathKeepsFullPathsAndPrefixesBareNames()
{
    QCOMPARE(COM_PortNames::devicePath(QStringLiteral("ttyS0")), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(COM_PortNames::devicePath(QStringLiteral("/dev/ttyUSB1")), QStringLiteral("/dev/ttyUSB1"));
    QCOMPARE(COM_PortNames::devicePath(QStringLiteral("pts/4")), QStringLiteral("/dev/pts/4"));
    // Applying the rule twice changes nothing: a reconnect passes the stored path.
    const QString once = COM_PortNames::devicePath(QStringLiteral("ttyACM0"));
    QCOMPARE(COM_PortNames::devicePath(once), once);
}

void TestSerialPort::naturalOrderComparesNumbersByValue()
{
    QVERIFY(COM_PortNames::naturalLess(QStringLiteral("ttyS2"), QStringLiteral("ttyS10")));
    QVERIFY(!COM_PortNames::naturalLess(QStringLiteral("ttyS10"), QStringLiteral("ttyS2")));
    QVERIFY(COM_PortNames::naturalLess(QStringLiteral("COM9"), QStringLiteral("COM10")));
    QVERIFY(COM_PortNames::naturalLess(QStringLiteral("ttyS9"), QStringLiteral("ttyUSB0")));
    QVERIFY(COM_PortNames::naturalLess(QStringLiteral("ttyS"), QStringLiteral("ttyS0")));
    QVERIFY(!COM_PortNames::naturalLess(QStringLiteral("ttyS3"), QStringLiteral("ttyS3")));
    // Equal by value but different text: still a strict order.
    QVERIFY(COM_PortNames::naturalLess(QStringLiteral("x01"), QStringLiteral("x1"))
            != COM_PortNames::naturalLess(QStringLiteral("x1"), QStringLiteral("x01")));

    QStringList names{"ttyS10", "ttyUSB0", "ttyS2", "ttyS1", "/dev/pts/12", "/dev/pts/3", "ttyS100"};
    std::sort(names.begin(), names.end(), COM_PortNames::naturalLess);
    QCOMPARE(names, (QStringList{"/dev/pts/3", "/dev/pts/12", "ttyS1", "ttyS2", "ttyS10", "ttyS100", "ttyUSB0"}));
}

void TestSerialPort::bareAndFullNamesOpenTheSameLine()
{
    RawLine peer;
    QVERIFY(peer.openPeer());
    QVERIFY(peer.devicePath().startsWith(QStringLiteral("/dev/")));
    const QString bare = peer.devicePath().mid(5); // "pts/N"

    COM_SerialPort port;
    QVERIFY(port.openPort(bare, 9600, 1));
    QCOMPARE(port.portName(), peer.devicePath());
    QCOMPARE(port.baudRate(), 9600u);
    port.queueWrite("bare\r\n");
    QCOMPARE(peer.readLine(2000), QByteArray("bare"));
    QVERIFY(port.closePort());
    QVERIFY(!port.isOpen());

    QVERIFY(port.openPort(peer.devicePath(), 9600, 1));
    QCOMPARE(port.portName(), peer.devicePath());
    port.queueWrite("full\r\n");
    QCOMPARE(peer.readLine(2000), QByteArray("full"));
}

void TestSerialPort::secondOpenFailsAndLeavesThePortUntouched()
{
    RawLine peer, other;
    QVERIFY(peer.openPeer());
    QVERIFY(other.openPeer());
    COM_SerialPort port;
    QVERIFY(port.openPort(peer.devicePath(), 9600, 1));
    QVERIFY(!port.openPort(other.devicePath(), 19200, 2));
    QVERIFY(port.isOpen());
    QCOMPARE(port.portName(), peer.devicePath());
    QCOMPARE(port.baudRate(), 9600u);
    // Both directions still work on the first line.
    port.queueWrite("still\r\n");
    QCOMPARE(peer.readLine(2000), QByteArray("still"));
    QVERIFY(peer.write("back"));
    QVERIFY(waitFor([&] { return port.rxCount() == 4; }, 2000));
    QCOMPARE(ringText(port), QByteArray("back"));
    QVERIFY(other.readUntilSilent(100, 300).isEmpty());
}

void TestSerialPort::openOfMissingDeviceFails()
{
    COM_SerialPort port;
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!port.openPort(QStringLiteral("/dev/kelmora-no-such-port"), 9600, 1));
    QVERIFY(clock.elapsed() < 3500);
    QVERIFY(!port.isOpen());
    port.queueWrite("dropped");
    QCOMPARE(port.rxCount(), 0);
}

void TestSerialPort::queueWriteWhileClosedLeavesNothing()
{
    RawLine peer;
    QVERIFY(peer.openPeer());
    COM_SerialPort port;
    port.queueWrite("never\r\n");            // before any open
    QVERIFY(port.openPort(peer.devicePath(), 9600, 1));
    QVERIFY(port.closePort());
    port.queueWrite("closed\r\n");           // after a close
    QVERIFY(port.openPort(peer.devicePath(), 9600, 1));
    port.queueWrite("live\r\n");
    // Only the block queued while open reaches the line.
    QCOMPARE(peer.readUntilSilent(400, 2000), QByteArray("live\r\n"));
}

void TestSerialPort::twoBlocksAreWrittenOneIntervalApart_data()
{
    QTest::addColumn<int>("firstWriteHeldMs");
    QTest::newRow("a line that takes the block at once") << 0;
    // A busy machine or driver holds the first write up for longer than the
    // interval: the second must still wait a whole interval after it.
    QTest::newRow("a first write held up 400 ms") << 400;
}

void TestSerialPort::twoBlocksAreWrittenOneIntervalApart()
{
    QFETCH(int, firstWriteHeldMs);
    RawLine peer;
    QVERIFY(peer.openPeer());
    // Declared before the port, which calls the observer until it is gone.
    struct Write { qint64 startMs, endMs; };
    std::mutex writesMutex;
    QList<Write> writes;
    std::atomic<int> calls{0};
    COM_SerialPort port;
    QCOMPARE(port.writeIntervalMs(), 250);
    port.setWriteHookForTests([&](COM_Line& line, const char* data, qint64 size) -> qint64 {
        const qint64 n = line.write(data, size);
        if (++calls == 1 && firstWriteHeldMs > 0) {
            line.waitForBytesWritten(100);
            QThread::msleep(ulong(firstWriteHeldMs));
        }
        return n;
    });
    port.setWriteObserverForTests([&](const QByteArray&, qint64 startMs, qint64 endMs) {
        std::lock_guard<std::mutex> lock(writesMutex);
        writes.append({startMs, endMs});
    });
    QVERIFY(port.openPort(peer.devicePath(), 9600, 1));
    port.queueWrite("FIRST\r\n");
    port.queueWrite("SECOND\r\n");
    const QList<RawLine::Arrival> arrivals = peer.readTimed(3000 + firstWriteHeldMs, 15);
    QByteArray all;
    qint64 firstAt = -1, secondAt = -1;
    for (const RawLine::Arrival& a : arrivals) {
        if (firstAt < 0 && (all + a.bytes).contains("FIRST"))
            firstAt = a.ms;
        all += a.bytes;
        if (secondAt < 0 && a.bytes.contains('S') && all.contains("\r\nS"))
            secondAt = a.ms;
    }
    QCOMPARE(all, QByteArray("FIRST\r\nSECOND\r\n"));
    QVERIFY(firstAt >= 0 && secondAt >= 0);
    // The first goes out at once, not held back by an interval.
    QVERIFY2(firstAt < 240, qPrintable(QString::number(firstAt)));
    // The port's own clock: the second write starts more than one interval
    // after the first has ended, however long that took. (It is told of a
    // write once the line has taken it, a moment after the peer may see it.)
    QVERIFY(waitFor([&] { std::lock_guard<std::mutex> lock(writesMutex); return writes.size() == 2; }, 2000));
    std::lock_guard<std::mutex> lock(writesMutex);
    QVERIFY(writes.at(0).endMs - writes.at(0).startMs >= firstWriteHeldMs);
    QVERIFY2(writes.at(1).startMs - writes.at(0).endMs > 250,
             qPrintable(QString::number(writes.at(1).startMs - writes.at(0).endMs)));
    // The peer sees the same, give or take the moment its own reading took.
    QVERIFY2(secondAt - firstAt >= 250 + firstWriteHeldMs - SimulatedUnit::arrivalToleranceMs,
             qPrintable(QString::number(secondAt - firstAt)));
}

namespace {

// A line that takes the first `accept` bytes of the first call only, then
// behaves normally: a short write as a slow or busy driver gives it.
COM_SerialPort::WriteHook shortFirstWrite(int accept, std::atomic<int>* calls)
{
    return [accept, calls](COM_Line& line, const char* data, qint64 size) -> qint64 {
        return ++*calls == 1 ? line.write(data, std::min<qint64>(accept, size)) : line.write(data, size);
    };
}

} // namespace

void TestSerialPort::partialWriteSendsOnlyTheRest()
{
    RawLine peer;
    QVERIFY(peer.openPeer());
    COM_SerialPort port;
    port.setWriteIntervalMs(50);
    std::atomic<int> calls{0};  // counted on the port's thread
    port.setWriteHookForTests(shortFirstWrite(4, &calls));
    QVERIFY(port.openPort(peer.devicePath(), 9600, 1));
    const auto first = port.queueWrite("TXP.C.HVN\r\n");
    const auto second = port.queueWrite("TXP.C.SVN\r\n");
    QVERIFY(first != COM_SerialPort::noTicket && second != first);
    // Each command once and whole: no second copy of the first after its
    // fragment, nothing glued in between.
    QCOMPARE(peer.readUntilSilent(400, 3000), QByteArray("TXP.C.HVN\r\nTXP.C.SVN\r\n"));
    QCOMPARE(calls.load(), 3);
    QCOMPARE(port.writeOutcome(first), COM_SerialPort::WriteOutcome::Written);
    QCOMPARE(port.writeOutcome(second), COM_SerialPort::WriteOutcome::Written);
}

void TestSerialPort::failedWriteIsNotSentAgain()
{
    RawLine peer;
    QVERIFY(peer.openPeer());
    COM_SerialPort port;
    port.setWriteIntervalMs(50);
    std::atomic<int> calls{0};  // counted on the port's thread
    port.setWriteHookForTests([&calls](COM_Line& line, const char* data, qint64 size) -> qint64 {
        return ++calls == 1 ? -1 : line.write(data, size);
    });
    QVERIFY(port.openPort(peer.devicePath(), 9600, 1));
    const auto failing = port.queueWrite("TXP.C.HVN\r\n");
    QVERIFY(waitFor([&] { return port.writeOutcome(failing) != COM_SerialPort::WriteOutcome::Queued; }, 2000));
    QCOMPARE(port.writeOutcome(failing), COM_SerialPort::WriteOutcome::Failed);
    // The caller's next attempt is the only copy that reaches the line.
    const auto retry = port.queueWrite("TXP.C.HVN\r\n");
    QCOMPARE(peer.readUntilSilent(500, 3000), QByteArray("TXP.C.HVN\r\n"));
    QCOMPARE(calls.load(), 2);
    QCOMPARE(port.writeOutcome(retry), COM_SerialPort::WriteOutcome::Written);
    QCOMPARE(port.writeOutcome(failing), COM_SerialPort::WriteOutcome::Failed);
}

void TestSerialPort::stalledWriteFailsAndNothingIsRepeated()
{
    RawLine peer;
    QVERIFY(peer.openPeer());
    COM_SerialPort port;
    port.setWriteIntervalMs(50);
    // The line takes three bytes of the stalling command and then nothing.
    port.setWriteHookForTests([](COM_Line& line, const char* data, qint64 size) -> qint64 {
        const QByteArray rest(data, int(size));
        if (rest == "R;1;A;STALL\r\n")
            return line.write(data, 3);
        if (rest.endsWith("STALL\r\n"))
            return 0;
        return line.write(data, size);
    });
    QVERIFY(port.openPort(peer.devicePath(), 9600, 1));
    QElapsedTimer clock;
    clock.start();
    const auto stalled = port.queueWrite("R;1;A;STALL\r\n");
    const auto next = port.queueWrite("NEXT\r\n");
    QVERIFY(waitFor([&] { return port.writeOutcome(next) == COM_SerialPort::WriteOutcome::Written; }, 4000));
    QCOMPARE(port.writeOutcome(stalled), COM_SerialPort::WriteOutcome::Failed);
    // The stall is bounded, and what went out is the fragment once.
    QVERIFY2(clock.elapsed() >= 900, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(peer.readUntilSilent(400, 3000), QByteArray("R;1NEXT\r\n"));
}

void TestSerialPort::withdrawnBlockNeverGoesOut()
{
    RawLine peer;
    QVERIFY(peer.openPeer());
    COM_SerialPort port;
    port.setWriteIntervalMs(1000);
    QVERIFY(port.openPort(peer.devicePath(), 9600, 1));
    const auto first = port.queueWrite("FIRST\r\n");
    QVERIFY(waitFor([&] { return port.writeOutcome(first) == COM_SerialPort::WriteOutcome::Written; }, 2000));
    const auto second = port.queueWrite("SECOND\r\n");  // held back by the interval
    QCOMPARE(port.writeOutcome(second), COM_SerialPort::WriteOutcome::Queued);
    QVERIFY(port.withdrawWrite(second));
    QVERIFY(!port.withdrawWrite(second));
    QVERIFY(!port.withdrawWrite(first));                // already out
    QCOMPARE(port.writeOutcome(second), COM_SerialPort::WriteOutcome::Dropped);
    QCOMPARE(peer.readUntilSilent(1500, 3000), QByteArray("FIRST\r\n"));
    port.closePort();
    QCOMPARE(port.queueWrite("closed\r\n"), COM_SerialPort::noTicket);
}

void TestSerialPort::commandsReachTheUnitOneIntervalApart()
{
    SimulatedUnit unit;
    QVERIFY2(unit.start({QStringLiteral("--no-pacing")}), qPrintable(unit.error()));
    COM_SerialPort port;
    QVERIFY(port.openPort(unit.devicePath(), 9600, 1));
    const QList<QByteArray> commands{"TXP.C.HVN", "TXP.C.SVN", "TXP.C.IMP", "TXP.C.SNR"};
    for (const QByteArray& command : commands)
        port.queueWrite(command + "\r\n");
    QVERIFY(waitFor([&] { return unit.logEntries().size() == commands.size(); }, 3000));
    const QList<SimulatedUnit::LogEntry> log = unit.logEntries();
    for (int i = 0; i < log.size(); ++i)
        QCOMPARE(log[i].command, commands[i]);
    const QString fault = SimulatedUnit::spacingFault(log, port.writeIntervalMs());
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    QVERIFY(waitFor([&] { return ringText(port).count("\r\n") == 4; }, 2000));
    QCOMPARE(ringText(port), QByteArray("HVN.C:1.2\r\nSVN.C:1.35\r\nIMP.C:100\r\nSNR.C:12345\r\n"));
}

void TestSerialPort::receiveRingWrapsAt2048()
{
    RawLine peer;
    QVERIFY(peer.openPeer());
    COM_SerialPort port;
    QVERIFY(port.openPort(peer.devicePath(), 9600, 1));
    QByteArray filler(2047, '\0');
    for (int i = 0; i < filler.size(); ++i)
        filler[i] = char('a' + i % 26);
    QVERIFY(peer.write(filler));
    QVERIFY(waitFor([&] { return port.rxCount() == 2047; }, 3000));
    QCOMPARE(port.rxBytes(0, 2047), filler);

    QVERIFY(peer.write("X"));                 // the 2048th byte
    QVERIFY(waitFor([&] { return port.rxCount() == 0; }, 2000));
    QCOMPARE(port.rxBytes(2047, 2048), QByteArray("X"));
    QVERIFY(peer.write("Y"));
    QVERIFY(waitFor([&] { return port.rxCount() == 1; }, 2000));
    QCOMPARE(port.rxBytes(0, 1), QByteArray("Y"));
    QCOMPARE(port.rxBytes(1, 3), filler.mid(1, 2)); // older bytes are not cleared
    // A reader that took the first 2040 bytes gets the rest across the wrap;
    // one that took nothing has lost what the ring wrote over.
    QCOMPARE(port.rxTotal(), quint64(2049));
    COM_SerialPort::RxTake take = port.takeRxBytes(2040);
    QCOMPARE(take.lost, quint64(0));
    QCOMPARE(take.bytes, filler.mid(2040) + "XY");
    take = port.takeRxBytes(0);
    QCOMPARE(take.lost, quint64(1));
    QCOMPARE(take.bytes, filler.mid(1) + "XY");
    QVERIFY(port.takeRxBytes(2049).bytes.isEmpty());

    port.resetRxCount();
    QCOMPARE(port.rxCount(), 0);
    QCOMPARE(port.rxTotal(), quint64(0));
    QCOMPARE(port.rxBytes(-5, 1), QByteArray("Y"));  // clamped, not out of range
    QCOMPARE(port.rxBytes(2047, 5000), QByteArray("X"));
}

void TestSerialPort::parityCodeSelectsTheLineSettings()
{
    // A pseudo-terminal always reports 8 bits without parity, so the parity
    // choice is checked at its source.
    QCOMPARE(COM_SerialPort::parityForCode(1), int(QSerialPort::NoParity));
    QCOMPARE(COM_SerialPort::parityForCode(2), int(QSerialPort::EvenParity));
    QCOMPARE(COM_SerialPort::parityForCode(0), int(QSerialPort::OddParity));
    QCOMPARE(COM_SerialPort::parityForCode(3), int(QSerialPort::OddParity));
    QCOMPARE(COM_SerialPort::parityForCode(255), int(QSerialPort::OddParity));

#ifdef Q_OS_UNIX
    // What the line does keep: rate, stop bits, no hardware flow control.
    RawLine peer;
    QVERIFY(peer.openPeer());
    COM_SerialPort port;
    QVERIFY(port.openPort(peer.devicePath(), 19200, 2));
    const unsigned flags = peer.slaveControlFlags();
    QCOMPARE(flags & CBAUD, unsigned(B19200));
    QCOMPARE(flags & CSIZE, unsigned(CS8));
    QVERIFY(!(flags & CSTOPB));
    QVERIFY(!(flags & CRTSCTS));
#endif
}

void TestSerialPort::evenParityReopenWorks()
{
    RawLine peer;
    QVERIFY(peer.openPeer());
    COM_SerialPort port;
    QVERIFY(port.openPort(peer.devicePath(), 9600, 1));
    QVERIFY(port.closePort());
    // The reader's reconnect: the stored path, 9600 baud, even parity.
    QVERIFY(port.openPort(port.portName(), 9600, 2));
    port.queueWrite("TXP.C.HVN\r\n");
    QCOMPARE(peer.readLine(2000), QByteArray("TXP.C.HVN"));
    QVERIFY(peer.write("HVN.C:1.2\r\n"));
    QVERIFY(waitFor([&] { return port.rxCount() == 11; }, 2000));
    QCOMPARE(ringText(port), QByteArray("HVN.C:1.2\r\n"));
}

void TestSerialPort::closeThenImmediateReopenWorks()
{
    RawLine peer;
    QVERIFY(peer.openPeer());
    COM_SerialPort port;
    for (int round = 0; round < 10; ++round) {
        QVERIFY2(port.openPort(peer.devicePath(), 9600, quint8(1 + round % 2)), qPrintable(QString::number(round)));
        port.queueWrite(QByteArray::number(round) + "\r\n");
        QVERIFY(port.closePort());
    }
    QVERIFY(port.openPort(peer.devicePath(), 9600, 1));
    QVERIFY(port.isOpen());
    peer.readUntilSilent(300, 3000); // whatever the short sessions managed to send
    port.queueWrite("last\r\n");
    QCOMPARE(peer.readLine(2000), QByteArray("last"));
    QVERIFY(peer.write("ok"));
    QVERIFY(waitFor([&] { return port.rxCount() == 2; }, 2000));
}

void TestSerialPort::pulledCableClosesThePort()
{
    RawLine peer;
    QVERIFY(peer.openPeer());
    const QString device = peer.devicePath();
    COM_SerialPort port;
    std::mutex lostMutex;
    QList<quint64> lost;  // raised on the port thread
    QObject::connect(&port, &COM_SerialPort::lineLost, &port, [&](quint64 generation, const QString&) {
        std::lock_guard<std::mutex> lock(lostMutex);
        lost.append(generation);
    }, Qt::DirectConnection);
    QVERIFY(port.openPort(device, 9600, 1));
    const quint64 generation = port.generation();
    QVERIFY(peer.write("partial"));
    QVERIFY(waitFor([&] { return port.rxCount() == 7; }, 2000));
    peer.close();
    QVERIFY(waitFor([&] { return !port.isOpen(); }, 1500));
    // Announced once, naming the connection that went.
    QVERIFY(waitFor([&] { std::lock_guard<std::mutex> lock(lostMutex); return !lost.isEmpty(); }, 1500));
    QTest::qWait(50);
    {
        std::lock_guard<std::mutex> lock(lostMutex);
        QCOMPARE(lost, QList<quint64>{generation});
    }
    QVERIFY(!port.queueWrite("late\r\n", generation));
    port.queueWrite("after\r\n");            // dropped, no crash
    QCOMPARE(ringText(port), QByteArray("partial"));
    QVERIFY(port.closePort());
    // The line is gone for good, so a reopen fails instead of hanging.
    QVERIFY(!port.openPort(device, 9600, 2));
    QVERIFY(!port.isOpen());
}

// A command of an operation begun on an earlier connection never goes out
// over a newer one, and cannot clear the newer one's reception; closing by
// hand announces no lost line.
void TestSerialPort::writesOfAnEarlierConnectionAreDropped()
{
    RawLine peer;
    QVERIFY(peer.openPeer());
    COM_SerialPort port;
    std::atomic<int> lost{0};
    QObject::connect(&port, &COM_SerialPort::lineLost, &port, [&lost] { ++lost; }, Qt::DirectConnection);
    QVERIFY(port.openPort(peer.devicePath(), 9600, 1));
    const quint64 first = port.generation();
    QVERIFY(port.closePort());
    QVERIFY(port.generation() != first);
    QVERIFY(!port.queueWrite("closed\r\n", first));
    QVERIFY(port.openPort(peer.devicePath(), 9600, 1));
    const quint64 second = port.generation();
    QVERIFY(second != first);
    QVERIFY(!port.queueWrite("old\r\n", first));
    QVERIFY(peer.write("new data"));
    QVERIFY(waitFor([&] { return port.rxCount() == 8; }, 2000));
    QVERIFY(!port.resetRxCount(first));
    QCOMPARE(port.rxCount(), 8);
    QVERIFY(port.queueWrite("current\r\n", second));
    QCOMPARE(peer.readLine(2000), QByteArray("current"));
    QVERIFY(peer.readUntilSilent(400, 2000).isEmpty());
    QVERIFY(port.resetRxCount(second));
    QCOMPARE(port.rxCount(), 0);
    QVERIFY(port.closePort());
    QTest::qWait(50);
    QCOMPARE(lost.load(), 0);
}

void TestSerialPort::simulatorCutMidHistoryClosesThePort()
{
    SimulatedUnit unit;
    QVERIFY2(unit.start({QStringLiteral("--cut-after"), QStringLiteral("300")}), qPrintable(unit.error()));
    COM_SerialPort port;
    QVERIFY(port.openPort(unit.devicePath(), 9600, 1));
    port.queueWrite("GET.A.HIS50\r\n");
    // 300 bytes at 9600 baud take about a third of a second, then the line dies.
    QVERIFY(waitFor([&] { return !port.isOpen(); }, 4000));
    QCOMPARE(port.rxCount(), 300);
    QVERIFY(ringText(port).startsWith("A=Nr."));
    QVERIFY(unit.waitForExit(2000));
    QVERIFY(!port.openPort(unit.devicePath(), 9600, 2));
}

void TestSerialPort::closeReturnsTrueAndPortStaysUsableObject()
{
    COM_SerialPort port;
    QVERIFY(port.closePort());                // never opened
    QVERIFY(port.closePort());
    QVERIFY(!port.isOpen());
    RawLine peer;
    QVERIFY(peer.openPeer());
    QVERIFY(port.openPort(peer.devicePath(), 9600, 1));
    QVERIFY(port.isOpen());
}

void TestSerialPort::scanListsRunningSimulatorOnlyWhileItRuns()
{
    SimulatedUnit unit;
    QVERIFY2(unit.start({QStringLiteral("--no-pacing")}), qPrintable(unit.error()));
    const QStringList running = COM_PortNames::scanPorts();
    QVERIFY2(running.contains(unit.devicePath()), qPrintable(running.join(QLatin1Char(','))));
    // The listed name is one openPort accepts.
    COM_SerialPort port;
    QVERIFY(port.openPort(unit.devicePath(), 9600, 1));
    port.queueWrite("TXP.C.SNR\r\n");
    QVERIFY(waitFor([&] { return ringText(port).endsWith("\r\n"); }, 2000));
    QCOMPARE(ringText(port), QByteArray("SNR.C:12345\r\n"));
    // A line held by a program (here: by this port) is still listed.
    QVERIFY(COM_PortNames::scanPorts().contains(unit.devicePath()));
    port.closePort();

    const QString ownLink = simlinks::linkFolder() + QLatin1Char('/') + simlinks::linkName(unit.processId());
    QVERIFY(QFileInfo(ownLink).isSymLink());
    unit.stop();
    QVERIFY(!QFileInfo(ownLink).isSymLink());
    // Other tests may run simulators at the same time, and a freed
    // pseudo-terminal number is reused at once; the device may only be
    // listed again if another running simulator owns it now.
    if (COM_PortNames::scanPorts().contains(unit.devicePath())) {
        const QDir folder(simlinks::linkFolder());
        bool ownedByAnother = false;
        for (const QString& link : folder.entryList({QStringLiteral("sim-*")}, QDir::System | QDir::Files))
            ownedByAnother |= QFileInfo(folder.filePath(link)).symLinkTarget() == unit.devicePath();
        QVERIFY(ownedByAnother);
    }
}

void TestSerialPort::simulatorRemovesItsLinkOnInterrupt()
{
    SimulatedUnit unit;
    QVERIFY2(unit.start({QStringLiteral("--no-pacing")}), qPrintable(unit.error()));
    const QFileInfo link(simlinks::linkFolder() + QLatin1Char('/') + simlinks::linkName(unit.processId()));
    QVERIFY(link.isSymLink());
    QCOMPARE(link.symLinkTarget(), unit.devicePath());
    QVERIFY(unit.interrupt());
    QVERIFY(unit.waitForExit(3000));
    QVERIFY(!QFileInfo(link.filePath()).isSymLink());
}

void TestSerialPort::scanSkipsStaleLinks()
{
    // A link left by a killed simulator: its process is gone.
    const QString folder = simlinks::linkFolder(true);
    QVERIFY(!folder.isEmpty());
    const QString stale = folder + QStringLiteral("/") + simlinks::linkName(2147483000);
    QFile::remove(stale);
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), stale));
    const QStringList ports = COM_PortNames::scanPorts();
    QFile::remove(stale);
    QVERIFY(!ports.contains(QStringLiteral("/dev/null")));
}

QTEST_GUILESS_MAIN(TestSerialPort)
#include "tst_serialport.moc"
