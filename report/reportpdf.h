// The visit report as a PDF: A4 portrait, one page per side read (the unit
// and the visit head the first), in the current language of the text table.
#pragma once

#include "report/visitreport.h"

#include <QString>

class QIODevice;

// Writes the report onto device; false when the PDF could not be painted.
bool paintReportPdf(QIODevice& device, const VisitReport& report);

// Saves the report atomically at path; false with *error set when it could
// not, in which case no file of that name was written.
bool writeReportPdf(const QString& path, const VisitReport& report, QString* error);
