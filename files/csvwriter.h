// The semicolon-separated export.
#pragma once

#include "files/exportcommon.h"

#include <QString>
#include <QTextStream>

// Writes the header and the side blocks asked for (side A first) in the
// current language. False when the stream reported a write error.
bool writeCsv(QTextStream& stream, bool sideA, bool sideB);
void writeCsvSide(QTextStream& stream, bool sideA);

// Writes the same file for records held outside the per-side storage (the
// download archive): the given identity, and side A and/or B when their
// pointer is set, side A first. False when the stream reported a write error.
bool writeCsvRecords(QTextStream& stream, const ExportIdentity& unit, const SideRecords* sideA,
                     const SideRecords* sideB);

// Saves the CSV file at path atomically (see files/atomicfile.h): the
// previous file stays as it was unless the new one was written completely.
// False with the reason in error on failure.
bool writeCsvFile(const QString& path, bool sideA, bool sideB, QString* error = nullptr);
