// The visit report from the window: the sides it holds, where each came
// from, and what was changed on the unit since the last connect.
#include "app/gui_kelmoradiagnose.h"

#include "app/reportactions.h"

#include <QPushButton>

VisitReport GUI_KelmoraDiagnose::visitReport() const
{
    VisitReport report;
    report.actions = actionsThisVisit();
    bool fromDownload = false;
    for (int i = 0; i < 2; ++i) {
        const char side = char('A' + i);
        const KelmoraFillingData* records = *sideRecordsVariable(side);
        const int count = *sideCountVariable(side);
        if (!records || count == 0)
            continue;
        ReportSide reportSide;
        reportSide.side = side;
        reportSide.records = QVector<KelmoraFillingData>(records, records + count);
        reportSide.origin = sideSources.origin(side);
        reportSide.download = downloadAccount.recordsOf(side);
        reportSide.download.historyLines.clear(); // the report needs the records only
        if (report.sides.isEmpty())
            report.unit = reportSide.origin.unit;
        const QDateTime arrived = sideSources.arrived(side);
        if (arrived.isValid() && (!report.downloadTime.isValid() || arrived > report.downloadTime))
            report.downloadTime = arrived;
        fromDownload = fromDownload || reportSide.download.outcome != SideOutcome::NotRequested;
        report.sides.append(reportSide);
    }
    report.source = fromDownload ? ReportSource::Download : ReportSource::File;
    report.sourceName = fromDownload ? QString() : sideSources.fileName();
    return report;
}

bool GUI_KelmoraDiagnose::writeVisitReport(const QString& path, const QString& technician,
                                           const QString& site, QString* failure)
{
    return reportActions->write(path, visitReport(), technician, site, failure);
}

void GUI_KelmoraDiagnose::updateReportButton()
{
    if (home.reportButton)
        home.reportButton->setVisible(sideACount > 0 || sideBCount > 0);
}

void GUI_KelmoraDiagnose::makeReport()
{
    if (sideACount == 0 && sideBCount == 0)
        return;
    reportActions->save(visitReport());
}
