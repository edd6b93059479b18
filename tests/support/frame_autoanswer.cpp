#include "frame_autoanswer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QThread>
#include <QWidget>

AutoAnswer::AutoAnswer(Action answer, int waitLimitMs, int closeLimitMs)
    : action(std::move(answer)), waitMs(waitLimitMs), closeAfterMs(closeLimitMs)
{
    timer.setInterval(10);
    connect(&timer, &QTimer::timeout, this, &AutoAnswer::poll);
    baseLoopLevel = QThread::currentThread()->loopLevel();
    clock.start();
    timer.start();
}

void AutoAnswer::poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    // Showing a dialog may process events before exec() has started its own
    // loop; closing it then would leave exec() waiting for ever. Act only from
    // inside the dialog's loop.
    const bool insideDialogLoop = QThread::currentThread()->loopLevel() > baseLoopLevel;
    if (!acted) {
        if (modal && insideDialogLoop) {
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
    if (insideDialogLoop && clock.elapsed() - actedAt > closeAfterMs) {
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
