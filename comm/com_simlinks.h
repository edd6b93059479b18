// Where a running simulated unit (kelmora-unitsim) announces its line, so
// that the port scan can list it beside the real serial ports. Both the
// simulator and the port scan include this header; the folder rule lives
// here only.
//
// Every running simulator owns one symbolic link "sim-<pid>" in the folder,
// pointing to the slave side of its pseudo-terminal. The simulator removes
// the link when it ends; a link left behind by a killed simulator is
// recognised (its process or its target is gone) and skipped.
#pragma once

#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <signal.h>
#include <unistd.h>
#endif

namespace simlinks {

inline QString linkFolder()
{
    const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtimeDir.isEmpty() && QFileInfo(runtimeDir).isDir())
        return runtimeDir + QStringLiteral("/kelmora-unitsim");
#ifdef Q_OS_UNIX
    const QString user = QString::number(getuid());
#else
    const QString user = qEnvironmentVariable("USERNAME");
#endif
    return QDir::tempPath() + QStringLiteral("/kelmora-unitsim-") + user;
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

// Device paths of the simulators that are running now.
inline QStringList runningUnits()
{
    QStringList devices;
    const QDir folder(linkFolder());
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
        if (!target.isEmpty() && QFileInfo::exists(target) && !devices.contains(target))
            devices.append(target);
    }
    return devices;
}

} // namespace simlinks
