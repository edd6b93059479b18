// The device under the port thread: the serial line as the platform offers
// it. COM_SerialPort's loop (pacing, receive ring, write outcomes, the lost
// line) is the same everywhere and talks to the device only through this
// class; com_line_qt.cpp serves it with QSerialPort, com_line_win32.cpp with
// the Win32 serial interface (overlapped file on "\\.\COMn", DCB, time-outs).
// Only the port thread touches a line, from open to close.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <memory>

class COM_Line
{
public:
    enum class Error {
        None,
        Read,     // one read failed; the line may still be there
        Resource, // the device has gone (adapter unplugged, far end closed)
        Timeout,  // a wait ran out
        Other,
    };

    virtual ~COM_Line() = default;

    // 8 data bits, 1 stop bit, no flow control, modem lines off; parity code
    // 1 none, 2 even, anything else odd. device is a full device path.
    virtual bool open(const QString& device, quint32 baudRate, quint8 parity) = 0;
    virtual void close() = 0;

    // What has arrived, waiting at most waitMs when nothing has yet.
    virtual QByteArray readAll(int waitMs) = 0;
    // Hands bytes to the line: how many were taken, or -1.
    virtual qint64 write(const char* data, qint64 size) = 0;
    // Waits at most ms for handed-over bytes to leave; false when none left
    // (or none were waiting).
    virtual bool waitForBytesWritten(int ms) = 0;
    // Bytes handed over that have not left yet.
    virtual qint64 bytesToWrite() = 0;
    // Drops what has not left yet.
    virtual void clearOutput() = 0;

    virtual Error error() const = 0;
    virtual void clearError() = 0;
    virtual QString errorString() const = 0;

    // The platform's line.
    static std::unique_ptr<COM_Line> create();
};
