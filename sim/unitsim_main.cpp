// kelmora-unitsim: a simulated Kelmora unit on a pseudo-terminal. See --help.
#include "unitsim_line.h"
#include "unitsim_options.h"
#include "unitsim_unit.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>

#include <csignal>
#include <cstdio>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace {

volatile std::sig_atomic_t stopSignal = 0;

void onStopSignal(int)
{
    stopSignal = 1;
}

void installStopHandlers()
{
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no restart: poll() returns at once
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

void writeJsonDump(const QString& path, const QJsonObject& document)
{
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(QJsonDocument(document).toJson(QJsonDocument::Indented)) < 0 || !file.commit())
        std::fprintf(stderr, "kelmora-unitsim: cannot write %s\n", qPrintable(path));
}

// Feeds received bytes to the unit: a command ends at CR or LF.
class CommandAssembler
{
public:
    CommandAssembler(const UnitSimOptions& options, UnitSimLine& line, QFile* log)
        : options(options), unit(options), line(line), log(log) {}

    bool closeWhenDrained = false;

    // The bytes came in after notBeforeMs (when the line was last seen
    // empty) and by readMs: a command's arrival is known only within
    // that window, which grows when this process is held up.
    void feed(const QByteArray& bytes, qint64 notBeforeMs, qint64 readMs)
    {
        for (char byte : bytes) {
            if (byte == '\r' || byte == '\n') {
                if (!pending.isEmpty())
                    handle();
                pending.clear();
                continue;
            }
            if (pending.isEmpty()) {
                firstByteEarliestMs = notBeforeMs;
                firstByteLatestMs = readMs;
            }
            if (pending.size() < 4096) // a runaway line is cut, not grown
                pending += byte;
        }
    }

private:
    void handle()
    {
        if (log) {
            log->write(QByteArray::number(firstByteEarliestMs) + ' ' + QByteArray::number(firstByteLatestMs)
                       + ' ' + pending + '\n');
            log->flush();
        }
        const UnitReply reply = unit.answer(pending);
        line.send(reply.bytes);
        if (reply.history)
            writeJsonDump(options.jsonDumpPath, unit.sentRecords());
        if (reply.closeLine)
            closeWhenDrained = true;
    }

    const UnitSimOptions& options;
    SimulatedUnitLogic unit;
    UnitSimLine& line;
    QFile* log;
    QByteArray pending;
    qint64 firstByteEarliestMs = 0;
    qint64 firstByteLatestMs = 0;
};

// The whole history of both sides as the unit would send it, oldest first.
bool writeHistoryFiles(const UnitSimOptions& options)
{
    for (const char side : {'A', 'B'}) {
        QFile file(options.historyFilePrefix + QLatin1Char('-') + QLatin1Char(side) + QStringLiteral(".txt"));
        if (!file.open(QIODevice::WriteOnly))
            return false;
        for (const SimRecord& record : generateHistory(side, side == 'A' ? options.recordsA : options.recordsB, options))
            file.write(historyLine(side, record, options));
        if (!file.flush())
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    UnitSimOptions options;
    int exitCode = 0;
    if (!parseUnitSimOptions(app.arguments(), options, exitCode))
        return exitCode;
#ifdef __linux__
    if (options.exitWithParent) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() == 1)
            return 0;
    }
#endif
    installStopHandlers();
    if (!options.historyFilePrefix.isEmpty() && !writeHistoryFiles(options)) {
        std::fprintf(stderr, "kelmora-unitsim: cannot write %s-A/B.txt\n", qPrintable(options.historyFilePrefix));
        return 1;
    }

    QFile log(options.logPath);
    if (!options.logPath.isEmpty() && !log.open(QIODevice::WriteOnly | QIODevice::Append)) {
        std::fprintf(stderr, "kelmora-unitsim: cannot open log %s\n", qPrintable(options.logPath));
        return 1;
    }
    UnitSimLine line;
    if (!line.open())
        return 1;
    line.setPacing(options.baudPacing);
    std::printf("%s\n", qPrintable(line.devicePath()));
    std::fflush(stdout);

    CommandAssembler commands(options, line, log.isOpen() ? &log : nullptr);
    while (!stopSignal && line.isOpen()) {
        const qint64 notBeforeMs = line.quietSinceMs();
        const QByteArray bytes = line.exchange(50);
        commands.feed(bytes, notBeforeMs, QDateTime::currentMSecsSinceEpoch());
        if (commands.closeWhenDrained && !line.outputPending()) {
            line.waitUntilDelivered(1000);
            std::fputs("kelmora-unitsim: line cut\n", stderr);
            break;
        }
    }
    line.close();
    return 0;
}
