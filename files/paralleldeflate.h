// Compressing while the data is still being produced: a write-only device
// that hands what is written into it, in large chunks, to a thread of its
// own, which deflates it (raw deflate, as a zip entry holds it) and sums its
// CRC-32. Producing the text and compressing it then run on two cores.
#pragma once

#include <QByteArray>
#include <QIODevice>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

class ParallelDeflater : public QIODevice
{
public:
    // level: zlib's compression level (1 is fastest).
    explicit ParallelDeflater(int level);
    ~ParallelDeflater() override;
    ParallelDeflater(const ParallelDeflater&) = delete;
    ParallelDeflater& operator=(const ParallelDeflater&) = delete;

    // Hands over the last chunk and waits for the thread. True when every
    // byte written was compressed; the results below are valid then.
    bool finish();
    const QByteArray& compressed() const { return output; }
    quint32 crc() const { return checksum; }
    qint64 uncompressedSize() const { return total; }

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override;

private:
    void handOver();
    void deflateChunks();

    const int level;
    QByteArray pending; // filled by the producer, handed over when full

    // Shared with the deflating thread, under the mutex.
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<QByteArray> queue;
    bool ended = false;
    bool failed = false;

    // Written by the deflating thread, read after it has been joined.
    QByteArray output;
    quint32 checksum = 0;
    qint64 total = 0;

    std::thread worker;
    bool finished = false;
};
