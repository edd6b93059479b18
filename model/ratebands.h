// How a side's fillings lie against the chart's reference lines: the recovery
// rate of a filling is "in band" from 85 % to 115 % inclusive. The chart
// colours level codes 0-10 and 11 and above apart; the split follows it.
#pragma once

#include <QtGlobal>

struct KelmoraFillingData;

constexpr double rateBandLow = 85.0;
constexpr double rateBandHigh = 115.0;
constexpr quint16 upperLevelClass = 11;

enum class RateBand { Below, Within, Above };

RateBand rateBand(double ratePercent);

struct RateBandCounts {
    int below = 0;
    int within = 0;
    int above = 0;

    int total() const { return below + within + above; }
    // Share of fillings in band, 0..1; negative when there are none.
    double withinShare() const;
};

struct RateBands {
    RateBandCounts all;
    RateBandCounts lowerLevels; // level codes 0-10
    RateBandCounts upperLevels; // level codes 11 and above
    double medianRate = 0.0;    // of every filling; 0 when there are none
};

RateBands rateBands(const KelmoraFillingData* records, int count);
