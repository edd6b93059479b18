// A device that takes a given number of bytes and then fails every write,
// as a disk that fills up or a drive that goes away does: the writers'
// error paths, the same on every platform.
#pragma once

#include <QIODevice>

class FilesFailingDevice : public QIODevice
{
public:
    explicit FilesFailingDevice(qint64 acceptedBytes)
        : accepted(acceptedBytes)
    {
        open(QIODevice::WriteOnly);
    }

    qint64 bytesTaken() const { return taken; }
    // Writes tried after the first failing one: a writer that stops at its
    // first error tries none or a few (buffered streams flush once more).
    int writesAfterFailure() const { return failedWrites > 0 ? failedWrites - 1 : 0; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 length) override
    {
        const qint64 room = accepted - taken;
        if (room <= 0) {
            ++failedWrites;
            return -1;
        }
        const qint64 written = qMin(room, length);
        taken += written;
        return written;
    }

private:
    qint64 accepted;
    qint64 taken = 0;
    int failedWrites = 0;
};
