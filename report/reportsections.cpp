#include "report/reportsections.h"

#include "frame/reporttexts.h"
#include "frame/texttable.h"
#include "frame/uitexts.h"
#include "reader/sidedownloadtext.h"
#include "frame/integritytexts.h"

#include <QLocale>

namespace {

// Texts of the table the report shares with the pages.
constexpr int textHardwareVersion = 53;
constexpr int textSoftwareVersion = 131;
constexpr int textPvn = 100;
constexpr int textPulseInput = 102;
constexpr int textCountryCode = 18;
constexpr int textFuelFlow = 49;
constexpr int textRatePercent = 111;
constexpr int textSectionA = 126;
constexpr int textSectionB = 127;

// More than these changes in one visit: the last ones are listed.
constexpr int actionsListed = 8;

QString timeText(const QDateTime& time)
{
    return time.isValid() ? time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QStringLiteral("–");
}

QString sourceText(const VisitReport& report)
{
    switch (report.source) {
    case ReportSource::Download: return text(ReportText::sourceDownload);
    case ReportSource::Archive: return text(ReportText::sourceArchive).arg(report.sourceName);
    case ReportSource::File: break;
    }
    return text(ReportText::sourceFile).arg(report.sourceName);
}

QString percentText(double value)
{
    return QString::number(value, 'f', 1) + QStringLiteral(" %");
}

QStringList bandRow(const QString& name, const RateBandCounts& counts)
{
    return {name, QString::number(counts.below), QString::number(counts.within),
            QString::number(counts.above), QString::number(counts.total())};
}

// An archived download whose note is missing or names no outcome tells
// only that its records were archived, not how the download ended.
QString outcomeText(ReportSource source, const ReportSide& side, const SideFigures& figures)
{
    const SideDownload& download = side.download;
    if (download.outcome == SideOutcome::NotRequested)
        return source == ReportSource::Archive ? text(ReportText::outcomeNotRecorded).arg(figures.count)
                                               : text(ReportText::fromFile);
    QStringList parts{sideCountText(download), sideEndingText(download)};
    if (download.unreadLines > 0)
        parts.append(text(IntegrityText::unreadLines).arg(download.unreadLines));
    if (!download.gaps.isEmpty())
        parts.append(text(IntegrityText::missingNumbers).arg(numberGapsText(download.gaps)));
    parts.append(text(IntegrityText::fromUnitAndArchive).arg(figures.fromUnit).arg(figures.fromArchive));
    return parts.join(QStringLiteral("; "));
}

void paintOutside(ReportPen& pen, const SideFigures& figures, int width)
{
    if (figures.outsideCount == 0) {
        pen.line(text(ReportText::noOutside));
        return;
    }
    // Two halves side by side, newest first down the left half.
    const int half = (width + 1) / 2;
    const QStringList header{text(ReportText::number), text(UiText::dateAndTime), text(textRatePercent),
                             text(textFuelFlow)};
    const QVector<int> columns{0, 180, 520, 700, half, half + 180, half + 520, half + 700};
    const int rowsPerHalf = (figures.outside.size() + 1) / 2;
    QList<QStringList> rows{header + header};
    for (int r = 0; r < rowsPerHalf; ++r) {
        QStringList row;
        for (int column = 0; column < 2; ++column) {
            const int i = column * rowsPerHalf + r;
            if (i >= figures.outside.size()) {
                row << QString() << QString() << QString() << QString();
                continue;
            }
            const OutsideFilling& filling = figures.outside.at(i);
            row << QString::number(filling.number) << recordTimeText(filling.timestamp)
                << percentText(filling.ratePercent) << QString::number(filling.fuelFlow, 'f', 1);
        }
        rows.append(row);
    }
    pen.table(columns, rows, true, false);
}

} // namespace

NamedValues unitValues(const UnitIdentity& unit)
{
    NamedValues rows{
        {text(UiText::serialNumber), QString::number(unit.serialNumber)},
        {text(textHardwareVersion), QString::number(unit.hardwareVersion, 'g', 6)},
        {text(textSoftwareVersion), unit.softwareVersion},
        {text(textPvn), QString::number(double(unit.pvnValue) / 100.0, 'g', 6)},
        {text(textPulseInput), QString::number(unit.pulseInput) + QStringLiteral(" / L")}};
    // As on the Home page: a country code or PCM text the unit did not give is left out.
    if (unit.countryCode >= 0)
        rows.append({text(textCountryCode), QString::number(double(unit.countryCode), 'g', 6)});
    if (!unit.pcmText.contains(QStringLiteral("-1")))
        rows.append({QStringLiteral("PCM"), unit.pcmText});
    return rows;
}

QStringList actionLines(const QList<VisitAction>& actions)
{
    QStringList lines;
    for (const VisitAction& action : actions) {
        QString line;
        switch (action.kind) {
        case VisitAction::ModeReset:
            line = text(ReportText::actionReset);
            break;
        case VisitAction::PulseInput:
            line = text(ReportText::actionPulse).arg(action.oldPulseInput).arg(action.newPulseInput);
            break;
        case VisitAction::ClockSet:
            line = text(ReportText::actionClock).arg(timeText(action.clock));
            break;
        }
        if (!action.succeeded)
            line = text(ReportText::actionFailed).arg(line);
        lines.append(action.at.isValid() ? action.at.toString(QStringLiteral("HH:mm:ss  ")) + line : line);
    }
    return lines;
}

void paintPageHead(ReportPen& pen, const VisitReport& report)
{
    pen.title(text(ReportText::title), QString::number(report.unit.serialNumber));
    QStringList visit{timeText(report.downloadTime), report.technician, report.site};
    visit.removeAll(QString());
    pen.line(visit.join(QStringLiteral(" · ")));
    pen.skip(20);
}

void paintReportHead(ReportPen& pen, const VisitReport& report)
{
    pen.title(text(ReportText::title), QString::number(report.unit.serialNumber));
    constexpr int columnWidth = 640; // the unit's values are short, the visit's longer
    const NamedValues visit{{text(ReportText::downloadTime), timeText(report.downloadTime)},
                            {text(ReportText::source), sourceText(report)},
                            {text(ReportText::technician), report.technician},
                            {text(ReportText::site), report.site}};
    const int unitHeight = pen.namedValues(0, columnWidth - 40, unitValues(report.unit));
    const int visitHeight = pen.namedValues(columnWidth, 1860 - columnWidth, visit);
    pen.skip(qMax(unitHeight, visitHeight));
    pen.heading(text(ReportText::actions));
    QStringList lines = actionLines(report.actions);
    if (lines.isEmpty())
        lines.append(text(ReportText::noActions));
    if (lines.size() > actionsListed)
        lines = QStringList{QStringLiteral("…")} + lines.mid(lines.size() - actionsListed + 1);
    for (const QString& line : lines)
        pen.line(line);
}

void paintSideFigures(ReportPen& pen, ReportSource source, const ReportSide& side, const SideFigures& figures)
{
    constexpr int contentWidth = 1860;
    pen.heading(text(side.side == 'A' ? textSectionA : textSectionB));
    const bool any = figures.count > 0;
    const QString numbers = any ? QStringLiteral("%1 – %2").arg(figures.lowestNumber).arg(figures.highestNumber)
                                : QStringLiteral("–");
    QString dates = figures.firstTime.isValid()
                        ? timeText(figures.firstTime) + QStringLiteral(" – ") + timeText(figures.lastTime)
                        : QStringLiteral("–");
    const NamedValues facts{{text(ReportText::records), any ? QString::number(figures.count)
                                                            : text(ReportText::noRecords)},
                            {text(ReportText::numbers), numbers},
                            {text(ReportText::dates), dates},
                            {text(ReportText::outcome), outcomeText(source, side, figures)}};
    pen.skip(pen.namedValues(0, contentWidth, facts));

    pen.heading(text(ReportText::rates));
    const QVector<int> columns{0, 520, 840, 1180, 1540};
    pen.table(columns,
              {{QString(), text(ReportText::below), text(ReportText::within), text(ReportText::above),
                text(ReportText::records)},
               bandRow(text(ReportText::allFillings), figures.bands.all),
               bandRow(text(ReportText::levelLow), figures.bands.lowerLevels),
               bandRow(text(ReportText::levelHigh), figures.bands.upperLevels)},
              true, true);
    pen.line(text(ReportText::median) + QStringLiteral(": ")
             + (any ? percentText(figures.bands.medianRate) : QStringLiteral("–")));

    pen.heading(text(ReportText::outside).arg(figures.outside.size()).arg(figures.outsideCount));
    paintOutside(pen, figures, contentWidth);
}
