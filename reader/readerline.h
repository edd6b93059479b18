// The reader's end of the serial line for one operation: the connection the
// operation began on, command lines out and framed reply lines back. An
// operation stops the moment its connection is gone (a Disconnect, a lost
// line, a newer connection), so nothing it still sends reaches another one.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <functional>

class COM_SerialPort;

class ReaderLine
{
public:
    void setPort(COM_SerialPort* serialPort) { port = serialPort; }
    COM_SerialPort* serialPort() const { return port; }

    // Makes the port's connection of the given generation the operation's.
    void follow(quint64 generation) { connection = generation; }
    // The port's connection as it is now becomes the operation's.
    void followCurrent();
    quint64 generation() const { return connection; }
    // The operation's connection is still open.
    bool current() const;

    // Queues a command on the operation's connection: the port's write
    // ticket, 0 (no ticket) when the connection is gone.
    quint64 queueCommand(const QByteArray& line);
    // Clears what was received before a command is sent; false when the
    // connection is gone. streamed: see COM_SerialPort::resetRxCount.
    bool resetReception(bool streamed = false);

    // One command out, one reply back: up to three attempts, each waiting
    // until the line has been silent for the time-out. Named replies start
    // at an upper-case letter, register replies are framed by their
    // checksum. Empty with *success false when none came.
    QString transact(const QString& command, qint64 timeoutMs, bool* success);
    QString transactRegister(const QString& command, qint64 timeoutMs, bool* success);

    // Called with every reply line found (the log shows them).
    std::function<void(const QString&)> replySeen;

private:
    QString runTransaction(const QString& command, qint64 timeoutMs, bool* success,
                           bool registerFraming);

    COM_SerialPort* port = nullptr;
    quint64 connection = 0;
};
