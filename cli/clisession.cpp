#include "clisession.h"

#include "reader/app_kelmoradatareader.h"
#include "comm/com_serialport.h"
#include "session/downloadsession.h"
#include "clicommon.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {

// At 9600 baud with 8N1 framing the unit sends about 960 bytes a second; a
// history line is some 70 to 100 bytes.
constexpr double wireBytesPerSecond = 960.0;
constexpr int estimatedLineBytes = 85;

} // namespace

qint64 downloadBoundMs(int count, int sides)
{
    // 128 bytes per record is the most the reader accepts; double it and
    // add the identification and the silences between the sides.
    const qint64 wireMs = qint64(count) * 128 * 1000 / 960;
    return sides * (2 * wireMs + 30000);
}

CliSession::CliSession(bool quietProgress, bool verboseLines)
    : quiet(quietProgress)
    , verbose(verboseLines)
    , port(new COM_SerialPort())
    , unitReader(new APP_KelmoraDataReader())
{
    unitReader->setPort(port);
    connect(unitReader, &APP_KelmoraDataReader::connectionReady, this, &CliSession::boolResult);
    connect(unitReader, &APP_KelmoraDataReader::operationModeReset, this, &CliSession::boolResult);
    connect(unitReader, &APP_KelmoraDataReader::pulseInputSet, this, &CliSession::boolResult);
    connect(unitReader, &APP_KelmoraDataReader::timeSet, this, &CliSession::boolResult);
    connect(unitReader, &APP_KelmoraDataReader::dataReady, this, &CliSession::dataResult);
    connect(unitReader, &APP_KelmoraDataReader::historyProgress, this, &CliSession::progress);
    connect(unitReader, &APP_KelmoraDataReader::historyDownloaded, this, &CliSession::historyResult);
    connect(unitReader, &APP_KelmoraDataReader::display, this, &CliSession::replyLine);
}

CliSession::~CliSession()
{
    port->closePort();
    // Both threads end within a poll round once the port is closed; a
    // thread that does not would make deleting it unsafe, so it is left.
    const bool readerDone = unitReader->wait(5000);
    const bool portDone = port->wait(5000);
    if (readerDone)
        delete unitReader;
    if (portDone && readerDone)
        delete port;
}

bool CliSession::open(const QString& portName)
{
    return port->openPort(portName, 9600, 1);
}

void CliSession::resetResults()
{
    resultArrived = false;
    resultOk = false;
    dataSuccess = 0;
    dataReadyCount = 0;
    downloaded[0] = SideDownload();
    downloaded[1] = SideDownload();
    downloaded[1].side = 'B';
    sinceShown.start();
    lastShownSide = 0;
}

bool CliSession::runDownload(const DownloadPlan& plan, qint64 timeoutMs, DownloadSessionResult* result)
{
    resetResults();
    DownloadSession download(unitReader);
    QEventLoop loop;
    QTimer bound;
    bound.setSingleShot(true);
    bool finished = false;
    connect(&download, &DownloadSession::archiveProblem, this, [](const QString& problem) {
        cliErr() << "kelmora-cli download: archive: " << problem << "\n";
        cliErr().flush();
    });
    connect(&download, &DownloadSession::finished, &loop, [&](const DownloadSessionResult& ended) {
        *result = ended;
        finished = true;
        loop.quit();
    });
    connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);
    if (!download.start(plan, unitReader->identity()))
        return false;
    bound.start(int(qMin<qint64>(timeoutMs, 0x7FFFFFFF)));
    loop.exec();
    QCoreApplication::processEvents();  // the storage swaps queued with the results
    // A lookup that has not answered is waited for: its thread must not
    // outlive the session that owns the connection to it.
    download.abandon();
    download.waitForLookup(QDeadlineTimer(5000));
    return finished;
}

bool CliSession::run(const std::function<void(APP_KelmoraDataReader&)>& request,
                     qint64 timeoutMs)
{
    resetResults();
    QEventLoop loop;
    QTimer bound;
    bound.setSingleShot(true);
    // The reader's result signals are queued before its finished signal, so
    // by the time the loop quits every result has been delivered.
    connect(unitReader, &QThread::finished, &loop, &QEventLoop::quit);
    connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);
    request(*unitReader);
    if (!unitReader->isRunning() && !unitReader->isFinished())
        return false;  // the request did not start the thread
    bound.start(int(qMin<qint64>(timeoutMs, 0x7FFFFFFF)));
    loop.exec();
    QCoreApplication::processEvents();  // the storage swaps queued with the results
    return !unitReader->isRunning();
}

void CliSession::boolResult(bool success)
{
    resultArrived = true;
    resultOk = success;
}

void CliSession::dataResult(KelmoraFillingData*, quint16*, quint8 success)
{
    resultArrived = true;
    dataSuccess = success;
    ++dataReadyCount;
}

void CliSession::historyResult(const SideDownload& sideA, const SideDownload& sideB)
{
    downloaded[0] = sideA;
    downloaded[1] = sideB;
}

void CliSession::progress(char side, int bytes, int lines, int requested)
{
    const int index = side == 'B' ? 1 : 0;
    sideBytes[index] = bytes;
    sideLines[index] = lines;
    // The reader reports ten times a second; a line a second is enough here.
    if (quiet || (side == lastShownSide && sinceShown.elapsed() < 1000))
        return;
    showProgress(side, bytes, lines, requested);
    sinceShown.restart();
    lastShownSide = side;
}

void CliSession::showProgress(char side, int bytes, int lines, int requested)
{
    QTextStream& out = cliErr();
    out << "side " << side << ": " << bytes << " bytes, " << lines << " of " << requested
        << " records";
    if (lines < requested) {
        const double lineBytes = lines > 0 ? double(bytes) / lines : estimatedLineBytes;
        const double seconds = (requested - lines) * lineBytes / wireBytesPerSecond;
        out << ", about " << qRound(seconds) << " s left";
    }
    out << "\n";
    out.flush();
}

void CliSession::replyLine(const QString& line)
{
    if (verbose) {
        cliErr() << "unit: " << line.trimmed() << "\n";
        cliErr().flush();
    }
}
