// The Visits dialog: the units of the download archive, and for the unit
// chosen its downloads newest first with per side the records, how the side
// ended and its share of fillings within 85-115 %, with a trend of that share
// per side over the visits. The archive is read on threads of their own; the
// dialog answers meanwhile.
#pragma once

#include "files/archivevisits.h"

#include <QDialog>
#include <QList>
#include <QPointer>

#include <optional>

class GUI_VisitTrend;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

class GUI_VisitsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit GUI_VisitsDialog(QWidget* parent = nullptr);
    // Waits, bounded, for the listings still running.
    ~GUI_VisitsDialog() override;

    // Lists the archive's units again; the unit shown before stays chosen,
    // else preferredUnit (the unit on the line), else the first.
    void refresh(const QString& preferredUnit = QString());
    void retranslate();

    // The download chosen in the list; none when none is.
    std::optional<ArchivedDownload> selectedDownload() const;
    // Asks for a report of the chosen download (reportRequested); nothing
    // when none is chosen. For whoever offers the report.
    void requestReportOfSelected();
    // A listing of the archive is still running.
    bool listingRunning() const;
    // The downloads listed for the chosen unit, newest first.
    const QList<ArchivedDownload>& listedDownloads() const { return downloads; }
    // Every file of the archive left out so far, and why.
    QStringList problems() const;

    static constexpr int shutDownWaitMs = 3000;

Q_SIGNALS:
    // The user asked to load the download into the window.
    void openRequested(ArchivedDownload download);
    // A report of the download is asked for.
    void reportRequested(ArchivedDownload download);

private:
    void createWidgets();
    void startListing(const QString& unit);
    void listed(const VisitListing& listing);
    void showUnits(const QList<ArchivedUnit>& units);
    void fitUnitList();
    void showDownloads();
    void unitChosen();
    void downloadChosen();
    void showTrends();
    void showProblemsAndState();
    void openSelected();

    QTreeWidget* unitList = nullptr;
    QTreeWidget* downloadList = nullptr;
    GUI_VisitTrend* trends[2] = {};
    QLabel* stateLabel = nullptr;
    QLabel* problemsHeading = nullptr;
    QPlainTextEdit* problemsView = nullptr;
    QPushButton* openButton = nullptr;
    QPushButton* reportButton = nullptr;
    QPushButton* closeButton = nullptr;

    QList<QPointer<VisitListingThread>> running;
    quint64 requests = 0;
    quint64 unitsRequest = 0;      // the newest listing of units asked for
    quint64 downloadsRequest = 0;  // the newest listing of a unit's downloads
    QString preferred;
    QString shownUnit;
    QString chosenStamp;  // the download chosen, kept across a new listing
    QList<ArchivedDownload> downloads;
    QStringList unitProblems;
    QStringList downloadProblems;
};
