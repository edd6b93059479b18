#include "comm/com_rxring.h"

#include <algorithm>
#include <cstring>

COM_RxRing::COM_RxRing()
{
    std::memset(buffer, 0, sizeof buffer);
}

int COM_RxRing::count() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return fill;
}

quint64 COM_RxRing::total() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return putIn;
}

void COM_RxRing::clear()
{
    fill = 0;
    putIn = 0;
    streamTaken = 0;
    streamed = false;
    backlog.clear();
}

void COM_RxRing::reset(bool streamedReception)
{
    std::lock_guard<std::mutex> lock(mutex);
    clear();
    streamed = streamedReception;
}

void COM_RxRing::wipe()
{
    std::lock_guard<std::mutex> lock(mutex);
    std::memset(buffer, 0, sizeof buffer);
    clear();
}

void COM_RxRing::put(const QByteArray& data)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!streamed) {
        putIntoRing(data.constData(), data.size());
        return;
    }
    backlog += data;
    moveBacklogIntoRing();
}

void COM_RxRing::putIntoRing(const char* bytes, qsizetype count)
{
    putIn += quint64(count);
    for (qsizetype i = 0; i < count; ++i) {
        buffer[fill++] = bytes[i];
        // A full ring starts over at index 0; the older bytes stay until
        // they are overwritten.
        if (fill == size)
            fill = 0;
    }
}

void COM_RxRing::moveBacklogIntoRing()
{
    if (backlog.isEmpty())
        return;
    const quint64 unread = putIn - streamTaken;
    qsizetype moving = unread >= quint64(size) ? 0 : qsizetype(size - unread);
    // Beyond its limit the backlog goes in all the same, over unread bytes:
    // the reader learns of the loss from the count.
    moving = std::max(moving, backlog.size() - backlogLimit.load());
    moving = std::min(moving, backlog.size());
    if (moving <= 0)
        return;
    putIntoRing(backlog.constData(), moving);
    backlog.remove(0, moving);
}

QByteArray COM_RxRing::bytes(int from, int to) const
{
    from = std::clamp(from, 0, int(size));
    to = std::clamp(to, from, int(size));
    // Copied here rather than by QByteArray's constructor, so that the read
    // of the shared ring happens in instrumented code.
    QByteArray copy(to - from, Qt::Uninitialized);
    std::lock_guard<std::mutex> lock(mutex);
    if (to > from)
        std::memcpy(copy.data(), buffer + from, size_t(to - from));
    return copy;
}

COM_RxTake COM_RxRing::take(quint64 taken)
{
    COM_RxTake result;
    std::lock_guard<std::mutex> lock(mutex);
    if (streamed && taken <= putIn) {
        // What the reader has now makes room for the backlog.
        streamTaken = std::max(streamTaken, taken);
        moveBacklogIntoRing();
    }
    if (taken >= putIn)
        return result; // nothing new (or a reset since: the caller starts over)
    quint64 unread = putIn - taken;
    if (unread > quint64(size)) {
        result.lost = unread - size;
        unread = size;
    }
    // The unread bytes end at fill and run back across the wrap.
    const int count = int(unread);
    const int start = (fill - count + size) % size;
    result.bytes.resize(count);
    const int first = std::min(count, size - start);
    std::memcpy(result.bytes.data(), buffer + start, size_t(first));
    if (count > first)
        std::memcpy(result.bytes.data() + first, buffer, size_t(count - first));
    return result;
}
