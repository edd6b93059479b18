// Test helper: a raw byte line on a pseudo-terminal, for tests that need to
// see exactly what goes over the wire (Unix only; elsewhere every open
// fails).
//
// As the far end of the tool's port:   RawLine peer; peer.openPeer();
//                                      port.openPort(peer.devicePath(), ...);
// As a client of a simulated unit:     RawLine line; line.openDevice(unit.devicePath());
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class RawLine
{
public:
    struct Arrival
    {
        qint64 ms;             // milliseconds since readTimed() began
        QByteArray bytes;
    };

    RawLine() = default;
    ~RawLine();
    RawLine(const RawLine&) = delete;
    RawLine& operator=(const RawLine&) = delete;

    // New pseudo-terminal; this object is the master side and also holds
    // the slave open so that the line survives the port's close and reopen.
    bool openPeer();
    // Opens an existing device (e.g. a simulated unit's line) in raw mode.
    bool openDevice(const QString& path);
    // Closes every descriptor: for a peer, the port sees its cable pulled.
    void close();
    bool isOpen() const { return fd >= 0; }

    QString devicePath() const { return path; }
    bool write(const QByteArray& bytes);
    // Everything that arrives until `silenceMs` pass without a byte, or
    // `maxMs` in all.
    QByteArray readUntilSilent(int silenceMs, int maxMs);
    // Reads until the text ends with "\r\n" (returned without it) or maxMs
    // pass (returns what came, with a trailing "\r\n" missing).
    QByteArray readLine(int maxMs, bool* complete = nullptr);
    // Every chunk that arrives within maxMs, with its arrival time.
    QList<Arrival> readTimed(int maxMs, int expectedBytes);
    // True once the other end has closed (read gives EOF or EIO).
    bool hungUp() const { return sawHangUp; }
    // Control flags of the slave side as last set by whoever opened it.
    unsigned slaveControlFlags() const;

private:
    QByteArray readSome(int waitMs);

    int fd = -1;
    int slaveFd = -1;
    QString path;
    bool sawHangUp = false;
    QByteArray leftover;
};

// Register checksum computed independently of the production code.
int testRegisterChecksum(const QByteArray& text);
