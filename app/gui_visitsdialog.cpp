#include "app/gui_visitsdialog.h"

#include "app/gui_visittrend.h"
#include "files/archivefolder.h"
#include "frame/reporttexts.h"
#include "frame/sidenotetexts.h"
#include "frame/statustexts.h"
#include "frame/texttable.h"
#include "frame/visittexts.h"

#include <QDeadlineTimer>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum DownloadColumn { TimeColumn, SideAColumn, SideBColumn = SideAColumn + 3, DownloadColumns = SideBColumn + 3 };

// The value a cell sorts by, where its text would sort wrongly ("99" after
// "4711", "9.5 %" after "10.0 %").
constexpr int sortKeyRole = Qt::UserRole + 1;

// A row that sorts by the values behind its cells; cells without one (the
// outcome) sort by their text.
class SortedRow : public QTreeWidgetItem
{
public:
    using QTreeWidgetItem::QTreeWidgetItem;

    bool operator<(const QTreeWidgetItem& other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        const QVariant mine = data(column, sortKeyRole);
        const QVariant theirs = other.data(column, sortKeyRole);
        if (mine.isValid() && theirs.isValid())
            return mine.toDouble() < theirs.toDouble();
        return QTreeWidgetItem::operator<(other);
    }
};

// Serial numbers in their order, a folder that names no number after them.
double unitSortKey(const QString& unit)
{
    bool isNumber = false;
    const double serial = unit.toDouble(&isNumber);
    return isNumber ? serial : 1e18;
}

// A side not asked for before one without a share, before the shares.
double shareSortKey(const VisitSide& side)
{
    if (!side.asked)
        return -2;
    return side.inBandShare < 0 ? -1 : side.inBandShare;
}

// Downloads are named in UTC; the technician reads the PC's local time.
QString localTimeText(const QDateTime& time)
{
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString unitText(const QString& unit)
{
    return unit == QLatin1String("unknown") ? text(SideNoteText::unknownSerial) : unit;
}

QString outcomeText(const VisitSide& side)
{
    if (!side.asked)
        return QString();
    if (!side.outcomeKnown)
        return text(SideNoteText::unknownSerial);
    switch (side.outcome) {
    case SideOutcome::Complete: return text(StatusText::sideComplete);
    case SideOutcome::Interrupted: return text(StatusText::sideInterrupted);
    case SideOutcome::NoAnswer: return text(StatusText::sideNoAnswer);
    case SideOutcome::NotRequested: break;
    }
    return QString();
}

QString shareText(const VisitSide& side)
{
    if (!side.asked || side.inBandShare < 0)
        return side.asked ? QStringLiteral("–") : QString();
    return QString::number(side.inBandShare * 100.0, 'f', 1) + QStringLiteral(" %");
}

} // namespace

GUI_VisitsDialog::GUI_VisitsDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("visitsDialog"));
    createWidgets();
    retranslate();
    resize(1000, 620);
}

GUI_VisitsDialog::~GUI_VisitsDialog()
{
    // Each listing reads bounded files; a drive that does not answer can
    // still hold one. Its answer then finds no dialog and is dropped.
    const QDeadlineTimer deadline(shutDownWaitMs);
    for (const QPointer<VisitListingThread>& thread : running) {
        if (thread)
            thread->wait(deadline);
    }
}

void GUI_VisitsDialog::createWidgets()
{
    unitList = new QTreeWidget(this);
    unitList->setObjectName(QStringLiteral("visitUnits"));
    unitList->setRootIsDecorated(false);
    unitList->setColumnCount(3);
    unitList->header()->setStretchLastSection(false);
    unitList->sortByColumn(0, Qt::AscendingOrder);
    connect(unitList, &QTreeWidget::itemSelectionChanged, this, &GUI_VisitsDialog::unitChosen);

    downloadList = new QTreeWidget(this);
    downloadList->setObjectName(QStringLiteral("visitDownloads"));
    downloadList->setRootIsDecorated(false);
    downloadList->setColumnCount(DownloadColumns);
    downloadList->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    downloadList->header()->setStretchLastSection(false);
    downloadList->sortByColumn(TimeColumn, Qt::DescendingOrder);
    connect(downloadList, &QTreeWidget::itemSelectionChanged, this, &GUI_VisitsDialog::downloadChosen);
    connect(downloadList, &QTreeWidget::itemActivated, this, &GUI_VisitsDialog::openSelected);

    auto* lists = new QHBoxLayout;
    lists->addWidget(unitList, 1);
    lists->addWidget(downloadList, 2);
    auto* trendRow = new QHBoxLayout;
    for (int i = 0; i < 2; ++i) {
        trends[i] = new GUI_VisitTrend(i == 0 ? 'A' : 'B', this);
        trends[i]->setObjectName(i == 0 ? QStringLiteral("visitTrendA") : QStringLiteral("visitTrendB"));
        trendRow->addWidget(trends[i]);
    }

    stateLabel = new QLabel(this);
    stateLabel->setObjectName(QStringLiteral("visitState"));
    problemsHeading = new QLabel(this);
    problemsView = new QPlainTextEdit(this);
    problemsView->setObjectName(QStringLiteral("visitProblems"));
    problemsView->setReadOnly(true);
    problemsView->setMaximumHeight(70);
    problemsHeading->hide();
    problemsView->hide();

    openButton = new QPushButton(this);
    openButton->setObjectName(QStringLiteral("visitOpen"));
    openButton->setEnabled(false);
    connect(openButton, &QPushButton::clicked, this, &GUI_VisitsDialog::openSelected);
    reportButton = new QPushButton(this);
    reportButton->setObjectName(QStringLiteral("visitReport"));
    reportButton->setEnabled(false);
    connect(reportButton, &QPushButton::clicked, this, &GUI_VisitsDialog::requestReportOfSelected);
    closeButton = new QPushButton(this);
    closeButton->setObjectName(QStringLiteral("visitClose"));
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(stateLabel, 1);
    buttons->addWidget(openButton);
    buttons->addWidget(reportButton);
    buttons->addWidget(closeButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addLayout(trendRow);
    layout->addWidget(problemsHeading);
    layout->addWidget(problemsView);
    layout->addLayout(buttons);
}

void GUI_VisitsDialog::retranslate()
{
    setWindowTitle(text(VisitText::title));
    unitList->setHeaderLabels({text(VisitText::unit), text(VisitText::lastVisit), text(VisitText::downloads)});
    QStringList headers{text(VisitText::time)};
    for (int side : {21, 22}) {
        const QString prefix = text(side) + QLatin1Char('\n');
        headers << prefix + text(VisitText::records) << prefix + text(VisitText::outcome)
                << prefix + text(VisitText::inBand);
    }
    downloadList->setHeaderLabels(headers);
    problemsHeading->setText(text(VisitText::problems));
    openButton->setText(text(VisitText::open));
    reportButton->setText(text(ReportText::button));
    closeButton->setText(text(VisitText::close));
    // Texts drawn from the listing follow the language too.
    for (int row = 0; row < unitList->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = unitList->topLevelItem(row);
        item->setText(0, unitText(item->data(0, Qt::UserRole).toString()));
    }
    fitUnitList();
    showDownloads();
    showProblemsAndState();
}

void GUI_VisitsDialog::refresh(const QString& preferredUnit)
{
    preferred = preferredUnit;
    startListing(QString());
}

void GUI_VisitsDialog::startListing(const QString& unit)
{
    auto* thread = new VisitListingThread(archiveFolder(), unit, ++requests);
    (unit.isEmpty() ? unitsRequest : downloadsRequest) = requests;
    running.removeAll(nullptr);
    running.append(thread);
    connect(thread, &VisitListingThread::listed, this, &GUI_VisitsDialog::listed);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
    showProblemsAndState();
}

bool GUI_VisitsDialog::listingRunning() const
{
    for (const QPointer<VisitListingThread>& thread : running) {
        if (thread && !thread->isFinished())
            return true;
    }
    return false;
}

void GUI_VisitsDialog::listed(const VisitListing& listing)
{
    // An answer overtaken by a newer question is dropped.
    if (listing.unit.isEmpty() && listing.request == unitsRequest) {
        unitsRequest = 0;
        unitProblems = listing.problems;
        showUnits(listing.units);
    } else if (!listing.unit.isEmpty() && listing.request == downloadsRequest) {
        downloadsRequest = 0;
        downloadProblems = listing.problems;
        downloads = listing.downloads;
        showDownloads();
    }
    showProblemsAndState();
}

void GUI_VisitsDialog::showUnits(const QList<ArchivedUnit>& units)
{
    const QString keep = shownUnit.isEmpty() ? preferred : shownUnit;
    QSignalBlocker blocker(unitList);
    unitList->setSortingEnabled(false);
    unitList->clear();
    QTreeWidgetItem* chosen = nullptr;
    for (const ArchivedUnit& unit : units) {
        auto* item = new SortedRow(unitList, {unitText(unit.unit), localTimeText(unit.lastVisit),
                                              QString::number(unit.downloads)});
        item->setData(0, Qt::UserRole, unit.unit);
        item->setData(0, sortKeyRole, unitSortKey(unit.unit));
        item->setData(1, sortKeyRole, double(unit.lastVisit.toMSecsSinceEpoch()));
        item->setData(2, sortKeyRole, unit.downloads);
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        if (!chosen || unit.unit == keep)
            chosen = item;
    }
    unitList->setSortingEnabled(true);
    fitUnitList();
    blocker.unblock();
    shownUnit.clear();
    if (chosen)
        unitList->setCurrentItem(chosen);  // lists its downloads
    else
        unitChosen();
}

// The units' list is as wide as its columns: the downloads take the rest,
// their headers being long in some languages.
void GUI_VisitsDialog::fitUnitList()
{
    int width = 2 * unitList->frameWidth() + unitList->verticalScrollBar()->sizeHint().width();
    for (int column = 0; column < unitList->columnCount(); ++column) {
        unitList->resizeColumnToContents(column);
        width += unitList->columnWidth(column);
    }
    unitList->setFixedWidth(width);
}

void GUI_VisitsDialog::unitChosen()
{
    const QList<QTreeWidgetItem*> selected = unitList->selectedItems();
    const QString unit = selected.isEmpty() ? QString() : selected.first()->data(0, Qt::UserRole).toString();
    if (unit == shownUnit && !unit.isEmpty())
        return;
    shownUnit = unit;
    chosenStamp.clear();
    downloads.clear();
    downloadProblems.clear();
    showDownloads();
    if (!unit.isEmpty())
        startListing(unit);
    else
        showProblemsAndState();
}

void GUI_VisitsDialog::showDownloads()
{
    const QString selectedStamp = chosenStamp;
    QSignalBlocker blocker(downloadList);
    downloadList->setSortingEnabled(false);
    downloadList->clear();
    QTreeWidgetItem* keep = nullptr;
    for (int index = 0; index < downloads.size(); ++index) {
        const ArchivedDownload& download = downloads.at(index);
        QStringList columns{localTimeText(download.time)};
        for (const VisitSide& side : download.sides)
            columns << (side.asked ? QString::number(side.records) : QString()) << outcomeText(side)
                    << shareText(side);
        auto* item = new SortedRow(downloadList, columns);
        item->setData(0, Qt::UserRole, index);
        item->setData(TimeColumn, sortKeyRole, double(download.time.toMSecsSinceEpoch()));
        for (int i = 0; i < 2; ++i) {
            const VisitSide& side = download.sides[i];
            const int first = i == 0 ? SideAColumn : SideBColumn;
            item->setData(first, sortKeyRole, side.asked ? side.records : -1);
            item->setData(first + 2, sortKeyRole, shareSortKey(side));
        }
        for (int side : {SideAColumn, SideBColumn}) {
            item->setTextAlignment(side, Qt::AlignRight | Qt::AlignVCenter);
            item->setTextAlignment(side + 2, Qt::AlignRight | Qt::AlignVCenter);
        }
        if (download.stamp == selectedStamp)
            keep = item;
    }
    downloadList->setSortingEnabled(true);
    for (int column = 0; column < DownloadColumns; ++column)
        downloadList->resizeColumnToContents(column);
    if (keep)
        downloadList->setCurrentItem(keep);
    blocker.unblock();
    downloadChosen();
}

std::optional<ArchivedDownload> GUI_VisitsDialog::selectedDownload() const
{
    const QList<QTreeWidgetItem*> selected = downloadList->selectedItems();
    if (selected.isEmpty())
        return std::nullopt;
    const int index = selected.first()->data(0, Qt::UserRole).toInt();
    if (index < 0 || index >= downloads.size())
        return std::nullopt;
    return downloads.at(index);
}

void GUI_VisitsDialog::downloadChosen()
{
    const std::optional<ArchivedDownload> selected = selectedDownload();
    chosenStamp = selected ? selected->stamp : QString();
    openButton->setEnabled(selected.has_value());
    reportButton->setEnabled(selected.has_value());
    showTrends();
}

void GUI_VisitsDialog::showTrends()
{
    const std::optional<ArchivedDownload> selected = selectedDownload();
    for (int i = 0; i < 2; ++i) {
        QList<double> shares;
        int highlighted = -1;
        // Oldest left: the list runs newest first.
        for (auto download = downloads.crbegin(); download != downloads.crend(); ++download) {
            if (selected && download->stamp == selected->stamp)
                highlighted = int(shares.size());
            shares.append(download->sides[i].asked ? download->sides[i].inBandShare : -1.0);
        }
        trends[i]->setShares(shares, highlighted);
    }
}

QStringList GUI_VisitsDialog::problems() const
{
    QStringList all = unitProblems + downloadProblems;
    all.removeDuplicates();
    return all;
}

void GUI_VisitsDialog::showProblemsAndState()
{
    const QStringList all = problems();
    problemsView->setPlainText(all.join(QLatin1Char('\n')));
    problemsHeading->setVisible(!all.isEmpty());
    problemsView->setVisible(!all.isEmpty());
    if (unitsRequest || downloadsRequest)
        stateLabel->setText(text(VisitText::reading));
    else if (unitList->topLevelItemCount() == 0)
        stateLabel->setText(text(VisitText::empty));
    else
        stateLabel->clear();
}

void GUI_VisitsDialog::openSelected()
{
    if (const std::optional<ArchivedDownload> download = selectedDownload())
        Q_EMIT openRequested(*download);
}

void GUI_VisitsDialog::requestReportOfSelected()
{
    if (const std::optional<ArchivedDownload> download = selectedDownload())
        Q_EMIT reportRequested(*download);
}
