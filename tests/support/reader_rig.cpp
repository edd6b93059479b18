#include "reader_rig.h"

#include <QCoreApplication>
#include <QFile>
#include <QTest>
#include <QDeadlineTimer>
#include <QThread>

bool ReaderRig::start(ReaderPtyPeer::Handler handler)
{
    peer = std::make_unique<ReaderPtyPeer>();
    if (!peer->start(handler ? std::move(handler) : unit->handler())) {
        error = peer->error();
        return false;
    }
    port = std::make_unique<COM_SerialPort>();
    if (!port->openPort(peer->slavePath(), 9600, 1)) {
        error = QStringLiteral("cannot open ") + peer->slavePath();
        return false;
    }
    reader = std::make_unique<APP_KelmoraDataReader>();
    reader->setPort(port.get());
    logContext = std::make_unique<QObject>();
    QObject* context = logContext.get();
    const auto queued = Qt::QueuedConnection;
    using R = APP_KelmoraDataReader;
    QObject::connect(reader.get(), &R::dataReady, context,
                     [this](KelmoraFillingData* records, quint16* count, quint8 success) {
                         log.data.append({records, count, success});
                     }, queued);
    for (auto signal : {&R::connectionReady, &R::operationModeReset, &R::pulseInputSet, &R::timeSet})
        QObject::connect(reader.get(), signal, context, [this](bool ok) { log.results.append(ok); },
                         queued);
    QObject::connect(reader.get(), &R::historyProgress, context,
                     [this](char side, int bytes, int lines, int requested) {
                         log.progress.append({side, bytes, lines, requested});
                     }, queued);
    QObject::connect(reader.get(), &R::display, context,
                     [this](const QString& text) { log.display.append(text); }, queued);
    return true;
}

bool ReaderRig::startOrEndTest(ReaderPtyPeer::Handler handler)
{
    if (start(std::move(handler)))
        return true;
    if (!QFile::exists(QStringLiteral("/dev/ptmx")))
        QTest::qSkip("this machine has no pseudo-terminals", __FILE__, __LINE__);
    else
        QTest::qFail(qPrintable(error), __FILE__, __LINE__);
    return false;
}

bool ReaderRig::waitForReader(int boundMs)
{
    QDeadlineTimer deadline(boundMs);
    while (!reader->isFinished() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    // Deliver what the thread queued before it ended (signals, storage swaps).
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    return reader->isFinished();
}

bool ReaderRig::identify(int boundMs)
{
    log.clear();
    reader->connectUnit();
    if (!waitForReader(boundMs) || log.results.size() != 1)
        return false;
    return log.results.first();
}

bool ReaderRig::runOperation(const std::function<void(APP_KelmoraDataReader&)>& request, int boundMs)
{
    log.clear();
    request(*reader);
    return waitForReader(boundMs);
}

QList<QByteArray> ReaderRig::wire() const
{
    QList<QByteArray> lines;
    for (const ReaderPtyPeer::Received& r : peer->received())
        lines.append(r.line);
    return lines;
}

void ReaderRig::stop()
{
    if (reader)
        reader->wait(20000);
    if (port) {
        port->closePort();
        port->wait(5000);
    }
    reader.reset();
    logContext.reset();
    if (peer)
        peer->stop();
    port.reset();
    peer.reset();
}
