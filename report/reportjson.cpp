#include "report/reportjson.h"

#include "files/atomicfile.h"
#include "files/recordjson.h"
#include "report/reportfigures.h"

#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

QString outcomeName(ReportSource source, const ReportSide& side)
{
    switch (side.download.outcome) {
    case SideOutcome::Complete: return QStringLiteral("complete");
    case SideOutcome::Interrupted: return QStringLiteral("interrupted");
    case SideOutcome::NoAnswer: return QStringLiteral("no-answer");
    case SideOutcome::NotRequested: break;
    }
    return source == ReportSource::Archive ? QStringLiteral("not-recorded") : QStringLiteral("saved-file");
}

QString sourceName(ReportSource source)
{
    switch (source) {
    case ReportSource::Download: return QStringLiteral("download");
    case ReportSource::Archive: return QStringLiteral("archive");
    case ReportSource::File: break;
    }
    return QStringLiteral("file");
}

QString isoOrNull(const QDateTime& time)
{
    return time.isValid() ? time.toString(Qt::ISODate) : QString();
}

QJsonObject countsJson(const RateBandCounts& counts)
{
    return QJsonObject{{QStringLiteral("below"), counts.below},
                       {QStringLiteral("within"), counts.within},
                       {QStringLiteral("above"), counts.above}};
}

QJsonObject actionJson(const VisitAction& action)
{
    QJsonObject object{{QStringLiteral("succeeded"), action.succeeded},
                       {QStringLiteral("at"), isoOrNull(action.at)}};
    switch (action.kind) {
    case VisitAction::ModeReset:
        object[QStringLiteral("action")] = QStringLiteral("mode-reset");
        break;
    case VisitAction::PulseInput:
        object[QStringLiteral("action")] = QStringLiteral("pulse-input");
        object[QStringLiteral("old")] = action.oldPulseInput;
        object[QStringLiteral("new")] = action.newPulseInput;
        break;
    case VisitAction::ClockSet:
        object[QStringLiteral("action")] = QStringLiteral("clock-set");
        object[QStringLiteral("clock")] = isoOrNull(action.clock);
        break;
    }
    return object;
}

QJsonObject sideJson(ReportSource source, const ReportSide& side)
{
    const SideFigures figures = sideFigures(side);
    QJsonArray gaps;
    for (const NumberGap& gap : side.download.gaps)
        gaps.append(QJsonArray{gap.first, gap.last});
    QJsonArray outside;
    for (const OutsideFilling& filling : figures.outside) {
        outside.append(QJsonObject{{QStringLiteral("number"), filling.number},
                                   {QStringLiteral("time"), recordTimeText(filling.timestamp)},
                                   {QStringLiteral("ratePercent"), filling.ratePercent},
                                   {QStringLiteral("fuelFlow"), filling.fuelFlow},
                                   {QStringLiteral("levelCode"), filling.levelCode}});
    }
    return QJsonObject{
        {QStringLiteral("records"), figures.count},
        {QStringLiteral("lowestNumber"), figures.lowestNumber},
        {QStringLiteral("highestNumber"), figures.highestNumber},
        {QStringLiteral("firstTime"), isoOrNull(figures.firstTime)},
        {QStringLiteral("lastTime"), isoOrNull(figures.lastTime)},
        {QStringLiteral("undated"), figures.undated},
        {QStringLiteral("outcome"), outcomeName(source, side)},
        {QStringLiteral("requested"), side.download.requested},
        {QStringLiteral("fromUnit"), figures.fromUnit},
        {QStringLiteral("fromArchive"), figures.fromArchive},
        {QStringLiteral("missingNumbers"), gaps},
        {QStringLiteral("unreadLines"), side.download.unreadLines},
        {QStringLiteral("rates"), QJsonObject{
             {QStringLiteral("all"), countsJson(figures.bands.all)},
             {QStringLiteral("levelCode0to10"), countsJson(figures.bands.lowerLevels)},
             {QStringLiteral("levelCode11up"), countsJson(figures.bands.upperLevels)},
             {QStringLiteral("medianRatePercent"), figures.bands.medianRate}}},
        {QStringLiteral("outsideCount"), figures.outsideCount},
        {QStringLiteral("outsideMostRecent"), outside}};
}

} // namespace

QJsonObject reportJson(const VisitReport& report)
{
    QJsonArray actions;
    for (const VisitAction& action : report.actions)
        actions.append(actionJson(action));
    QJsonObject sides;
    for (const ReportSide& side : report.sides)
        sides[QString(QLatin1Char(side.side))] = sideJson(report.source, side);
    return QJsonObject{{QStringLiteral("unit"), unitJson(report.unit)},
                       {QStringLiteral("downloadTime"), isoOrNull(report.downloadTime)},
                       {QStringLiteral("technician"), report.technician},
                       {QStringLiteral("site"), report.site},
                       {QStringLiteral("source"), sourceName(report.source)},
                       {QStringLiteral("sourceName"), report.sourceName},
                       {QStringLiteral("actions"), actions},
                       {QStringLiteral("sides"), sides}};
}

bool writeReportJson(const QString& path, const VisitReport& report, QString* error)
{
    const QByteArray json = QJsonDocument(reportJson(report)).toJson();
    return saveFileAtomically(
        path, [&](QIODevice& device) { return device.write(json) == json.size(); }, error);
}
