// The figures of one side of a visit report: what the PDF prints and the
// JSON carries, computed once from the side's records.
#pragma once

#include "model/ratebands.h"
#include "report/visitreport.h"

#include <QDateTime>
#include <QVector>

// A filling whose recovery rate lies outside the band.
struct OutsideFilling {
    qint32 number = 0;
    quint32 timestamp = 0;   // as the record holds it; 0xFFFFFFFF when undated
    double ratePercent = 0.0;
    double fuelFlow = 0.0;
    quint16 levelCode = 0;
};

constexpr int reportOutsideListed = 20;

struct SideFigures {
    int count = 0;
    qint32 lowestNumber = 0;     // of every record; both 0 when there are none
    qint32 highestNumber = 0;
    QDateTime firstTime;         // of the dated records; invalid when none is dated
    QDateTime lastTime;
    int undated = 0;
    int fromUnit = 0;            // records that came over the line in this download
    int fromArchive = 0;
    RateBands bands;
    int outsideCount = 0;
    // The most recent fillings outside the band, newest first (undated
    // after dated, then by record number), at most reportOutsideListed.
    QVector<OutsideFilling> outside;
};

SideFigures sideFigures(const ReportSide& side);

// A record's time as the pages show it; empty for an undated record.
QString recordTimeText(quint32 timestamp);
