#include "window_dialoganswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QInputDialog>
#include <QMessageBox>
#include <QSet>
#include <QTimer>

DialogAnswerer::DialogAnswerer(QObject* parent) : QObject(parent), timer(new QTimer(this))
{
    connect(timer, &QTimer::timeout, this, &DialogAnswerer::answerOpenDialogs);
    timer->start(15);
}

void DialogAnswerer::clear()
{
    messages.clear();
    recordCountDialogs = 0;
    fileDialogs = 0;
    fileDialogFolders.clear();
    reportDialogs = 0;
}

void DialogAnswerer::answerReportDialog(QDialog* dialog)
{
    ++reportDialogs;
    if (!reportDialogShot.isEmpty())
        dialog->grab().save(reportDialogShot);
    if (technician.isNull()) {
        dialog->reject();
        return;
    }
    if (auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("technicianField")))
        field->setText(technician);
    if (auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("siteField")))
        field->setText(site);
    dialog->accept();
}

void DialogAnswerer::answerOpenDialogs()
{
    QSet<QWidget*> visibleNow;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (!widget->isVisible())
            continue;
        visibleNow.insert(widget);
        // A dialog is answered on the poll after the one that first saw it:
        // the timer may fire while the dialog is still being shown, before
        // its event loop runs, and an answer then would be lost.
        if (!seenVisible.contains(widget))
            continue;
        const bool reportDialog = widget->objectName() == QLatin1String("reportDialog");
        if (qobject_cast<QMessageBox*>(widget) || qobject_cast<QInputDialog*>(widget)
            || qobject_cast<QFileDialog*>(widget) || reportDialog)
            visibleNow.remove(widget); // answered now; a later dialog may reuse the address
        if (auto* box = qobject_cast<QMessageBox*>(widget)) {
            SeenMessage seen{box->text(), box->informativeText(), {}};
            QAbstractButton* target = nullptr;
            for (QAbstractButton* button : box->buttons()) {
                seen.buttons << button->text();
                const bool cancel = button->objectName() == QLatin1String("reject");
                if ((messageAnswer == 1) == cancel)
                    target = button;
            }
            messages << seen;
            if (target)
                target->click();
            else
                box->reject();
        } else if (auto* input = qobject_cast<QInputDialog*>(widget)) {
            ++recordCountDialogs;
            if (recordCount < 0) {
                input->reject();
            } else {
                input->setIntValue(recordCount);
                input->accept();
            }
        } else if (reportDialog) {
            answerReportDialog(static_cast<QDialog*>(widget));
        } else if (auto* files = qobject_cast<QFileDialog*>(widget)) {
            ++fileDialogs;
            fileDialogFolders << files->directory().absolutePath();
            if (filePath.isEmpty()) {
                files->reject();
            } else {
                // done() rather than accept(): the dialog's own checks would
                // keep it open on a path the test wants to fail later.
                // The whole path typed into the name field, as a user would:
                // selectFile leaves the field alone while it has the focus.
                if (auto* nameEdit = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                    nameEdit->setText(filePath);
                else
                    files->selectFile(filePath);
                static_cast<QDialog*>(files)->done(QDialog::Accepted);
            }
        }
    }
    seenVisible = visibleNow;
}
