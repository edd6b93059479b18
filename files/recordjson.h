// The records and the unit values as one JSON document, for scripts that
// drive the command-line tool.
#pragma once

#include "reader/kelmorafillingdata.h"

#include <QJsonArray>
#include <QJsonObject>

class APP_KelmoraDataReader;

// The unit members under their own names.
QJsonObject unitJson(const APP_KelmoraDataReader& reader);
// Every data field of every record; timestamp as ISO 8601 local time.
QJsonArray recordsJson(const KelmoraFillingData* records, quint16 count);
// { "unit": …, "sideA": […], "sideB": […] } with the sides asked for.
QJsonObject readerJson(const APP_KelmoraDataReader& reader, bool sideA, bool sideB);
