// The window's log: short lines of what the unit said, and during a download
// a run of progress dots that grows by one every 20 ms poll (tens of
// thousands per side). A text edit lays out a whole paragraph again at every
// change, so one growing paragraph would cost quadratic time; the log keeps
// its paragraphs short instead and gathers the dots of a few polls into one
// change.
#pragma once

#include <QString>
#include <QTextEdit>
#include <QTimer>

class GUI_LogView : public QTextEdit
{
    Q_OBJECT

public:
    // Dots that arrive within this time are shown together.
    static constexpr int appendDelayMs = 1000;

    explicit GUI_LogView(QWidget* parent = nullptr);

    // A line of its own (CR and LF removed). After eight lines the log starts
    // afresh. Text still waiting to be appended is shown first.
    void addLine(QString line);
    // Continues the last line with text, shown within appendDelayMs.
    void appendToLine(const QString& text);
    // Shows the text still waiting at once (the timer does it otherwise).
    void flushPending();
    // Empties the log, including what is still waiting.
    void clearLog();
    // The log's lines as the user reads them: a line the view wraps is one
    // line, however it is stored.
    QString logText() const;

private:
    void splitWrappedLastBlock();
    int lineCount() const;

    QString pending;
    QTimer pendingTimer;
};
