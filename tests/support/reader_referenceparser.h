// A plain reading of history lines, word by word through QString and with
// each local time converted by asking the date library for every offset. The
// fast parser must give the same records field by field.
#pragma once

#include "model/kelmorafillingdata.h"

#include <QByteArray>

int referenceParseHistoryLines(const QByteArray& bytes, KelmoraFillingData* out, int capacity,
                               bool* formatNo, bool* formatDecided);
