// A folder where a save fails: a 200 KB tmpfs mounted for the test and
// filled up (the write fails part way, as on a full USB stick), or, where no
// file system can be mounted, a folder without write permission (the save
// fails when it creates its file). Either way the test can check that the
// file already there keeps its bytes and that nothing else is left behind.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class FilesFullFolder
{
public:
    FilesFullFolder();
    ~FilesFullFolder();
    FilesFullFolder(const FilesFullFolder&) = delete;
    FilesFullFolder& operator=(const FilesFullFolder&) = delete;

    // Puts a file with these bytes into the folder; call before seal().
    bool place(const QString& name, const QByteArray& data);
    // Makes the folder full (tmpfs: less than room bytes left) or unwritable.
    // False, with why(), when no failure can be provoked here (root without
    // mount rights ignores folder permissions).
    bool seal(qint64 room = 8192);

    QString path() const { return dir.path(); }
    QString filePath(const QString& name) const { return dir.filePath(name); }
    // "tmpfs of 200 KB, full" or "unwritable folder", for the test output.
    QString kind() const;
    QString why() const { return problem; }
    // Every entry in the folder but the filler, hidden ones included.
    QStringList entries() const;

private:
    QTemporaryDir dir;
    bool mounted = false;
    bool sealed = false;
    QString problem;
};
