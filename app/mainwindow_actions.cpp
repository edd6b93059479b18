// What the window's buttons do and how it answers the reader's signals.
#include "app/gui_kelmoradiagnose.h"

#include "reader/app_kelmoradatareader.h"
#include "app/archivetexts.h"
#include "chart/chartmode.h"
#include "comm/com_serialport.h"
#include "files/downloadarchive.h"
#include "table/gui_datatable.h"
#include "chart/gui_displaychart.h"
#include "app/gui_downloadprogress.h"
#include "app/gui_portcombobox.h"
#include "frame/messagebox.h"
#include "frame/stylesheets.h"
#include "frame/texttable.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QFileDialog>
#include <QDir>
#include <QFileInfo>
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
    return text(sideText) + QStringLiteral(": ") + QString::number(count) + QLatin1Char(' ') + text(20);
}

} // namespace

void GUI_KelmoraDiagnose::buttonClicked()
{
    QObject* button = sender();
    if (button == connectButton) {
        connectOrDisconnect();
    } else if (button == openFileButton) {
        openDataFile();
    } else if (button == downloadButton) {
        startDownload();
    } else if (button == resetModeButton) {
        dataReader->resetOperationMode();
    } else if (button == setTimeButton) {
        dataReader->setUnitTime(dateTimeEdit->dateTime());
    } else if (button == setPulseInputButton) {
        dataReader->setPulseInput(pulseInputCombo->currentText().toInt(nullptr, 10));
    } else {
        for (int language = 0; language < languageCount; ++language) {
            if (button == languageButtons[language]) {
                setCurrentLanguage(quint8(language));
                retranslate();
            }
        }
    }
}

void GUI_KelmoraDiagnose::connectOrDisconnect()
{
    if (serialPort->isOpen()) {
        serialPort->closePort();
        connectButton->setText(text(14));
        infoNamesLabel->setText(QString());
        infoValuesLabel->setText(QString());
        infoNamesLabel->hide();
        infoValuesLabel->hide();
        logView.clearLog();
        setUnitControlsVisible(false);
        return;
    }
    const QString portName = portCombo->currentPortName();
    if (portName.length() <= 3)
        return;
    if (!serialPort->openPort(portName, 9600, 1)) {
        display(text(10));
        return;
    }
    connectButton->setText(text(16));
    connectButton->setEnabled(false);
    display(text(15));
    dataReader->connectUnit();
}

QString GUI_KelmoraDiagnose::dataFileFilter()
{
    return text(textDataFiles) + QStringLiteral(" (*.txt *.csv)");
}

void GUI_KelmoraDiagnose::openDataFile()
{
    const QString filter = dataFileFilter();
    const QString path =
        QFileDialog::getOpenFileName(nullptr, filter, openFileStartFolder(), filter);
    if (path.isEmpty() || !QFileInfo::exists(path))
        return;
    rememberOpenFolder(path);
    // The import replaces a side's array; while a download runs the reader
    // thread may be replacing it too.
    if (dataReader->isRunning())
        return;
    dataReader->importDataFile(path);
}

void GUI_KelmoraDiagnose::startDownload()
{
    if (dataReader->isRunning())
        return;
    const std::optional<int> count = askRecordCount();
    // The dialog runs its own event loop; an operation may have started
    // meanwhile, and a request now would only rewrite its parameters.
    if (!count || dataReader->isRunning())
        return;
    downloadingBothSides = true;
    downloadProgress->begin(*count, true);
    dataReader->readHistoryBoth(*count);
}

void GUI_KelmoraDiagnose::historyProgress(char side, int bytes, int lines, int requested)
{
    downloadProgress->update(side, bytes, lines, requested);
}

void GUI_KelmoraDiagnose::readerFinished()
{
    downloadProgress->finish();
    downloadingBothSides = false;
    archiveArrivedSides();
}

void GUI_KelmoraDiagnose::sideDownloaded(const SideDownload& download)
{
    arrivedSides.append(download);
}

// Whatever arrived is kept, however the download ended; a failed archive is
// said once in the log and changes nothing else.
void GUI_KelmoraDiagnose::archiveArrivedSides()
{
    if (arrivedSides.isEmpty())
        return;
    const ArchiveWrite archived = archiveDownload(readerIdentity(*dataReader), arrivedSides);
    arrivedSides.clear();
    if (!archived.ok())
        display(text(textArchiveFailed) + QLatin1Char(' ') + archived.error);
    else if (!archived.files.isEmpty())
        display(text(textArchivedIn) + QLatin1Char(' ')
                + QDir::toNativeSeparators(QDir(archived.folder).filePath(archived.stamp)));
}

void GUI_KelmoraDiagnose::connectionReady(bool success)
{
    connectButton->setEnabled(true);
    if (success) {
        connectButton->setText(text(26));
        showUnitInfo(false);
        setUnitControlsVisible(true);
        return;
    }
    connectButton->setText(text(14));
    serialPort->closePort();
    infoNamesLabel->setText(QString());
    logView.clearLog();
    setUnitControlsVisible(false);
    display(text(145));
}

void GUI_KelmoraDiagnose::operationModeReset(bool success)
{
    display(text(success ? 85 : 84));
}

void GUI_KelmoraDiagnose::pulseInputSet(bool success)
{
    if (success) {
        showUnitInfo(false);
        display(QStringLiteral("Pulse input successfully set."));
    } else {
        display(QStringLiteral("Pulse input could NOT be set."));
    }
}

void GUI_KelmoraDiagnose::timeSet(bool success)
{
    display(success ? QStringLiteral("Time successfully set.") : QStringLiteral("Time could NOT be set."));
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
    showMessage(messageBoxStyle, text(104), text(informativeText), {{MessageButtonRole::Confirm, text(83)}});
}

void GUI_KelmoraDiagnose::dataReady(KelmoraFillingData* fillingData, quint16* count, quint8 success)
{
    Q_UNUSED(count);
    switch (success) {
    case 0:
    case 3:
        showFailure(80);
        break;
    case 5:
        showFailure(37);
        break;
    case 1:
        showRecords(fillingData);
        break;
    case 2:
        relistClearedSide(fillingData);
        break;
    default:
        break;
    }
}

void GUI_KelmoraDiagnose::listSide(char side)
{
    GUI_DataTable* table = side == 'A' ? tableA : tableB;
    GUI_DisplayChart* chart = side == 'A' ? chartA : chartB;
    KelmoraFillingData* records = side == 'A' ? sideARecords : sideBRecords;
    quint16* count = side == 'A' ? &sideACount : &sideBCount;
    table->listData(records, count);
    chart->drawData(records, count, chartRangeMin, chartRangeMax, OrderReverse, true, ModeIndex);
}

void GUI_KelmoraDiagnose::showRecords(KelmoraFillingData* fillingData)
{
    QString summary;
    bool sideA = false;
    bool sideB = false;
    if (!fillingData) {
        sideA = sideB = true;
        summary = sideSummary(21, sideACount) + QStringLiteral("\r\n\r\n") + sideSummary(22, sideBCount);
    } else if (fillingData == sideARecords) {
        sideA = true;
        summary = sideSummary(21, sideACount);
    } else if (fillingData == sideBRecords) {
        sideB = true;
        summary = sideSummary(22, sideBCount);
    } else {
        return; // not a side's array: nothing to show
    }
    showMessage(messageBoxStyle, text(105), summary, {{MessageButtonRole::Confirm, text(83)}});
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

void GUI_KelmoraDiagnose::closeEvent(QCloseEvent* event)
{
    const int answer = showMessage(messageBoxStyle, text(106), QString(),
                                   {{MessageButtonRole::Acknowledge, text(83)},
                                    {MessageButtonRole::Cancel, text(5)}});
    if (answer == 1)
        event->ignore();
    else
        event->accept();
}
