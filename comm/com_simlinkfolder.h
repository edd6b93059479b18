// The folder in which running simulated units (kelmora-unitsim) announce
// their lines; see com_simlinks.h for what goes into it.
//
// Whatever the folder holds ends up in the port list and is opened when the
// user connects, so the folder must be one that no other local user can
// write to.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace simlinks {

#ifdef Q_OS_UNIX
// A real folder (not a link to one) that belongs to this user and that no
// one else may write to.
inline bool folderIsOwnAndUnshared(const QString& path)
{
    struct stat st {};
    if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// Makes `path` a folder only this user can enter (mode 0700), creating it
// when missing. False when the name is taken by something that is not this
// user's own folder (another user's folder, a link, a file): it is not used.
inline bool makePrivateFolder(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return false;
    // Our own folder from an earlier run with a wider mode: narrow it.
    return (st.st_mode & 0777) == 0700 || ::chmod(name.constData(), 0700) == 0;
}
#endif

// The link folder for the runtime folder `runtimeDir` (empty when unset):
// inside it only when it is this user's and unshared, else a private
// folder under `tempDir`. With `create` the folder is made (mode 0700);
// without, it must exist and be private already. Empty when there is no
// safe folder.
inline QString linkFolderIn(const QString& runtimeDir, const QString& tempDir, bool create)
{
#ifdef Q_OS_UNIX
    QString folder;
    if (folderIsOwnAndUnshared(runtimeDir))
        folder = runtimeDir + QStringLiteral("/kelmora-unitsim");
    else
        folder = tempDir + QStringLiteral("/kelmora-unitsim-") + QString::number(::getuid());
    if (create ? makePrivateFolder(folder) : folderIsOwnAndUnshared(folder))
        return folder;
    return QString();
#else
    Q_UNUSED(runtimeDir);
    Q_UNUSED(create);
    return tempDir + QStringLiteral("/kelmora-unitsim-") + qEnvironmentVariable("USERNAME");
#endif
}

// The folder of this user's simulators; see linkFolderIn.
inline QString linkFolder(bool create = false)
{
    return linkFolderIn(qEnvironmentVariable("XDG_RUNTIME_DIR"), QDir::tempPath(), create);
}

} // namespace simlinks
