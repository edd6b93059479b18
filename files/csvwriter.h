// The semicolon-separated export, and the file choice shared with the ODS
// export.
#pragma once

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
