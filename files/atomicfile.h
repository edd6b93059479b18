// Saving a file whole or not at all: the previous file of that name stays
// untouched until the new one is complete on disk.
#pragma once

#include <QFileDevice>
#include <QString>

#include <functional>

class QIODevice;

// Fills the device it is given; false when it could not write everything.
using FileContentWriter = std::function<bool(QIODevice& device)>;

// Writes the file at path through writeContent. The content goes to a
// temporary file in the target's folder, which is flushed, synced and then
// renamed over the target. On any failure the target keeps its previous
// bytes, the temporary file is removed, and error (when given) says why. A
// new file gets the permissions of a normally created one (0666 less the
// umask); a replaced file keeps its own. A target that exists and is no
// regular file (a device, a pipe) cannot be replaced and is written directly.
bool saveFileAtomically(const QString& path, const FileContentWriter& writeContent,
                        QString* error = nullptr);

// The process's file creation mask, read without changing it: where the
// system cannot tell it otherwise, the mask the process started with.
unsigned int currentUmask();
// What a file the user creates gets: 0666 less the mask.
QFileDevice::Permissions newFilePermissions();
