// The serial port's receive ring: 2048 bytes that the port thread fills and
// the reader reads, with its own lock, so that any thread may ask at any time.
// The port thread appends at count() and wraps to 0 when the end is reached;
// the reader resets the count before each command and reads the bytes below
// it. A streamed reception (a history) is read with take(): bytes that come
// faster than it takes them wait in a backlog of up to the backlog limit
// instead of wrapping over unread ones; only what exceeds the backlog is
// written over, and take() reports it lost.
#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <atomic>
#include <mutex>

// What a reader that drains the ring as a stream gets: the bytes put in after
// the first `taken` since the last reset, in order across the wrap, and how
// many of them the ring has already written over (the reader was too slow).
// Once lost > 0 the stream has a hole: bytes is what the ring still holds
// after it, and taken + lost + bytes.size() is the new position.
struct COM_RxTake
{
    QByteArray bytes;
    quint64 lost = 0;
};

class COM_RxRing
{
public:
    static constexpr int size = 2048;
    static constexpr qsizetype defaultBacklogLimit = qsizetype(1) << 20;

    COM_RxRing();

    // Where the next byte goes.
    int count() const;
    // Bytes put into the ring since the last reset, wraps included.
    quint64 total() const;
    // Starts a reception over, a streamed one or not.
    void reset(bool streamed = false);
    // Starts a fresh session: also the ring's old bytes are zeroed.
    void wipe();
    // Called by the port thread with the bytes just read.
    void put(const QByteArray& data);
    // Copies ring bytes [from, to) (0 <= from <= to <= size).
    QByteArray bytes(int from, int to) const;
    COM_RxTake take(quint64 taken);
    void setBacklogLimit(qsizetype limit) { backlogLimit.store(limit); }

private:
    // With mutex held.
    void clear();
    void putIntoRing(const char* bytes, qsizetype count);
    void moveBacklogIntoRing();

    char buffer[size];
    // A std::mutex like the port's own locks: the thread sanitizer sees
    // through it (see com_serialport.h).
    int fill = 0;                // guarded by mutex
    quint64 putIn = 0;           // guarded by mutex; since the last reset
    bool streamed = false;       // guarded by mutex
    quint64 streamTaken = 0;     // guarded by mutex; what the stream's reader has
    QByteArray backlog;          // guarded by mutex
    std::atomic<qsizetype> backlogLimit{defaultBacklogLimit};
    mutable std::mutex mutex;
};
