// The semicolon-separated export.
#pragma once

#include "files/exportcommon.h"

#include <QString>
#include <QTextStream>

// Writes the header and the side blocks present (side A first) in the
// content's language. False when the stream reported a write error.
bool writeCsv(QTextStream& stream, const ExportContent& content);

// Saves the CSV file at path atomically (see files/atomicfile.h): the
// previous file stays as it was unless the new one was written completely.
// False with the reason in error on failure.
bool writeCsvFile(const QString& path, const ExportContent& content, QString* error = nullptr);
