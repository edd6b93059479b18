#include "reader_rig.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSignalSpy>
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
    return true;
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
    QSignalSpy ready(reader.get(), &APP_KelmoraDataReader::connectionReady);
    reader->connectUnit();
    if (!waitForReader(boundMs) || ready.count() != 1)
        return false;
    return ready.first().first().toBool();
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
    if (peer)
        peer->stop();
    port.reset();
    peer.reset();
}
