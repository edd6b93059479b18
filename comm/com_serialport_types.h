// The values COM_SerialPort hands its callers for the blocks they queue,
// and the seams through which tests play a misbehaving line. COM_SerialPort
// names each of them again (COM_SerialPort::WriteOutcome and so on).
#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <functional>

class COM_Line;

// What became of a queued block. Each block goes out once and whole, or not
// at all: a write that fails, stalls or stops half-way is not tried again (a
// second copy, or the whole block after a fragment, would reach the unit as a
// garbled command), so the caller learns it here and fails its transaction
// instead of waiting for a reply that cannot come.
enum class COM_WriteOutcome {
    Queued,   // waiting or being written
    Written,  // every byte handed to the line
    Failed,   // not written whole; maybe a fragment reached the line
    Dropped,  // never written: the port was closed or the block withdrawn
};

// Names one queued block; the port never hands out COM_noWriteTicket for a
// block it accepted.
using COM_WriteTicket = quint64;
constexpr COM_WriteTicket COM_noWriteTicket = 0;

// Replaces the line's write call, to play partial, failed or stalled writes
// in tests. Returns the number of bytes accepted, or -1.
using COM_WriteHook = std::function<qint64(COM_Line& line, const char* data, qint64 size)>;

// Told of every block handed to the line, on the port thread, with the
// port's own monotonic times (ms) of the write's start and end; the next
// block starts more than the write interval after that end.
using COM_WriteObserver = std::function<void(const QByteArray& block, qint64 startMs, qint64 endMs)>;
