// The semicolon-separated export.
#pragma once

#include <QString>
#include <QTextStream>

// Writes the header and the side blocks asked for (side A first) in the
// current language. False when the stream reported a write error.
bool writeCsv(QTextStream& stream, bool sideA, bool sideB);
void writeCsvSide(QTextStream& stream, bool sideA);
