// Where a running simulated unit (kelmora-unitsim) announces its line, so
// that the port scan can list it beside the real serial ports. Both the
// simulator and the port scan include this header; the folder rule lives
// in com_simlinkfolder.h, which it includes, and nowhere else.
//
// Every running simulator owns one symbolic link "sim-<pid>" in the folder,
// pointing to the slave side of its pseudo-terminal. The simulator removes
// the link when it ends; a link left behind by a killed simulator is
// recognised (its process or its target is gone) and skipped.
//
// Whatever the folder holds ends up in the port list and is opened when the
// user connects, so the folder (com_simlinkfolder.h) must be one that no other
// local user can write to, and a link is followed only into the
// pseudo-terminal namespace.
#pragma once

#include "comm/com_simlinkfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <signal.h>
#include <sys/stat.h>
#endif

namespace simlinks {

// The only place a simulated unit's line may live.
inline QString ptyNamespace()
{
    return QStringLiteral("/dev/pts/");
}

inline QString linkName(qint64 pid)
{
    return QStringLiteral("sim-") + QString::number(pid);
}

inline bool processAlive(qint64 pid)
{
#ifdef Q_OS_UNIX
    return pid > 0 && (kill(pid_t(pid), 0) == 0 || errno == EPERM);
#else
    return pid > 0;
#endif
}

// "/dev/pts/<number>": a slave side, not the multiplexer "ptmx" beside them.
inline bool isPtySlaveName(const QString& path)
{
    const QString number = path.mid(ptyNamespace().size());
    return path.startsWith(ptyNamespace()) && !number.isEmpty()
           && std::all_of(number.cbegin(), number.cend(), [](QChar c) { return c.isDigit(); });
}

// A link target that is a pseudo-terminal's slave side, also once every
// "..", "." and further link in it is resolved.
inline bool isPtyDevice(const QString& target)
{
    const QString resolved = QFileInfo(target).canonicalFilePath();
    if (!isPtySlaveName(target) || !isPtySlaveName(resolved))
        return false;
#ifdef Q_OS_UNIX
    struct stat st {};
    return ::stat(QFile::encodeName(resolved).constData(), &st) == 0 && S_ISCHR(st.st_mode);
#else
    return true;
#endif
}

// Device paths of the simulators running now whose links are in `folder`.
inline QStringList runningUnitsIn(const QString& folderPath)
{
    QStringList devices;
    if (folderPath.isEmpty())
        return devices;
    const QDir folder(folderPath);
    const QStringList links = folder.entryList({QStringLiteral("sim-*")}, QDir::System | QDir::Files);
    for (const QString& link : links) {
        bool ok = false;
        const qint64 pid = link.mid(4).toLongLong(&ok);
        const QFileInfo info(folder.filePath(link));
        // A pseudo-terminal number is reused quickly, so a dead owner makes the
        // link stale even when its target exists again.
        if (!ok || !info.isSymLink() || !processAlive(pid))
            continue;
        const QString target = info.symLinkTarget();
        if (isPtyDevice(target) && !devices.contains(target))
            devices.append(target);
    }
    return devices;
}

// Device paths of this user's simulators that are running now.
inline QStringList runningUnits()
{
    return runningUnitsIn(linkFolder());
}

} // namespace simlinks
