// The semicolon-separated export, and the file choice shared with the ODS
// export.
#pragma once

#include "exportcommon.h"

#include <QFile>
#include <QString>
#include <QTextStream>

// Asks for the target file with the save dialog ("*." + extension). Sets the
// file's name; opens it for writing when open is set (showing text 36 when
// that fails). True when the export may go on.
bool chooseExportFile(QFile& file, const QString& extension, bool open);

// Writes the header and the side blocks asked for (side A first) in the
// current language. False when the stream reported a write error.
bool writeCsv(QTextStream& stream, bool sideA, bool sideB);
void writeCsvSide(QTextStream& stream, bool sideA);

// Writes the same file for records held outside the per-side storage (the
// download archive): the given identity, and side A and/or B when their
// pointer is set, side A first. False when the stream reported a write error.
bool writeCsvRecords(QTextStream& stream, const ExportIdentity& unit, const SideRecords* sideA,
                     const SideRecords* sideB);
