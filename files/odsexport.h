// The OpenDocument spreadsheet export: one data sheet, one chart sheet and one
// embedded chart per exported side.
#pragma once

#include "files/exportcommon.h"

#include <QString>

class QIODevice;

// Saves the package at fileName atomically (see files/atomicfile.h): false,
// with the reason in error, when it could not be written completely; the
// previous file of that name then stays as it was (the caller tells the user
// with text 36). No dialogs.
bool writeOds(const QString& fileName, const ExportContent& content, QString* error = nullptr);

// Writes the package into an open, writable device (seekable or not).
bool writeOdsPackage(QIODevice& device, const ExportContent& content);
