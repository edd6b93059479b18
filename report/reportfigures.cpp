#include "report/reportfigures.h"

#include "chart/chartordercache.h"

#include <algorithm>

QString recordTimeText(quint32 timestamp)
{
    if (timestamp == chartUndatedTimestamp)
        return QString();
    return QDateTime::fromSecsSinceEpoch(qint64(timestamp)).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

namespace {

// Newest first; undated fillings (whose time is unknown) after the dated
// ones; the record number breaks ties, higher first.
bool moreRecent(const OutsideFilling& a, const OutsideFilling& b)
{
    const bool aDated = a.timestamp != chartUndatedTimestamp;
    const bool bDated = b.timestamp != chartUndatedTimestamp;
    if (aDated != bDated)
        return aDated;
    if (a.timestamp != b.timestamp)
        return a.timestamp > b.timestamp;
    return a.number > b.number;
}

} // namespace

SideFigures sideFigures(const ReportSide& side)
{
    SideFigures figures;
    const QVector<KelmoraFillingData>& records = side.records;
    figures.count = records.size();
    if (side.download.outcome != SideOutcome::NotRequested) {
        figures.fromArchive = side.download.fromArchive;
        figures.fromUnit = side.download.received - side.download.fromArchive;
    }
    figures.bands = rateBands(records.constData(), records.size());
    quint32 first = chartUndatedTimestamp;
    quint32 last = 0;
    QVector<OutsideFilling> outside;
    for (int i = 0; i < records.size(); ++i) {
        const KelmoraFillingData& record = records.at(i);
        if (i == 0 || record.number < figures.lowestNumber)
            figures.lowestNumber = record.number;
        if (i == 0 || record.number > figures.highestNumber)
            figures.highestNumber = record.number;
        if (record.timestamp == chartUndatedTimestamp) {
            ++figures.undated;
        } else {
            first = std::min(first, record.timestamp);
            last = std::max(last, record.timestamp);
        }
        if (rateBand(record.ratePercent) != RateBand::Within)
            outside.append({record.number, record.timestamp, record.ratePercent, record.fuelFlow,
                            record.levelCode});
    }
    if (figures.undated < figures.count) {
        figures.firstTime = QDateTime::fromSecsSinceEpoch(qint64(first));
        figures.lastTime = QDateTime::fromSecsSinceEpoch(qint64(last));
    }
    figures.outsideCount = outside.size();
    const int listed = std::min(int(outside.size()), reportOutsideListed);
    std::partial_sort(outside.begin(), outside.begin() + listed, outside.end(), moreRecent);
    outside.resize(listed);
    figures.outside = outside;
    return figures;
}
