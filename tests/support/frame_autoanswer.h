// Answers the next modal dialog of a GUI test from a timer, so that a test can
// call a function that runs a modal box and still get control back.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

class QAbstractButton;
class QWidget;

class AutoAnswer : public QObject
{
public:
    using Action = std::function<void(QWidget* modal)>;

    // Polls every 10 ms for the active modal widget and runs the action on the
    // first one it sees running its own event loop, however late it appears
    // (up to waitMs). A dialog still open closeAfterMs after the action is
    // rejected by force, so a broken action fails the test instead of hanging.
    explicit AutoAnswer(Action action, int waitMs = 10000, int closeAfterMs = 3000);

    bool answered() const { return acted; }
    bool forced() const { return forcedClose; }

private:
    void poll();

    Action action;
    QTimer timer;
    QElapsedTimer clock;
    int waitMs;
    int closeAfterMs;
    qint64 actedAt = 0;
    int baseLoopLevel = 0;
    bool acted = false;
    bool forcedClose = false;
};

// The push button of a widget tree with the given object name, or null.
QAbstractButton* findButtonNamed(QWidget* root, const QString& name);
// The push button of a widget tree showing the given label, or null.
QAbstractButton* findButtonLabelled(QWidget* root, const QString& label);
