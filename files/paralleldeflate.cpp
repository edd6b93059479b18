#include "files/paralleldeflate.h"

#include <zlib.h>

namespace {

// Large enough that handing over costs nothing against compressing, small
// enough that the two threads overlap from the first megabyte on.
constexpr qsizetype chunkBytes = 1 << 20;
// Bounds the memory the producer can run ahead by.
constexpr size_t maxQueuedChunks = 4;

// Deflates one chunk (or finishes the stream) and appends what comes out.
bool deflateInto(z_stream& stream, const QByteArray& input, int flush, QByteArray& output)
{
    unsigned char buffer[1 << 16];
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.constData()));
    stream.avail_in = uInt(input.size());
    int result = Z_OK;
    do {
        stream.next_out = buffer;
        stream.avail_out = sizeof buffer;
        result = deflate(&stream, flush);
        if (result == Z_STREAM_ERROR)
            return false;
        output.append(reinterpret_cast<const char*>(buffer), qsizetype(sizeof buffer - stream.avail_out));
    } while (stream.avail_out == 0);
    return flush != Z_FINISH || result == Z_STREAM_END;
}

} // namespace

ParallelDeflater::ParallelDeflater(int compressionLevel) : level(compressionLevel)
{
    pending.reserve(chunkBytes);
    QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    worker = std::thread([this] { deflateChunks(); });
}

ParallelDeflater::~ParallelDeflater()
{
    finish();
}

qint64 ParallelDeflater::writeData(const char* data, qint64 length)
{
    pending.append(data, qsizetype(length));
    if (pending.size() >= chunkBytes)
        handOver();
    return length;
}

void ParallelDeflater::handOver()
{
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [this] { return queue.size() < maxQueuedChunks || failed; });
        queue.push_back(std::move(pending));
    }
    changed.notify_all();
    pending = QByteArray();
    pending.reserve(chunkBytes);
}

bool ParallelDeflater::finish()
{
    if (!finished) {
        finished = true;
        if (!pending.isEmpty())
            handOver();
        {
            std::lock_guard<std::mutex> lock(mutex);
            ended = true;
        }
        changed.notify_all();
        worker.join();
        QIODevice::close();
    }
    std::lock_guard<std::mutex> lock(mutex);
    return !failed;
}

void ParallelDeflater::deflateChunks()
{
    z_stream stream{};
    bool ok = deflateInit2(&stream, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    uLong crc = crc32(0, nullptr, 0);
    qint64 size = 0;
    QByteArray out;
    for (;;) {
        QByteArray chunk;
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [this] { return !queue.empty() || ended; });
            if (queue.empty())
                break;
            chunk = std::move(queue.front());
            queue.pop_front();
        }
        changed.notify_all();
        if (!ok)
            continue; // keeps taking chunks so the producer never waits in vain
        crc = crc32(crc, reinterpret_cast<const Bytef*>(chunk.constData()), uInt(chunk.size()));
        size += chunk.size();
        ok = deflateInto(stream, chunk, Z_NO_FLUSH, out);
    }
    ok = ok && deflateInto(stream, QByteArray(), Z_FINISH, out);
    deflateEnd(&stream);
    output = std::move(out);
    checksum = quint32(crc);
    total = size;
    {
        std::lock_guard<std::mutex> lock(mutex);
        failed = !ok;
    }
    changed.notify_all();
}
