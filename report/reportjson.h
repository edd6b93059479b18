// The figures of a visit report as JSON, for scripts: the same numbers the
// PDF prints, under names of their own.
#pragma once

#include "report/visitreport.h"

#include <QJsonObject>

QJsonObject reportJson(const VisitReport& report);

// Saves the document atomically; false with *error set when it could not.
bool writeReportJson(const QString& path, const VisitReport& report, QString* error);
