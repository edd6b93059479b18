#include "report/reportsources.h"

#include "files/import.h"

#include <QFileInfo>

namespace {

ReportSide sideOf(char side, const KelmoraFillingData* records, int count, const UnitIdentity& unit,
                  bool recordFormatNo)
{
    ReportSide reportSide;
    reportSide.side = side;
    if (records && count > 0)
        reportSide.records = QVector<KelmoraFillingData>(records, records + count);
    reportSide.origin.unit = unit;
    reportSide.origin.recordFormatNo = recordFormatNo;
    reportSide.download.side = side;
    return reportSide;
}

} // namespace

VisitReport reportFromStorage(const UnitIdentity& unit, const SideDownload (&downloads)[2],
                              bool sideA, bool sideB)
{
    VisitReport report;
    report.unit = unit;
    report.downloadTime = QDateTime::currentDateTime();
    report.source = ReportSource::Download;
    const bool asked[2] = {sideA, sideB};
    for (int i = 0; i < 2; ++i) {
        if (!asked[i])
            continue;
        const char side = char('A' + i);
        const KelmoraFillingData* const* records = sideRecordsVariable(side);
        const quint16* count = sideCountVariable(side);
        ReportSide reportSide = sideOf(side, records ? *records : nullptr, count ? *count : 0, unit,
                                       downloads[i].recordFormatNo);
        reportSide.download = downloads[i];
        reportSide.download.historyLines.clear(); // the report needs the records only
        report.sides.append(reportSide);
    }
    return report;
}

VisitReport reportFromImport(const DataImport& import, const QString& fileName)
{
    VisitReport report;
    report.unit = import.unit;
    report.source = ReportSource::File;
    report.sourceName = QFileInfo(fileName).fileName();
    for (const ImportedSide& side : import.sides)
        report.sides.append(sideOf(side.side, side.records.get(), side.count, import.unit,
                                   side.recordFormatNo));
    std::sort(report.sides.begin(), report.sides.end(),
              [](const ReportSide& a, const ReportSide& b) { return a.side < b.side; });
    return report;
}

bool reportFromArchive(const QList<ArchiveEntry>& entries, VisitReport* report, QString* error)
{
    *report = VisitReport();
    if (entries.isEmpty()) {
        *error = QStringLiteral("no archived download");
        return false;
    }
    const ArchiveEntry& first = entries.first();
    report->source = ReportSource::Archive;
    report->sourceName = first.stamp; // the unit is named beside it
    report->downloadTime = first.time.toLocalTime();
    if (!first.csvPath.isEmpty()) {
        const DataImport import = readDataFile(first.csvPath);
        if (import.result == ImportResult::Delivered)
            report->unit = import.unit;
    }
    QStringList problems;
    for (const ArchiveEntry& entry : entries) {
        if (entry.path.isEmpty())
            continue; // nothing of this side arrived
        const std::optional<ArchivedSide> loaded = loadArchivedSide(entry, &problems);
        if (!loaded)
            continue;
        ReportSide side = sideOf(entry.side, loaded->records.constData(), loaded->records.size(),
                                 report->unit, loaded->recordFormatNo);
        side.download.outcome = entry.outcomeKnown ? entry.outcome : SideOutcome::NotRequested;
        side.download.requested = entry.requested;
        side.download.received = loaded->records.size();
        side.download.fromArchive = qMin(entry.fromArchive, side.download.received);
        report->sides.append(side);
    }
    if (report->sides.isEmpty()) {
        *error = problems.isEmpty() ? QStringLiteral("the archived download holds no records")
                                    : problems.join(QStringLiteral("; "));
        return false;
    }
    return true;
}
