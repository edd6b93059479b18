#include "files/atomicfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sys/stat.h>

namespace {

// A device or a pipe given as the target cannot be replaced by a renamed
// file (and must not be: renaming over /dev/null would destroy it).
bool isUnreplaceable(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isFile();
}

// Passes writes through to the file and keeps the first write error: the
// file forgets its error at the next seek (the zip writer seeks back to fill
// in each entry's header), and a short write must fail the save even if the
// writer did not notice it.
class FirstErrorDevice : public QIODevice
{
public:
    explicit FirstErrorDevice(QFileDevice& target) : file(target)
    {
        QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return file.isSequential(); }
    bool seek(qint64 position) override
    {
        // Seeking flushes the file's buffer, so a full disk may show here.
        const bool ok = QIODevice::seek(position) && file.seek(position);
        if (!ok)
            note(QStringLiteral("cannot seek"));
        return ok;
    }
    qint64 size() const override { return file.size(); }
    const QString& firstError() const { return error; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override
    {
        // A file system that fills up first takes part of a write; asking
        // again for the rest brings out the reason (no space left).
        qint64 done = 0;
        while (done < length) {
            const qint64 written = file.write(data + done, length - done);
            if (written <= 0) {
                note(QStringLiteral("short write"));
                return done > 0 ? done : -1;
            }
            done += written;
        }
        return done;
    }

private:
    void note(const QString& fallback)
    {
        if (error.isEmpty())
            error = file.error() != QFileDevice::NoError ? file.errorString() : fallback;
    }

    QFileDevice& file;
    QString error;
};

QString failureText(const QFileDevice& file, const FirstErrorDevice& device)
{
    if (!device.firstError().isEmpty())
        return device.firstError();
    return file.error() != QFileDevice::NoError ? file.errorString()
                                                : QStringLiteral("the content could not be written completely");
}

// Writes through the recording device, then pushes the file's own buffer
// out, so that a full disk shows up here and not only after the rename.
bool writeAll(QFileDevice& file, const FileContentWriter& writeContent, QString* reason)
{
    FirstErrorDevice device(file);
    const bool ok = writeContent(device) && device.firstError().isEmpty() && file.flush()
        && file.error() == QFileDevice::NoError;
    if (!ok)
        *reason = failureText(file, device);
    return ok;
}

bool writeDirectly(const QString& path, const FileContentWriter& writeContent, QString* reason)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *reason = file.errorString();
        return false;
    }
    const bool ok = writeAll(file, writeContent, reason);
    file.close();
    return ok;
}

QFileDevice::Permissions permissionsOf(unsigned int mode)
{
    QFileDevice::Permissions permissions;
    const struct {
        unsigned int bit;
        QFileDevice::Permission permission;
    } bits[] = {{S_IRUSR, QFileDevice::ReadOwner},  {S_IWUSR, QFileDevice::WriteOwner},
                {S_IXUSR, QFileDevice::ExeOwner},   {S_IRGRP, QFileDevice::ReadGroup},
                {S_IWGRP, QFileDevice::WriteGroup}, {S_IXGRP, QFileDevice::ExeGroup},
                {S_IROTH, QFileDevice::ReadOther},  {S_IWOTH, QFileDevice::WriteOther},
                {S_IXOTH, QFileDevice::ExeOther}};
    for (const auto& b : bits) {
        if (mode & b.bit)
            permissions |= b.permission;
    }
    return permissions;
}

bool writeReplacing(const QString& path, const FileContentWriter& writeContent, QString* reason)
{
    const bool isNew = !QFileInfo::exists(path);
    QSaveFile file(path);
    // Never fall back to writing over the target in place: a folder where no
    // temporary file can be made gets no file rather than a truncated one.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        *reason = file.errorString();
        return false;
    }
    // The temporary file starts private (0600); a new export should be as
    // readable as any file the user creates. A replaced file keeps its mode.
    if (isNew && !file.setPermissions(newFilePermissions())) {
        *reason = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!writeAll(file, writeContent, reason)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *reason = file.errorString();
        return false;
    }
    return true;
}

} // namespace

bool saveFileAtomically(const QString& path, const FileContentWriter& writeContent, QString* error)
{
    QString reason;
    const bool ok = isUnreplaceable(path) ? writeDirectly(path, writeContent, &reason)
                                          : writeReplacing(path, writeContent, &reason);
    if (error)
        *error = ok ? QString() : reason;
    return ok;
}

namespace {

// Linux tells the mask in /proc; false where it does not.
bool umaskFromProc(unsigned int* mask)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("Umask:")) {
            bool ok = false;
            *mask = line.mid(6).trimmed().toUInt(&ok, 8);
            return ok;
        }
    }
    return false;
}

// Elsewhere the mask can only be read by setting it, which changes it for
// every thread of the process for a moment: done once, while the program
// starts and no other thread exists yet, never while a save runs.
unsigned int umaskAtStartUp()
{
    unsigned int mask = 0;
    if (umaskFromProc(&mask))
        return mask;
    const mode_t previous = ::umask(022);
    ::umask(previous);
    return previous;
}

const unsigned int startUpUmask = umaskAtStartUp();

} // namespace

unsigned int currentUmask()
{
    unsigned int mask = 0;
    return umaskFromProc(&mask) ? mask : startUpUmask;
}

QFileDevice::Permissions newFilePermissions()
{
    return permissionsOf(0666u & ~currentUmask());
}
