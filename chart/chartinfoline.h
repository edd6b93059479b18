// The line of unit values at the bottom of every chart picture.
#pragma once

#include "model/unitidentity.h"

#include <QString>
#include <QVector>

struct ChartInfoItem {
    int x;         // left end of the text in the picture
    QString text;
};

// The texts of the info line for the chart of side A (sideA true) or B, from
// the unit the side's records came from.
QVector<ChartInfoItem> chartInfoLine(const UnitIdentity& unit, bool sideA);

// Entries of the text table that only the chart uses.
namespace ChartText {
constexpr int undatedRecords = 162; // "Records without a valid date (not drawn):"
}

// Where the date mode's count of records without a readable date starts,
// unless the info line reaches further.
constexpr int chartUndatedX = 780;
// That count as the user reads it, in the current language.
QString chartUndatedText(int count);
