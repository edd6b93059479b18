// Reading a file of the download archive without trusting the archive: it
// lives in a user-writable folder, perhaps on a shared drive, and anything
// may have been put there by hand.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QString>

// A side holds at most 65535 records of under 100 bytes each, about 6.5 MB
// as a raw dump; anything much larger was never written by this tool.
constexpr qint64 maxArchivedDumpBytes = 16 * 1024 * 1024;
// A download's note is a few hundred bytes.
constexpr qint64 maxArchivedNoteBytes = 256 * 1024;

struct ArchiveFileRead {
    QByteArray bytes;
    QString problem;  // empty when the file was read; else why it was not
    bool ok() const { return problem.isEmpty(); }
};

// The path of the file called name in the unit's folder, or empty with the
// reason in problem (when given) if name is no plain file name (a folder
// part, "..", an absolute path) or the file, links followed, is not a
// regular file lying in that folder. A name that does not exist is empty
// without a problem.
QString archiveFileIn(const QDir& unitFolder, const QString& name, QString* problem = nullptr);

// Reads a regular file of at most maxBytes. A device, a pipe or a socket is
// never opened for reading (so neither blocks nor streams without end), and
// a file longer than maxBytes is refused, however long it grows meanwhile.
ArchiveFileRead readArchiveFile(const QString& path, qint64 maxBytes);
