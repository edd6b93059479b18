// The records and the unit values as one JSON document, for scripts that
// drive the command-line tool.
#pragma once

#include "files/exportcommon.h"
#include "model/kelmorafillingdata.h"
#include "model/unitidentity.h"

#include <QJsonArray>
#include <QJsonObject>

// The unit values under their own names; recordFormatNo is the layout of
// the records the document carries.
QJsonObject unitJson(const UnitIdentity& unit, bool recordFormatNo = false);
// Every data field of every record; timestamp as ISO 8601 local time.
QJsonArray recordsJson(const KelmoraFillingData* records, quint16 count);
// { "unit": …, "sideA": […], "sideB": […] } with the sides present. The
// unit's recordFormatNo is that of side A when present, else of side B.
QJsonObject recordsDocument(const UnitIdentity& unit, const std::optional<SideRecords>& sideA,
                            const std::optional<SideRecords>& sideB);
