#include "app/reportactions.h"

#include "files/archivefolder.h"
#include "files/archivevisits.h"
#include "files/downloadarchive.h"
#include "frame/messagebox.h"
#include "frame/reporttexts.h"
#include "frame/stylesheets.h"
#include "frame/texttable.h"
#include "frame/uitexts.h"
#include "report/reportpdf.h"
#include "report/reportsources.h"
#include "table/exportfile.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

ReportActions::ReportActions(QWidget* dialogParent, std::function<void(const QString&)> log)
    : QObject(dialogParent)
    , parentWidget(dialogParent)
    , logLine(std::move(log))
{
}

bool ReportActions::write(const QString& path, VisitReport report, const QString& technician,
                          const QString& site, QString* failure)
{
    rememberVisitor(technician, site);
    report.technician = technician;
    report.site = site;
    QString error;
    if (!writeReportPdf(path, report, &error)) {
        logLine(text(ReportText::saveFailed).arg(error));
        if (failure)
            *failure = text(ReportText::saveFailed).arg(error);
        return false;
    }
    logLine(text(ReportText::saved).arg(path));
    return true;
}

bool ReportActions::askVisitor(QString* technician, QString* site)
{
    QDialog dialog(parentWidget);
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

void ReportActions::saveArchived(const ArchivedDownload& download)
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
    save(report);
}

void ReportActions::save(const VisitReport& report)
{
    QString technician;
    QString site;
    if (!askVisitor(&technician, &site))
        return;
    const QString path = chooseExportFile(QStringLiteral("pdf"));
    if (path.isEmpty())
        return;
    QString failure;
    if (write(path, report, technician, site, &failure))
        rememberExportFolder(path);
    else
        showNotice(failure, QString());
}
