#include "reader/readerline.h"

#include "comm/com_serialport.h"
#include "reader/readerprotocol.h"

#include <QElapsedTimer>
#include <QThread>

void ReaderLine::followCurrent()
{
    connection = port ? port->generation() : 0;
}

bool ReaderLine::current() const
{
    return port && port->isOpen() && port->generation() == connection;
}

quint64 ReaderLine::queueCommand(const QByteArray& line)
{
    return port ? port->queueWrite(line, connection) : COM_SerialPort::noTicket;
}

bool ReaderLine::resetReception(bool streamed)
{
    return port && port->resetRxCount(connection, streamed);
}

QString ReaderLine::transact(const QString& command, qint64 timeoutMs, bool* success)
{
    return runTransaction(command, timeoutMs, success, false);
}

QString ReaderLine::transactRegister(const QString& command, qint64 timeoutMs, bool* success)
{
    return runTransaction(command, timeoutMs, success, true);
}

// Up to three attempts, each sending the command and waiting until the line
// has been silent for the time-out; every arrival of bytes restarts the
// wait. The queue delay of the port counts against the time-out.
QString ReaderLine::runTransaction(const QString& command, qint64 timeoutMs, bool* success,
                                  bool registerFraming)
{
    *success = false;
    if (!port)
        return QString();
    const QByteArray line = command.toLatin1();
    COM_SerialPort::WriteTicket sent = COM_SerialPort::noTicket;
    for (int attempt = 0; attempt < commandAttempts; ++attempt) {
        // An earlier attempt's copy still waiting in the queue would follow
        // this one to the unit.
        port->withdrawWrite(sent);
        if (!resetReception())
            return QString();
        sent = queueCommand(line);
        if (sent == COM_SerialPort::noTicket)
            return QString();
        QElapsedTimer clock;
        clock.start();
        qint64 deadline = timeoutMs;
        int lastSeen = 0;
        while (clock.elapsed() < deadline && clock.elapsed() < attemptCeilingMs) {
            // A command that did not go out whole gets no reply; a fragment
            // may already be on the line, so it is not sent again either.
            if (port->writeOutcome(sent) == COM_SerialPort::WriteOutcome::Failed)
                return QString();
            const int received = port->rxCount();
            const QByteArray bytes = port->rxBytes(0, received);
            const ReplySpan span =
                registerFraming ? findRegisterReply(bytes) : findNamedReply(bytes);
            if (span.found()) {
                const QString reply =
                    QString::fromLatin1(bytes.constData() + span.start, span.end - span.start);
                if (replySeen)
                    replySeen(reply);
                *success = true;
                return reply;
            }
            if (received != lastSeen) {
                deadline = clock.elapsed() + timeoutMs;
                lastSeen = received;
            }
            if (!current())
                return QString();  // Disconnect, lost line or a newer connection
            QThread::usleep(commandPollMs * 1000);
        }
    }
    return QString();
}

