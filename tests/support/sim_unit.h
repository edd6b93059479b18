// Test helper: runs the simulated unit kelmora-unitsim as a child process.
//
//   SimulatedUnit unit;
//   QVERIFY2(unit.start({"--no-pacing", "--records-a", "20"}), qPrintable(unit.error()));
//   port.openPort(unit.devicePath(), 9600, 1);
//   ...
//   unit.logEntries();   // commands the unit received, with arrival times
//   unit.jsonDump();     // history records it sent, per side
//
// start() adds --log, --json-dump (files in a private temporary folder) and
// --exit-with-parent unless the caller passes its own --log / --json-dump.
// The destructor stops the unit. Start it from a thread that outlives it
// (the test's main thread): --exit-with-parent ends the unit with the thread
// that started it.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class SimulatedUnit
{
public:
    struct LogEntry
    {
        // The first byte of the command arrived after earliestMs and by ms
        // (ms since the epoch): the unit only knows it within that window.
        qint64 earliestMs = 0;
        qint64 ms = 0;
        QByteArray command;     // without CR LF
    };
    // How much sooner than the tool's interval two commands may seem to
    // arrive: the pseudo-terminal hands bytes over a moment after they were
    // written, and that moment grows on a loaded machine.
    static constexpr qint64 arrivalToleranceMs = 100;
    // Empty when no two consecutive commands can have arrived closer than
    // intervalMs - arrivalToleranceMs; otherwise which ones did. The
    // closest possible gap goes to *closestMs when given.
    static QString spacingFault(const QList<LogEntry>& entries, int intervalMs,
                                qint64* closestMs = nullptr);

    SimulatedUnit() = default;
    ~SimulatedUnit();
    SimulatedUnit(const SimulatedUnit&) = delete;
    SimulatedUnit& operator=(const SimulatedUnit&) = delete;

    // Starts build/bin/kelmora-unitsim and waits (at most timeoutMs) for the
    // device path it prints. False with error() set when it does not come.
    bool start(const QStringList& arguments = {}, int timeoutMs = 5000);
    // SIGTERM, a bounded wait, then SIGKILL. Safe to call twice.
    void stop();

    // Sends SIGINT (Ctrl+C) without waiting; false if not running.
    bool interrupt();
    bool isRunning() const;
    // Waits (bounded) for the unit to end on its own, e.g. after --cut-after.
    bool waitForExit(int timeoutMs);
    QString devicePath() const { return device; }
    qint64 processId() const { return process.processId(); }
    QString error() const { return lastError; }
    static QString program();

    QStringList logLines() const;
    QList<LogEntry> logEntries() const;
    QJsonObject jsonDump() const;

private:
    QProcess process;
    QTemporaryDir folder;
    QString device;
    QString lastError;
    QString logPath;
    QString dumpPath;
};
