#include "table/gui_datatable.h"

#include "reader/app_kelmoradatareader.h"
#include "files/csvwriter.h"
#include "table/exportfile.h"
#include "frame/messagebox.h"
#include "files/odsexport.h"
#include "frame/stylesheets.h"
#include "frame/reporttexts.h"
#include "frame/texttable.h"
#include "frame/uitexts.h"

#include <QCursor>
#include <QDateTime>
#include <QLoggingCategory>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <numeric>
#include <vector>

const int GUI_DataTable::initialColumnWidths[GUI_DataTable::columnCount] = {
    50, 110, 40, 40, 40, 60, 60, 40, 60, 60, 60, 60, 60};

namespace {

Q_LOGGING_CATEGORY(lcTable, "kelmora.table", QtInfoMsg)

// The side note starts right of the export and clear buttons.
constexpr int sideNoteLeft = 325;

// Heading text number and wrap width of each column. Columns 8 and 9 are
// named after the record format the unit uses ("No" or "Nr" lines).
struct ColumnHeading {
    int text;
    int textFormatNo;
    int wrapWidth;
};

const ColumnHeading columnHeadings[GUI_DataTable::columnCount] = {
    {120, 120, 8}, {23, 23, 100}, {31, 31, 8},   {50, 50, 8},   {111, 111, 10},
    {69, 69, 10},  {137, 137, 10}, {150, 150, 8}, {152, 154, 8}, {49, 51, 8},
    {30, 30, 8},   {4, 4, 8},      {140, 140, 8}};

QPushButton* makeButton(QWidget* parent, const QString& label, const QString& style)
{
    auto* button = new QPushButton(label, parent);
    button->setStyleSheet(style);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QTableWidgetItem* cell(const QVariant& value)
{
    auto* item = new QTableWidgetItem;
    item->setData(Qt::EditRole, value);
    return item;
}

} // namespace

GUI_DataTable::GUI_DataTable(QWidget* parent)
    : QWidget(parent), tableWidget(0, 0, this)
{
    tableWidget.setGeometry(3, 50, width() - 5, height() - 55);

    resizeTimer = new QTimer(this);
    connect(resizeTimer, &QTimer::timeout, this, &GUI_DataTable::resizeTimerTimeout);

    exportButton = makeButton(this, text(UiText::exportButton), buttonStyle);
    exportButton->setObjectName(QStringLiteral("exportButton"));
    exportButton->setGeometry(5, 5, 150, 50);
    connect(exportButton, &QPushButton::clicked, this, &GUI_DataTable::buttonClicked);
    exportButton->hide();

    exportWidget = new QWidget(this);
    exportWidget->setObjectName(QStringLiteral("exportWidget"));
    exportWidget->setGeometry(5, 55, 150, 150);
    exportWidget->setStyleSheet(QStringLiteral("background-color:#1C3563;"));
    exportWidget->hide();

    exportWidgetTimer = new QTimer(this);
    connect(exportWidgetTimer, &QTimer::timeout, this, &GUI_DataTable::exportWidgetTimeout);

    csvButton = makeButton(exportWidget, QStringLiteral("CSV"), squareButtonStyle);
    csvButton->setObjectName(QStringLiteral("csvButton"));
    csvButton->setGeometry(0, 0, 150, 50);
    odsButton = makeButton(exportWidget, QStringLiteral("ODS / Excel"), squareButtonStyle);
    odsButton->setObjectName(QStringLiteral("odsButton"));
    odsButton->setGeometry(0, 50, 150, 50);
    connect(csvButton, &QPushButton::clicked, this, &GUI_DataTable::buttonClicked);
    connect(odsButton, &QPushButton::clicked, this, &GUI_DataTable::buttonClicked);
    // The visit report covers both sides, whichever page it is asked from.
    reportButton = makeButton(exportWidget, text(ReportText::button), squareButtonStyle);
    reportButton->setObjectName(QStringLiteral("reportButton"));
    reportButton->setGeometry(0, 100, 150, 50);
    connect(reportButton, &QPushButton::clicked, this, &GUI_DataTable::reportRequested);
    exportWidget->resize(150, 150);

    clearButton = makeButton(this, text(UiText::clearList), buttonStyle);
    clearButton->setObjectName(QStringLiteral("clearButton"));
    clearButton->setGeometry(165, 5, 150, 50);
    connect(clearButton, &QPushButton::clicked, this, &GUI_DataTable::buttonClicked);
    clearButton->hide();

    sideNoteLabel = new QLabel(this);
    sideNoteLabel->setObjectName(QStringLiteral("sideNote"));
    sideNoteLabel->setWordWrap(true);
    sideNoteLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    sideNoteLabel->hide();

    retranslate();
}

void GUI_DataTable::setSideNote(const QString& note, bool warning)
{
    sideNoteLabel->setText(note);
    sideNoteLabel->setStyleSheet(sideNoteStyle(warning));
    sideNoteLabel->setVisible(!note.isEmpty());
}

QString GUI_DataTable::headerText(int column) const
{
    const ColumnHeading& heading = columnHeadings[column];
    return wrapText(text(origin.recordFormatNo ? heading.textFormatNo : heading.text),
                    heading.wrapWidth);
}

void GUI_DataTable::setRecordOrigin(const RecordOrigin& given)
{
    origin = given;
    for (int column = 0; column < tableWidget.columnCount(); ++column)
        tableWidget.setHorizontalHeaderItem(column, new QTableWidgetItem(headerText(column)));
}

void GUI_DataTable::retranslate()
{
    for (int column = 0; column < tableWidget.columnCount(); ++column)
        tableWidget.setHorizontalHeaderItem(column, new QTableWidgetItem(headerText(column)));
    exportButton->setText(text(UiText::exportButton));
    csvButton->setText(QStringLiteral("CSV Text"));
    odsButton->setText(QStringLiteral("ODS Excel"));
    reportButton->setText(text(ReportText::button));
    clearButton->setText(text(UiText::clearList));
    qCDebug(lcTable) << "Countrycode 1 " << origin.recordFormatNo;
}

QVariant GUI_DataTable::cellValue(const KelmoraFillingData& record, int column)
{
    switch (column) {
    case 0: return int(record.number);
    case 1: return QDateTime::fromSecsSinceEpoch(qint64(record.timestamp));
    case 2: return int(record.levelCode);
    case 3: return int(record.fillings);
    case 4: return record.ratePercent;
    case 5: return record.linePercent;
    case 6: return record.temperature;
    case 7: return int(record.integerPercent);
    case 8: return record.auxValue;
    case 9: return record.fuelFlow;
    case 10: return record.optionalFirst;
    case 11: return record.optionalSecond;
    default: return limitText(record.limit);
    }
}

void GUI_DataTable::fillRow(int row, const KelmoraFillingData& record)
{
    for (int column = 0; column < columnCount; ++column)
        tableWidget.setItem(row, column, cell(cellValue(record, column)));
}

std::vector<int> GUI_DataTable::rowOrder(const KelmoraFillingData* fillingData, int rows) const
{
    // Switching sorting on sorts the table by the header's column at once.
    // Rows that already stand in that order keep their place, so the sort
    // moves nothing, and cells of one row stay together in memory, which
    // keeps later clearing and filling fast. The table's own sort still
    // decides the final order; this only saves it work.
    std::vector<int> order(static_cast<size_t>(rows));
    std::iota(order.begin(), order.end(), 0);
    const int column = tableWidget.horizontalHeader()->sortIndicatorSection();
    if (column < 0 || column >= columnCount - 1) // the limit column sorts as text
        return order;
    std::vector<double> keys(static_cast<size_t>(rows));
    for (int row = 0; row < rows; ++row)
        keys[size_t(row)] = sortKey(fillingData[row], column);
    if (tableWidget.horizontalHeader()->sortIndicatorOrder() == Qt::AscendingOrder)
        std::stable_sort(order.begin(), order.end(),
                         [&keys](int a, int b) { return keys[size_t(a)] < keys[size_t(b)]; });
    else
        std::stable_sort(order.begin(), order.end(),
                         [&keys](int a, int b) { return keys[size_t(b)] < keys[size_t(a)]; });
    return order;
}

double GUI_DataTable::sortKey(const KelmoraFillingData& record, int column)
{
    switch (column) {
    case 0: return record.number;
    case 1: return record.timestamp;
    case 2: return record.levelCode;
    case 3: return record.fillings;
    case 4: return record.ratePercent;
    case 5: return record.linePercent;
    case 6: return record.temperature;
    case 7: return record.integerPercent;
    case 8: return record.auxValue;
    case 9: return record.fuelFlow;
    case 10: return record.optionalFirst;
    case 11: return record.optionalSecond;
    default: return 0.0;
    }
}

void GUI_DataTable::listData(KelmoraFillingData* fillingData, uint16_t* recordCount)
{
    // A table that sorts while it is filled moves each row away as soon as
    // its first cell lands, and the later cells of that record end up in
    // other rows. Sorting therefore stays off until every row is complete.
    tableWidget.setSortingEnabled(false);
    tableWidget.clear();
    // An empty listing also lets go of the array listed before: it may be
    // about to be freed.
    records = fillingData;
    count = recordCount;
    if (!recordCount || *recordCount == 0 || !fillingData) {
        std::fill(std::begin(fittedWidths), std::end(fittedWidths), 0);
        tableWidget.setColumnCount(0);
        tableWidget.setRowCount(0);
        return;
    }
    tableWidget.setColumnCount(columnCount);
    for (int column = 0; column < columnCount; ++column)
        tableWidget.setHorizontalHeaderItem(column, new QTableWidgetItem);
    retranslate();

    const int rows = *recordCount;
    fitColumnsToContents(fillingData, rows);
    tableWidget.setRowCount(rows);
    // One change notice for the whole table instead of one per cell: the
    // view asks for the cells it shows when it paints.
    QAbstractItemModel* model = tableWidget.model();
    const bool wasBlocked = model->blockSignals(true);
    const std::vector<int> order = rowOrder(fillingData, rows);
    for (int row = 0; row < rows; ++row)
        fillRow(row, fillingData[order[size_t(row)]]);
    model->blockSignals(wasBlocked);
    emit model->dataChanged(model->index(0, 0), model->index(rows - 1, columnCount - 1));
    tableWidget.setSortingEnabled(true);

    exportButton->show();
    clearButton->show();
    // A listing starts from the widths above; the page spreads them over
    // its width again, as after a resize.
    if (isVisible())
        resizeTimer->start(resizeDelayMs);
}

void GUI_DataTable::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    tableWidget.setGeometry(5, 60, width() - 10, height() - 65);
    sideNoteLabel->setGeometry(sideNoteLeft, 5, qMax(0, width() - sideNoteLeft - 5), 50);
    resizeTimer->start(resizeDelayMs);
}

void GUI_DataTable::resizeTimerTimeout()
{
    resizeTimer->stop();
    const int columns = tableWidget.columnCount();
    qint64 sum = 0;
    for (int column = 0; column < columns; ++column)
        sum += tableWidget.columnWidth(column);
    if (columns == 0 || sum <= 0)
        return;
    const qint64 tableWidth = tableWidget.width();
    for (int column = 0; column < columns; ++column) {
        const qint64 scaled = qint64(tableWidget.columnWidth(column)) * tableWidth / sum;
        const int narrowest = column < columnCount ? fittedWidths[column] : 0;
        tableWidget.setColumnWidth(column, qMax(narrowest, int(qMin<qint64>(scaled, maximumColumnWidth))));
    }
}

bool GUI_DataTable::isInsideExportZone(const QPoint& point) const
{
    return point.x() >= 0 && point.x() <= exportButton->width() && point.y() >= 0
           && point.y() <= exportButton->height() + exportWidget->height();
}

void GUI_DataTable::exportWidgetTimeout()
{
    if (isInsideExportZone(exportButton->mapFromGlobal(QCursor::pos())))
        return;
    exportWidgetTimer->stop();
    exportWidget->hide();
}

void GUI_DataTable::buttonClicked()
{
    QObject* button = sender();
    if (button == exportButton) {
        exportWidgetTimer->setInterval(exportPollMs);
        exportWidgetTimer->start();
        exportWidget->show();
        exportWidget->raise();
    } else if (button == csvButton) {
        exportCsv();
    } else if (button == odsButton) {
        exportOds();
    } else if (button == clearButton && count) {
        *count = 0;
        emit dataReady(records, count, APP_KelmoraDataReader::DataSideCleared);
    }
}

void GUI_DataTable::chooseExportSides(bool& sideA, bool& sideB) const
{
    sideA = (records == sideARecords);
    sideB = !sideA;
    if (sideACount != 0 && sideBCount != 0) {
        const int answer = showMessage(messageBoxStyle, text(UiText::exportBothQuestion), QString(),
                                       {{MessageButtonRole::Acknowledge, text(UiText::bothSides)},
                                        {MessageButtonRole::Cancel, text(UiText::thisSideOnly)}});
        if (answer == 0)
            sideA = sideB = true;
    }
}

// The export is headed by this page's unit; each side's columns are headed
// by the layout of its own records, and the other side's records, when they
// came from another unit, name that unit.
ExportContent GUI_DataTable::exportContent(bool sideA, bool sideB) const
{
    const bool ownSideA = records == sideARecords;
    const RecordOrigin& other = otherSide ? otherSide->origin : origin;
    ExportContent content;
    content.unit = exportIdentityOf(origin.unit);
    content.language = currentLanguage();
    const bool otherUnit = other.unit.serialNumber != origin.unit.serialNumber;
    if (sideA)
        content.sideA = storedSide('A', (ownSideA ? origin : other).recordFormatNo);
    if (sideB)
        content.sideB = storedSide('B', (ownSideA ? other : origin).recordFormatNo);
    if (otherUnit && (ownSideA ? sideB : sideA))
        (ownSideA ? content.otherUnitB : content.otherUnitA) = exportIdentityOf(other.unit);
    return content;
}

static void showExportFailure()
{
    showMessage(messageBoxStyle, text(UiText::cannotWrite), QString(), {{MessageButtonRole::Acknowledge, text(UiText::ok)}});
}

void GUI_DataTable::exportCsv()
{
    if (!records || !count || *count == 0)
        return;
    const QString path = chooseExportFile(QStringLiteral("csv"));
    if (path.isEmpty())
        return;
    bool sideA = false;
    bool sideB = false;
    chooseExportSides(sideA, sideB);
    // Written beside the target and renamed over it when complete: a failed
    // save leaves the previous file as it was.
    if (!writeCsvFile(path, exportContent(sideA, sideB)))
        showExportFailure();
    else
        rememberExportFolder(path);
}

void GUI_DataTable::exportOds()
{
    if (!records || !count || *count == 0)
        return;
    const QString path = chooseExportFile(QStringLiteral("ods"));
    if (path.isEmpty())
        return;
    bool sideA = false;
    bool sideB = false;
    chooseExportSides(sideA, sideB);
    if (!writeOds(path, exportContent(sideA, sideB)))
        showExportFailure();
    else
        rememberExportFolder(path);
}
