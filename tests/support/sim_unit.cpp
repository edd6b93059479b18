#include "sim_unit.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/types.h>
#endif

SimulatedUnit::~SimulatedUnit()
{
    stop();
}

QString SimulatedUnit::program()
{
    return QStringLiteral(KELMORA_BIN_DIR "/kelmora-unitsim");
}

bool SimulatedUnit::start(const QStringList& arguments, int timeoutMs)
{
    stop();
    device.clear();
    lastError.clear();
    QStringList args = arguments;
    logPath = folder.filePath(QStringLiteral("unit.log"));
    dumpPath = folder.filePath(QStringLiteral("unit.json"));
    if (!args.contains(QStringLiteral("--log")))
        args << QStringLiteral("--log") << logPath;
    else
        logPath = args.value(args.indexOf(QStringLiteral("--log")) + 1);
    if (!args.contains(QStringLiteral("--json-dump")))
        args << QStringLiteral("--json-dump") << dumpPath;
    else
        dumpPath = args.value(args.indexOf(QStringLiteral("--json-dump")) + 1);
    args << QStringLiteral("--exit-with-parent");
    QFile::remove(logPath);
    QFile::remove(dumpPath);

    // The device path comes on stdout; the unit's complaints go to the
    // test's own stderr where a failing test shows them.
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setReadChannel(QProcess::StandardOutput);
    process.start(program(), args);
    const QDeadlineTimer deadline(timeoutMs);
    if (!process.waitForStarted(timeoutMs)) {
        lastError = QStringLiteral("cannot start ") + program() + QStringLiteral(": ") + process.errorString();
        return false;
    }
    while (!process.canReadLine() && process.state() == QProcess::Running && !deadline.hasExpired())
        process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    if (!process.canReadLine()) {
        lastError = QStringLiteral("simulated unit printed no device path");
        stop();
        return false;
    }
    device = QString::fromLocal8Bit(process.readLine()).trimmed();
    return true;
}

void SimulatedUnit::stop()
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(2000);
    }
}

bool SimulatedUnit::interrupt()
{
#ifdef Q_OS_UNIX
    if (process.state() != QProcess::Running)
        return false;
    return ::kill(pid_t(process.processId()), SIGINT) == 0;
#else
    return false;
#endif
}

bool SimulatedUnit::isRunning() const
{
    return process.state() != QProcess::NotRunning;
}

bool SimulatedUnit::waitForExit(int timeoutMs)
{
    if (process.state() == QProcess::NotRunning)
        return true;
    return process.waitForFinished(timeoutMs);
}

QStringList SimulatedUnit::logLines() const
{
    QFile file(logPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QList<SimulatedUnit::LogEntry> SimulatedUnit::logEntries() const
{
    QList<LogEntry> entries;
    for (const QString& line : logLines()) {
        // "<earliest> <latest> <command>"; commands never start with a digit.
        const QStringList parts = line.split(QLatin1Char(' '));
        bool earliestOk = false, latestOk = false;
        if (parts.size() < 3)
            continue;
        const qint64 earliest = parts.at(0).toLongLong(&earliestOk);
        const qint64 latest = parts.at(1).toLongLong(&latestOk);
        if (!earliestOk || !latestOk)
            continue;
        entries.append({earliest, latest, parts.mid(2).join(QLatin1Char(' ')).toLatin1()});
    }
    return entries;
}

QString SimulatedUnit::spacingFault(const QList<LogEntry>& entries, int intervalMs, qint64* closestMs)
{
    // The widest the gap can have been: from the earliest the first command
    // can have come to the latest the second can have come.
    for (qsizetype i = 1; i < entries.size(); ++i) {
        const qint64 widest = entries.at(i).ms - entries.at(i - 1).earliestMs;
        if (closestMs)
            *closestMs = qMin(*closestMs, widest);
        if (widest < intervalMs - arrivalToleranceMs)
            return QStringLiteral("at most %1 ms before %2").arg(widest).arg(QString::fromLatin1(entries.at(i).command));
    }
    return {};
}

QJsonObject SimulatedUnit::jsonDump() const
{
    QFile file(dumpPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

#if defined(__SANITIZE_THREAD__)
#define KELMORA_TSAN_TESTS 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KELMORA_TSAN_TESTS 1
#endif
#endif
#ifdef KELMORA_TSAN_TESTS
// QProcess forks from a process whose port threads run; the child only
// execs the simulator, so ThreadSanitizer's refusal to go on is lifted.
extern "C" const char* __tsan_default_options()
{
    return "die_after_fork=0";
}
#endif
