#include "files/archivefiles.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QString tooLarge(const QString& path, qint64 size, qint64 maxBytes)
{
    return QStringLiteral("%1: refused, %2 bytes is more than an archived file holds (at most %3)")
        .arg(shown(path))
        .arg(size)
        .arg(maxBytes);
}

QString notRegular(const QString& path)
{
    return shown(path) + QStringLiteral(": skipped, not a regular file");
}

bool isPlainName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'))
        && !name.contains(QLatin1Char(':')) && !QDir::isAbsolutePath(name);
}

#ifdef Q_OS_UNIX
// Opened without blocking, so that a pipe with no writer cannot hold the
// reader; what was opened is then checked, not what the name showed before.
int openRegularFile(const QString& path, qint64 maxBytes, QString* problem)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *problem = shown(path) + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        *problem = notRegular(path);
    } else if (info.st_size > maxBytes) {
        *problem = tooLarge(path, info.st_size, maxBytes);
    } else {
        return fd;
    }
    ::close(fd);
    return -1;
}
#endif

} // namespace

QString archiveFileIn(const QDir& unitFolder, const QString& name, QString* problem)
{
    const QString path = unitFolder.filePath(name);
    QString reason;
    if (!isPlainName(name)) {
        reason = QStringLiteral("%1: skipped, the name \"%2\" leads out of the unit's folder")
                     .arg(shown(unitFolder.path()), name);
    } else if (!QFileInfo::exists(path)) {
        return QString();  // a dangling link as much as a missing file
    } else {
        const QFileInfo target(QFileInfo(path).canonicalFilePath());
        if (target.absolutePath() != unitFolder.canonicalPath())
            reason = shown(path) + QStringLiteral(": skipped, it leads out of the unit's folder");
        else if (!target.isFile())
            reason = notRegular(path);
    }
    if (problem)
        *problem = reason;
    return reason.isEmpty() ? path : QString();
}

ArchiveFileRead readArchiveFile(const QString& path, qint64 maxBytes)
{
    ArchiveFileRead read;
    QFile file;
#ifdef Q_OS_UNIX
    const int fd = openRegularFile(path, maxBytes, &read.problem);
    if (fd < 0)
        return read;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        read.problem = shown(path) + QStringLiteral(": ") + file.errorString();
        return read;
    }
#else
    const QFileInfo info(path);
    if (!info.isFile()) {
        read.problem = notRegular(path);
        return read;
    }
    if (info.size() > maxBytes) {
        read.problem = tooLarge(path, info.size(), maxBytes);
        return read;
    }
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly)) {
        read.problem = shown(path) + QStringLiteral(": ") + file.errorString();
        return read;
    }
#endif
    // One byte more than allowed tells a file that grew after the check.
    read.bytes = file.read(maxBytes + 1);
    if (read.bytes.size() > maxBytes) {
        read.problem = tooLarge(path, read.bytes.size(), maxBytes);
        read.bytes.clear();
    } else if (file.error() != QFileDevice::NoError) {
        read.problem = shown(path) + QStringLiteral(": ") + file.errorString();
        read.bytes.clear();
    }
    return read;
}
