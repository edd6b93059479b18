#include "frame_autoanswer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QWidget>

AutoAnswer::AutoAnswer(Action answer, int waitLimitMs, int closeLimitMs)
    : action(std::move(answer)), waitMs(waitLimitMs), closeAfterMs(closeLimitMs)
{
    timer.setInterval(10);
    connect(&timer, &QTimer::timeout, this, &AutoAnswer::poll);
    clock.start();
    timer.start();
}

void AutoAnswer::poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!acted) {
        if (modal) {
            acted = true;
            actedAt = clock.elapsed();
            action(modal);
        } else if (clock.elapsed() > waitMs) {
            timer.stop();
        }
        return;
    }
    if (!modal) {
        timer.stop();
        return;
    }
    if (clock.elapsed() - actedAt > closeAfterMs) {
        forcedClose = true;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    }
}

QAbstractButton* findButtonNamed(QWidget* root, const QString& name)
{
    return root ? root->findChild<QAbstractButton*>(name) : nullptr;
}

QAbstractButton* findButtonLabelled(QWidget* root, const QString& label)
{
    if (!root)
        return nullptr;
    for (QAbstractButton* button : root->findChildren<QAbstractButton*>())
        if (button->text() == label)
            return button;
    return nullptr;
}
