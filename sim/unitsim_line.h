// The simulated unit's end of the serial line: a pseudo-terminal in raw
// mode, announced by a link in the folder that the tool's port scan reads,
// with outgoing bytes paced like a 9600-baud line.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

class UnitSimLine
{
public:
    UnitSimLine() = default;
    ~UnitSimLine();
    UnitSimLine(const UnitSimLine&) = delete;
    UnitSimLine& operator=(const UnitSimLine&) = delete;

    // Creates the pseudo-terminal and the announcement link; false with a
    // message on stderr when that fails.
    bool open();
    QString devicePath() const { return slavePath; }
    bool isOpen() const { return masterFd >= 0; }

    // Waits up to timeoutMs for incoming bytes (less while output is due)
    // and returns what arrived; sends whatever output the pacing allows.
    QByteArray exchange(int timeoutMs);
    // The last moment (ms since the epoch) at which the line was seen to
    // hold nothing unread: whatever the next exchange returns came in after
    // it. Taken before the read, not after, so that a pause of this process
    // between the read and the clock cannot make an arrival look later.
    qint64 quietSinceMs() const { return quietMs; }
    void send(const QByteArray& bytes);
    bool outputPending() const { return !output.isEmpty(); }
    void setPacing(bool on) { pacing = on; }

    // Pulled cable: closes both ends and removes the announcement.
    void close();
    // Waits (at most maxMs) until the tool has read what was sent, so that a
    // cut after N bytes delivers exactly N bytes.
    void waitUntilDelivered(int maxMs);

private:
    void flushPaced();

    int masterFd = -1;
    int slaveFd = -1;
    QString slavePath;
    QString linkPath;
    QByteArray output;
    bool pacing = true;
    qint64 quietMs = 0;
    QElapsedTimer paceClock;   // runs since the output queue was last empty
    qint64 sentSincePaceStart = 0;
};
