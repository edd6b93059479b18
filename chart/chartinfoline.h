// The line of unit values at the bottom of every chart picture.
#pragma once

#include <QString>
#include <QVector>

class APP_KelmoraDataReader;

struct ChartInfoItem {
    int x;         // left end of the text in the picture
    QString text;
};

// The texts of the info line for the chart of side A (sideA true) or B, from
// the values the reader keeps for the connected unit. Without a reader there
// is nothing to show: the list is empty.
QVector<ChartInfoItem> chartInfoLine(const APP_KelmoraDataReader* reader, bool sideA);

// Entries of the text table that only the chart uses.
namespace ChartText {
constexpr int undatedRecords = 162; // "Records without a valid date (not drawn):"
}

// Where the date mode's count of records without a readable date starts,
// unless the info line reaches further.
constexpr int chartUndatedX = 780;
// That count as the user reads it, in the current language.
QString chartUndatedText(int count);
