#include "app/gui_logview.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>

namespace {

// Block state of a paragraph that continues the line above it: it holds
// what the view would have wrapped onto a new line anyway.
constexpr int continuationState = 1;
constexpr int maxLines = 8;
// Lines a paragraph wraps to before its last line moves on. A run of dots
// is one word: until it is longer than a line the view may still move it
// whole onto the next line, which changes the earlier breaks. With three
// lines the run already fills a line of its own and is broken anywhere, so
// the breaks before the last line are final.
constexpr int wrappedLinesPerBlock = 3;

} // namespace

GUI_LogView::GUI_LogView(QWidget* parent) : QTextEdit(parent)
{
    pendingTimer.setSingleShot(true);
    pendingTimer.setInterval(appendDelayMs);
    connect(&pendingTimer, &QTimer::timeout, this, &GUI_LogView::flushPending);
}

int GUI_LogView::lineCount() const
{
    int lines = 0;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        if (block.userState() != continuationState)
            ++lines;
    return lines;
}

void GUI_LogView::addLine(QString line)
{
    flushPending();
    // An empty log has one empty line; eight lines fill the log.
    if (lineCount() >= maxLines)
        clear();
    line.remove(QLatin1Char('\r'));
    line.remove(QLatin1Char('\n'));
    append(line);
}

void GUI_LogView::appendToLine(const QString& text)
{
    pending += text;
    if (!pendingTimer.isActive())
        pendingTimer.start();
}

void GUI_LogView::flushPending()
{
    pendingTimer.stop();
    if (pending.isEmpty())
        return;
    // Through a cursor of the document, not the view's: the view's cursor
    // would scroll, signal and update twice per change.
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertText(pending);
    pending.clear();
    splitWrappedLastBlock();
    // The view follows the end, as moving its cursor there would make it.
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

// Once the last paragraph wraps to several lines, its last line becomes a
// paragraph of its own: the lines before it keep exactly the breaks the view gave them, the
// new paragraph starts at the left edge as the wrapped line did, and the
// next append lays out one line instead of the whole run.
void GUI_LogView::splitWrappedLastBlock()
{
    QTextBlock last = document()->lastBlock();
    const QTextLayout* layout = last.layout();
    if (!layout || layout->lineCount() < wrappedLinesPerBlock)
        return;
    const int lastLineStart = layout->lineAt(layout->lineCount() - 1).textStart();
    if (lastLineStart <= 0)
        return;
    QTextCursor cursor(document());
    cursor.setPosition(last.position() + lastLineStart);
    cursor.insertBlock();
    document()->lastBlock().setUserState(continuationState);
}

void GUI_LogView::clearLog()
{
    pending.clear();
    pendingTimer.stop();
    clear();
}

QString GUI_LogView::logText() const
{
    QString text;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        if (block != document()->begin() && block.userState() != continuationState)
            text += QLatin1Char('\n');
        text += block.text();
    }
    return text + pending;
}
