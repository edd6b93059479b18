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
// The destructor stops the unit.
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
        qint64 ms = 0;          // first byte of the command, ms since the epoch
        QByteArray command;     // without CR LF
    };

    SimulatedUnit() = default;
    ~SimulatedUnit();
    SimulatedUnit(const SimulatedUnit&) = delete;
    SimulatedUnit& operator=(const SimulatedUnit&) = delete;

    // Starts build/bin/kelmora-unitsim and waits (at most timeoutMs) for the
    // device path it prints. False with error() set when it does not come.
    bool start(const QStringList& arguments = {}, int timeoutMs = 5000);
    // SIGTERM, a bounded wait, then SIGKILL. Safe to call twice.
    void stop();

    bool isRunning() const;
    // Waits (bounded) for the unit to end on its own, e.g. after --cut-after.
    bool waitForExit(int timeoutMs);
    QString devicePath() const { return device; }
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
