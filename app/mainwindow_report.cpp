// The visit report from the window: the sides it holds, where each came
// from, and what was changed on the unit since the last connect.
#include "app/gui_kelmoradiagnose.h"

#include "frame/messagebox.h"
#include "frame/reporttexts.h"
#include "frame/stylesheets.h"
#include "frame/texttable.h"
#include "frame/uitexts.h"
#include "files/archivefolder.h"
#include "files/archivevisits.h"
#include "files/downloadarchive.h"
#include "report/reportpdf.h"
#include "report/reportsources.h"
#include "table/exportfile.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

VisitReport GUI_KelmoraDiagnose::visitReport() const
{
    VisitReport report;
    report.actions = visitActions;
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
        reportSide.origin = sideOrigin[i];
        reportSide.download = downloadAccount.recordsOf(side);
        reportSide.download.historyLines.clear(); // the report needs the records only
        if (report.sides.isEmpty())
            report.unit = sideOrigin[i].unit;
        if (recordsTime[i].isValid() && (!report.downloadTime.isValid() || recordsTime[i] > report.downloadTime))
            report.downloadTime = recordsTime[i];
        fromDownload = fromDownload || reportSide.download.outcome != SideOutcome::NotRequested;
        report.sides.append(reportSide);
    }
    report.source = fromDownload ? ReportSource::Download : ReportSource::File;
    report.sourceName = fromDownload ? QString() : loadedFileName;
    return report;
}

bool GUI_KelmoraDiagnose::writeVisitReport(const QString& path, const QString& technician,
                                           const QString& site, QString* failure)
{
    return writeReport(path, visitReport(), technician, site, failure);
}

bool GUI_KelmoraDiagnose::writeReport(const QString& path, VisitReport report, const QString& technician,
                                      const QString& site, QString* failure)
{
    rememberVisitor(technician, site);
    report.technician = technician;
    report.site = site;
    QString error;
    if (!writeReportPdf(path, report, &error)) {
        display(text(ReportText::saveFailed).arg(error));
        if (failure)
            *failure = text(ReportText::saveFailed).arg(error);
        return false;
    }
    display(text(ReportText::saved).arg(path));
    return true;
}

void GUI_KelmoraDiagnose::updateReportButton()
{
    if (reportButton)
        reportButton->setVisible(sideACount > 0 || sideBCount > 0);
}

// Technician and site, filled with the last ones given; false when cancelled.
bool GUI_KelmoraDiagnose::askVisitor(QString* technician, QString* site)
{
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("reportDialog"));
    dialog.setStyleSheet(dialogStyle);
    dialog.setWindowTitle(text(ReportText::title));
    auto* layout = new QFormLayout(&dialog);
    auto* technicianField = new QLineEdit(rememberedTechnician(), &dialog);
    technicianField->setObjectName(QStringLiteral("technicianField"));
    auto* siteField = new QLineEdit(rememberedSite(), &dialog);
    siteField->setObjectName(QStringLiteral("siteField"));
    layout->addRow(text(ReportText::technician), technicianField);
    layout->addRow(text(ReportText::site), siteField);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(text(UiText::ok));
    buttons->button(QDialogButtonBox::Cancel)->setText(text(UiText::cancel));
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    *technician = technicianField->text().trimmed();
    *site = siteField->text().trimmed();
    return true;
}

void GUI_KelmoraDiagnose::makeReport()
{
    if (sideACount == 0 && sideBCount == 0)
        return;
    saveReport(visitReport());
}

// A report of any archived download, chosen in the Visits dialog; what the
// window holds and the changes of this visit are not part of it.
void GUI_KelmoraDiagnose::reportOfArchivedDownload(const ArchivedDownload& download)
{
    QList<ArchiveEntry> entries;
    for (const ArchiveEntry& entry : listArchive(archiveFolder(), download.unit)) {
        if (entry.stamp == download.stamp)
            entries.append(entry);
    }
    VisitReport report;
    QString error;
    if (!reportFromArchive(entries, &report, &error)) {
        showNotice(text(ReportText::saveFailed).arg(error), QString());
        return;
    }
    saveReport(report);
}

void GUI_KelmoraDiagnose::saveReport(const VisitReport& report)
{
    QString technician;
    QString site;
    if (!askVisitor(&technician, &site))
        return;
    const QString path = chooseExportFile(QStringLiteral("pdf"));
    if (path.isEmpty())
        return;
    QString failure;
    if (writeReport(path, report, technician, site, &failure))
        rememberExportFolder(path);
    else
        showNotice(failure, QString());
}
