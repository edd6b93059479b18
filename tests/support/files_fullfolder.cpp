#include "files_fullfolder.h"

#include <QDir>
#include <QFile>

#include <sys/mount.h>
#include <unistd.h>

namespace {

const QString fillerName = QStringLiteral("filler.bin");

// Writes zeros until the file system refuses; the size reached.
qint64 fillUp(const QString& path)
{
    QFile filler(path);
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return -1;
    const QByteArray block(4096, '\0');
    while (filler.write(block) == block.size()) {
    }
    filler.close();
    return QFile(path).size();
}

} // namespace

FilesFullFolder::FilesFullFolder()
{
    if (!dir.isValid())
        return;
    mounted = ::mount("tmpfs", QFile::encodeName(dir.path()).constData(), "tmpfs", 0, "size=200k,mode=0755") == 0;
}

FilesFullFolder::~FilesFullFolder()
{
    if (mounted)
        ::umount2(QFile::encodeName(dir.path()).constData(), MNT_DETACH);
    else if (sealed)
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

bool FilesFullFolder::place(const QString& name, const QByteArray& data)
{
    QFile file(dir.filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.flush();
}

bool FilesFullFolder::seal(qint64 room)
{
    if (mounted) {
        const QString filler = dir.filePath(fillerName);
        const qint64 size = fillUp(filler);
        sealed = size > room && QFile::resize(filler, size - room);
        if (!sealed)
            problem = QStringLiteral("could not fill the tmpfs");
        return sealed;
    }
    sealed = QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup
                                                   | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    if (sealed && ::access(QFile::encodeName(dir.path()).constData(), W_OK) == 0) {
        problem = QStringLiteral("no tmpfs can be mounted and folder permissions do not bind this user");
        return false;
    }
    return sealed;
}

QString FilesFullFolder::kind() const
{
    return mounted ? QStringLiteral("tmpfs of 200 KB, full") : QStringLiteral("unwritable folder");
}

QStringList FilesFullFolder::entries() const
{
    QStringList names = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                                   QDir::Name);
    names.removeAll(fillerName);
    return names;
}
