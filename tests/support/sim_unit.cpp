#include "sim_unit.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>

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
        const int space = line.indexOf(QLatin1Char(' '));
        if (space <= 0)
            continue;
        entries.append({line.left(space).toLongLong(), line.mid(space + 1).toLatin1()});
    }
    return entries;
}

QJsonObject SimulatedUnit::jsonDump() const
{
    QFile file(dumpPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}
