// What the window's buttons do and how it answers the reader's signals.
#include "app/gui_kelmoradiagnose.h"

#include "reader/app_kelmoradatareader.h"
#include "app/archivetexts.h"
#include "chart/chartmode.h"
#include "comm/com_serialport.h"
#include "files/archivefolder.h"
#include "session/downloadsession.h"
#include "table/gui_datatable.h"
#include "chart/gui_displaychart.h"
#include "app/gui_downloadprogress.h"
#include "app/gui_portcombobox.h"
#include "app/gui_unitsettings.h"
#include "frame/messagebox.h"
#include "frame/stylesheets.h"
#include "frame/texttable.h"
#include "frame/uitexts.h"
#include "frame/statustexts.h"
#include "reader/sidedownloadtext.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

namespace {

constexpr int chartTabA = 2;
constexpr int chartTabB = 4;

bool sideHasRecords(char side)
{
    return side == 'A' ? (sideARecords && sideACount > 0) : (sideBRecords && sideBCount > 0);
}

QString sideSummary(int sideText, quint16 count)
{
    return text(sideText) + QStringLiteral(": ") + QString::number(count) + QLatin1Char(' ') + text(UiText::records);
}

} // namespace

void GUI_KelmoraDiagnose::buttonClicked()
{
    QObject* button = sender();
    if (button == home.connectButton) {
        linkControl->toggle(home.portCombo->currentPortName());
    } else if (button == home.openFileButton) {
        openDataFile();
    } else if (button == home.visitsButton) {
        openVisits();
    } else if (button == home.downloadButton) {
        startDownload();
    } else if (button == home.resetModeButton) {
        unitSettings->askAndResetMode(unitOnLine);
    } else if (button == home.setTimeButton) {
        unitSettings->askAndSetClock();
    } else if (button == home.setPulseInputButton) {
        unitSettings->askAndSetPulseInput(unitOnLine);
    } else if (button == home.reportButton) {
        makeReport();
    } else {
        for (int language = 0; language < languageCount; ++language) {
            if (button == home.languageButtons[language]) {
                setCurrentLanguage(quint8(language));
                retranslate();
            }
        }
    }
}

void GUI_KelmoraDiagnose::startDownload()
{
    if (refuseWhileBusy())
        return;
    const std::optional<int> count = askRecordCount();
    // The dialog runs its own event loop; an operation may have started
    // meanwhile, and a request now would only rewrite its parameters.
    if (!count || refuseWhileBusy())
        return;
    DownloadPlan plan;
    plan.count = *count;
    plan.full = home.fullDownloadBox->isChecked();
    plan.archiveRoot = archiveFolder();
    // Until the archive's answer is in and the reader has started, the
    // window counts as busy (operationRunning).
    downloadSession->start(plan, unitOnLine);
}

void GUI_KelmoraDiagnose::readingStarted(int count, bool bothSides)
{
    downloadAccount.started(bothSides);
    downloadProgress->begin(count, bothSides);
}

bool GUI_KelmoraDiagnose::operationRunning() const
{
    return dataReader && (dataReader->isRunning() || downloadSession->running());
}

void GUI_KelmoraDiagnose::historyProgress(char side, int bytes, int lines, int requested)
{
    downloadProgress->update(side, bytes, lines, requested);
}

void GUI_KelmoraDiagnose::historyPlan(char side, int newRecords, int fromArchive)
{
    downloadProgress->plan(side, newRecords, fromArchive);
}

void GUI_KelmoraDiagnose::readerFinished()
{
    downloadProgress->finish();
    downloadAccount.readerEnded();
}

// A failed archive is said once in the log and changes nothing else.
void GUI_KelmoraDiagnose::downloadArchived(const DownloadSessionResult& result)
{
    const ArchiveWrite& archived = result.archived;
    if (!result.archiveTried)
        return;
    if (!archived.ok())
        display(text(textArchiveFailed) + QLatin1Char(' ') + archived.error);
    else if (!archived.files.isEmpty())
        display(text(textArchivedIn) + QLatin1Char(' ')
                + QDir::toNativeSeparators(QDir(archived.folder).filePath(archived.stamp)));
}

void GUI_KelmoraDiagnose::display(QString line)
{
    // The log keeps at most eight lines, then starts afresh.
    logView.addLine(line);
}

void GUI_KelmoraDiagnose::append(QString line)
{
    // A download appends a dot per 20 ms poll; the log gathers them.
    logView.appendToLine(line);
}

void GUI_KelmoraDiagnose::showFailure(int informativeText)
{
    showMessage(messageBoxStyle, text(UiText::error), text(informativeText), {{MessageButtonRole::Confirm, text(UiText::ok)}});
}

void GUI_KelmoraDiagnose::historyDownloaded(SideDownload sideA, SideDownload sideB)
{
    downloadAccount.sidesDownloaded(sideA, sideB);
    // The records a side now holds came from the unit on the line, whatever
    // file was opened before: its exports and chart info line say so.
    for (const SideDownload& side : {sideA, sideB}) {
        if (side.recordsReplaced)
            sideSources.downloaded(side.side, unitOnLine, side.recordFormatNo, QDateTime::currentDateTime());
    }
}

void GUI_KelmoraDiagnose::dataReady(KelmoraFillingData* fillingData, quint16* count, quint8 success)
{
    Q_UNUSED(count);
    using R = APP_KelmoraDataReader;
    const bool download = downloadAccount.takeResult();
    if (windowClosing)
        return;  // what arrived is archived; nobody is left to read a box
    switch (success) {
    case R::DataFailed:
        if (download)
            showDownloadOutcome();
        else
            showFailure(UiText::readFailed);
        break;
    case R::DataNoSideSelected:
        showFailure(UiText::readFailed);
        break;
    case R::DataFileUnreadable:
        showFailure(UiText::cannotOpen);
        break;
    case R::DataDelivered:
        showRecords(fillingData, true);
        break;
    case R::DataIncomplete:
        showRecords(fillingData, false);
        break;
    case R::DataSideCleared:
        relistClearedSide(fillingData);
        break;
    default:
        break;
    }
}

void GUI_KelmoraDiagnose::showDownloadOutcome()
{
    // The cause first, then what each side holds.
    const QString informative = downloadAccount.lineLossFirst(downloadAccount.outcomeText());
    showMessage(messageBoxStyle, text(StatusText::downloadIncomplete), informative,
                {{MessageButtonRole::Confirm, text(UiText::ok)}});
}

void GUI_KelmoraDiagnose::listSide(char side)
{
    GUI_DataTable* table = side == 'A' ? tableA : tableB;
    GUI_DisplayChart* chart = side == 'A' ? chartA : chartB;
    KelmoraFillingData* records = side == 'A' ? sideARecords : sideBRecords;
    quint16* count = side == 'A' ? &sideACount : &sideBCount;
    table->setRecordOrigin(sideSources.origin(side));
    chart->setRecordOrigin(sideSources.origin(side));
    table->listData(records, count);
    chart->drawData(records, count, chartRangeMin, chartRangeMax, OrderReverse, true, ModeIndex);
    showSideNotes();
    updateReportButton();
}

// complete: every side asked for was read completely; otherwise the
// per-side account is shown instead of the success summary.
void GUI_KelmoraDiagnose::showRecords(KelmoraFillingData* fillingData, bool complete)
{
    QString summary;
    bool sideA = false;
    bool sideB = false;
    if (!fillingData) {
        sideA = sideB = true;
        // Each side with what it skipped and where its records came from.
        QStringList sides;
        for (const char side : {'A', 'B'}) {
            sides.append(downloadAccount.sideSummary(
                side, sideSummary(side == 'A' ? UiText::sideA : UiText::sideB, side == 'A' ? sideACount : sideBCount)));
        }
        summary = sides.join(QStringLiteral("\r\n\r\n"));
    } else if (fillingData == sideARecords) {
        sideA = true;
        summary = sideSummary(UiText::sideA, sideACount);
    } else if (fillingData == sideBRecords) {
        sideB = true;
        summary = sideSummary(UiText::sideB, sideBCount);
    } else {
        return; // not a side's array: nothing to show
    }
    // Everything had come before the line went: still said first.
    if (complete)
        summary = downloadAccount.lineLossFirst(summary);
    if (complete)
        showMessage(messageBoxStyle, text(UiText::readOk), summary, {{MessageButtonRole::Confirm, text(UiText::ok)}});
    else
        showDownloadOutcome();
    if (sideA)
        listSide('A');
    if (sideB)
        listSide('B');
    if (sideA && sideHasRecords('A'))
        tabs->setCurrentIndex(chartTabA);
    else if (sideB && sideHasRecords('B'))
        tabs->setCurrentIndex(chartTabB);
}

void GUI_KelmoraDiagnose::relistClearedSide(KelmoraFillingData* fillingData)
{
    GUI_DataTable* table = nullptr;
    GUI_DisplayChart* chart = nullptr;
    quint16* count = nullptr;
    if (fillingData && fillingData == sideARecords) {
        table = tableA;
        chart = chartA;
        count = &sideACount;
    } else if (fillingData && fillingData == sideBRecords) {
        table = tableB;
        chart = chartB;
        count = &sideBCount;
    } else {
        return;
    }
    table->listData(fillingData, count);
    chart->redrawData(chartRangeMin, chartRangeMax, OrderReverse, true);
    showSideNotes();
    updateReportButton();
}

// A new array has replaced a side's records and the old one is about to be
// freed. The side's pages empty until the new records are handed to them
// (after the summary box), so that a redraw, a mode button or an export
// meanwhile never reads the freed array with the new count.
void GUI_KelmoraDiagnose::releaseSidePages(char side, KelmoraFillingData* released)
{
    GUI_DataTable* table = side == 'A' ? tableA : tableB;
    GUI_DisplayChart* chart = side == 'A' ? chartA : chartB;
    if (table->shownRecords() == released)
        table->listData(nullptr, nullptr);
    if (chart->shownRecords() == released)
        chart->drawData(nullptr, nullptr, chartRangeMin, chartRangeMax, OrderReverse, true, ModeIndex);
}
