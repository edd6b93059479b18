#include "app/gui_downloadprogress.h"

#include "frame/incrementaltexts.h"
#include "frame/texttable.h"
#include "frame/uitexts.h"

#include <QLabel>
#include <QProgressBar>
#include <QResizeEvent>

namespace {

const char* const captionStyle =
    "QLabel {background:transparent; color:#1C3563; font-size:10pt;}";
const char* const barStyle =
    "QProgressBar {border:2px solid #1C3563; border-radius:5px; background:white; color:#1C3563; "
    "font-size:9pt; text-align:center;}\n"
    "QProgressBar::chunk {background:#9DB7E0;}";

} // namespace

GUI_DownloadProgress::GUI_DownloadProgress(QWidget* parent)
    : QWidget(parent), captionLabel(new QLabel(this)), bar(new QProgressBar(this))
{
    captionLabel->setStyleSheet(QString::fromLatin1(captionStyle));
    captionLabel->setObjectName(QStringLiteral("downloadCaption"));
    bar->setStyleSheet(QString::fromLatin1(barStyle));
    bar->setObjectName(QStringLiteral("downloadBar"));
    bar->setTextVisible(true);
    hide();
}

void GUI_DownloadProgress::begin(int requestedRecords, bool both)
{
    bothSides = both;
    side = 'A';
    bytes = lines = linesSideA = 0;
    planNew[0] = planNew[1] = -1;
    requested = requestedRecords;
    clock.start();
    refresh();
    show();
    raise();
}

void GUI_DownloadProgress::update(char newSide, int newBytes, int newLines, int newRequested)
{
    if (!clock.isValid())
        begin(newRequested, false);
    if (startsSideB(newSide))
        linesSideA = lines;
    side = newSide;
    bytes = newBytes;
    lines = newLines;
    requested = newRequested;
    refresh();
    if (isHidden())
        show();
}

void GUI_DownloadProgress::plan(char planSide, int newRecords, int fromArchive)
{
    const int index = planSide == 'B' ? 1 : 0;
    planNew[index] = newRecords;
    planArchived[index] = fromArchive;
    if (startsSideB(planSide))
        linesSideA = lines;
    side = planSide;
    bytes = lines = 0;
    // Until the new records' progress comes: the bar shows what is left.
    if (newRecords >= 0)
        requested = newRecords + 1;
    refresh();
}

bool GUI_DownloadProgress::startsSideB(char other) const
{
    return other != side && other == 'B';
}

void GUI_DownloadProgress::finish()
{
    clock.invalidate();
    hide();
}

void GUI_DownloadProgress::retranslate()
{
    refresh();
}

int GUI_DownloadProgress::secondsLeft(qint64 elapsedMs, int recordsDone, int recordsLeft)
{
    if (recordsDone <= 0 || elapsedMs < 500)
        return -1;
    if (recordsLeft <= 0)
        return 0;
    return int((elapsedMs * recordsLeft / recordsDone + 999) / 1000);
}

QString GUI_DownloadProgress::byteText(qint64 count)
{
    if (count < 1000)
        return QString::number(count) + QStringLiteral(" B");
    if (count < 1000 * 1000)
        return QString::number(double(count) / 1000.0, 'f', 1) + QStringLiteral(" kB");
    return QString::number(double(count) / 1.0e6, 'f', 1) + QStringLiteral(" MB");
}

QString GUI_DownloadProgress::caption() const
{
    const int index = side == 'B' ? 1 : 0;
    if (planNew[index] >= 0)
        return text(side == 'B' ? UiText::sideB : UiText::sideA) + QStringLiteral(": ")
               + text(IncrementalText::newAndArchived).arg(planNew[index]).arg(planArchived[index]);
    return text(side == 'B' ? UiText::sideB : UiText::sideA) + QStringLiteral(": ") + QString::number(lines)
           + QStringLiteral(" / ") + QString::number(requested) + QLatin1Char(' ') + text(UiText::records);
}

QString GUI_DownloadProgress::detail() const
{
    // Both sides read one after the other: side B's records are still to come
    // while side A is read.
    const bool sideBPending = bothSides && side == 'A';
    const int done = lines + (side == 'B' ? linesSideA : 0);
    const int left = qMax(0, requested - lines) + (sideBPending ? requested : 0);
    const int seconds = clock.isValid() ? secondsLeft(clock.elapsed(), done, left) : -1;
    QString result = byteText(bytes);
    if (seconds >= 0)
        result += QStringLiteral("   ~ %1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return result;
}

void GUI_DownloadProgress::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    refresh();
}

void GUI_DownloadProgress::refresh()
{
    captionLabel->setGeometry(0, 0, width(), 24);
    bar->setGeometry(0, 26, width(), qMax(16, height() - 26));
    captionLabel->setText(caption());
    bar->setRange(0, qMax(1, requested));
    bar->setValue(qBound(0, lines, qMax(1, requested)));
    bar->setFormat(detail());
}
