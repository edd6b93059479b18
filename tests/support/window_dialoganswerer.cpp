#include "window_dialoganswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
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
}

void DialogAnswerer::answerOpenDialogs()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (!widget->isVisible())
            continue;
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
        } else if (auto* files = qobject_cast<QFileDialog*>(widget)) {
            ++fileDialogs;
            if (filePath.isEmpty()) {
                files->reject();
            } else {
                // done() rather than accept(): the dialog's own checks would
                // keep it open on a path the test wants to fail later.
                files->selectFile(filePath);
                static_cast<QDialog*>(files)->done(QDialog::Accepted);
            }
        }
    }
}
