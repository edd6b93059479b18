// The spreadsheet document content.xml of the ODS export: prologue with the
// automatic styles, the data sheet and the chart sheet of a side, closing.
// Pure writers over a stream set to UTF-8; each returns false once the
// stream has reported a write error (and stops writing then).
#pragma once

#include "files/exportcommon.h"

#include <QString>
#include <QTextStream>

// XML declaration, document start tag, font faces, automatic styles and the
// start of the spreadsheet body.
bool writeContentPrologue(QTextStream& stream);
// Data sheet KELMORA_SIDE_<side> of side "A" or "B" of the content (its
// unit, that side's records, its language); any other letter, or a side the
// content does not hold, writes nothing.
bool writeDataSheet(QTextStream& stream, const QString& side, const ExportContent& content);
// Chart sheet Chart_Side_<side> with the frame that embeds "Object <side>/".
bool writeChartSheet(QTextStream& stream, const QString& side);
bool writeContentClosing(QTextStream& stream);

// The status word as nine binary digits in groups 1-4-4 ("0-0000-0110").
QString groupedBinary(qint32 status);
