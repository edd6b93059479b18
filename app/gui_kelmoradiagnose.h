// The application's only window: the Home page with the unit's controls and
// information, two table pages and two chart pages.
#pragma once

#include "app/downloadaccount.h"
#include "app/gui_linkcontrol.h"
#include "app/gui_logview.h"
#include "app/homepagecontrols.h"
#include "app/sidesources.h"
#include "model/kelmorafillingdata.h"
#include "model/sidedownload.h"
#include "model/unitidentity.h"
#include "report/visitreport.h"

#include <QDateTime>
#include <QLoggingCategory>
#include <QMainWindow>

#include <functional>

// Traces of the window ("kelmora.window"), off unless asked for.
Q_DECLARE_LOGGING_CATEGORY(lcWindow)

class APP_KelmoraDataReader;
class COM_SerialPort;
class DownloadSession;
struct DownloadSessionResult;
class GUI_ClockField;
class GUI_DataTable;
class GUI_DisplayChart;
class GUI_DownloadProgress;
class GUI_UnitSettings;
class GUI_VisitsDialog;
class QCheckBox;
class QComboBox;
class QPushButton;
class QStyle;
class QTabWidget;
class ReportActions;
struct ArchivedDownload;

class GUI_KelmoraDiagnose : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int versionMajor = 4;
    static constexpr int versionMinor = 6;
    static constexpr int minimumWidth = 800;
    static constexpr int minimumHeight = 530;
    static constexpr int languageCount = HomePageControls::languageCount;

    explicit GUI_KelmoraDiagnose(QWidget* parent = nullptr);
    // Reads the text table from the given file instead of the one beside the
    // executable (tests).
    GUI_KelmoraDiagnose(QWidget* parent, const QString& textTablePath);

    // Applies the texts of the current language to the window, the tables
    // and the charts.
    void retranslate();
    // Fills the unit information columns; names only on a language change.
    void showUnitInfo(bool namesOnly);
    // The check box that asks for a whole download instead of one that
    // builds on the archive (tests).
    QCheckBox* fullDownloadOption() const { return home.fullDownloadBox; }
    // Shows or hides the controls that need a connected unit.
    void setUnitControlsVisible(bool visible);

    // Lets running operations end before the process does: closes the port
    // and waits, bounded, for both threads. False when one did not end.
    bool shutDownLink();
    static constexpr int shutDownWaitMs = 3000;

    // What the window shows about the line.
    using LinkState = GUI_LinkControl::State;
    LinkState linkState() const;
    // The unit identified on the line, as shown on the Home page.
    const UnitIdentity& connectedUnit() const { return unitOnLine; }

    // The look while a connect runs: the button disabled on "Connecting".
    void showConnecting();

    // Where the clock field takes the PC's time from (tests move it on).
    void setPcClock(std::function<QDateTime()> clock);
    QDateTime clockFieldTime() const;

    // The open-file dialog's name filter, "Name (*.txt *.csv)": raw history
    // dumps and CSV exports. Blanks alone separate the patterns (Qt splits on
    // them), so every platform lists both kinds.
    static QString dataFileFilter();
    // Loads a data file as the open-file button does once a file is chosen:
    // the sides it holds replace the stored ones, each with the unit the
    // file names and its own record layout. Not while an operation runs.
    void loadDataFile(const QString& path);

    // The Visits dialog of the Home page's button, made with the window.
    GUI_VisitsDialog* visitsDialog() const { return visits; }
    // Loads an archived download as opening its files by hand does (its
    // CSV, else its dumps). False when an operation runs and nothing was
    // loaded.
    bool openArchivedDownload(const ArchivedDownload& download);

    // The reader runs an operation, or a download is looking in the archive
    // before it starts.
    bool operationRunning() const;

    // The visit report of what the window holds now: the stored sides with
    // where each came from, and what was changed on the unit since the last
    // connect (tests read it; the report button writes it).
    VisitReport visitReport() const;
    const QList<VisitAction>& actionsThisVisit() const;
    // Writes the visit report to path for the given technician and site
    // (remembered for the next report) and says the result in the log; on
    // failure *failure (when given) says why.
    bool writeVisitReport(const QString& path, const QString& technician, const QString& site,
                          QString* failure = nullptr);

    COM_SerialPort* port() const { return serialPort; }
    APP_KelmoraDataReader* reader() const { return dataReader; }

public Q_SLOTS:
    void buttonClicked();
    void dataReady(KelmoraFillingData* fillingData, quint16* count, quint8 success);
    void connectionReady(bool success);
    void operationModeReset(bool success);
    void pulseInputSet(bool success);
    void timeSet(bool success);
    void clockReadBack(quint32 before, quint32 after);
    void display(QString text);
    void append(QString text);
    void historyDownloaded(SideDownload sideA, SideDownload sideB);
    void unitIdentified(UnitIdentity unit);
    // Puts the PC's time into the clock field unless the user has edited it.
    void followPcClock();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void construct(bool textTableLoaded);
    void createLinkAndReader();
    void createPages();
    void createHomeLabels();
    void createLanguageButtons();
    void createPortCombo();
    void createUnitButtons();
    void createPulseInputCombo();
    void createUnitSettings();
    QPushButton* createButton(const QString& name, const QString& style);
    void setUpPopupList(QComboBox* combo);
    void layOutHomePage();

    void createLinkControl();
    bool refuseWhileBusy();
    void showDownloadOutcome();
    void openDataFile();
    void openVisits();
    void startDownload();
    void readingStarted(int count, bool bothSides);
    void showFailure(int informativeText);
    void showRecords(KelmoraFillingData* fillingData, bool complete);
    void listSide(char side);
    void relistClearedSide(KelmoraFillingData* fillingData);
    void releaseSidePages(char side, KelmoraFillingData* released);
    // Names each side's unit on its pages, and an incomplete download.
    void showSideNotes();
    void historyProgress(char side, int bytes, int lines, int requested);
    void historyPlan(char side, int newRecords, int fromArchive);
    void readerFinished();
    // The report of what the window holds (mainwindow_report.cpp).
    void makeReport();
    void updateReportButton();
    // Says in the log where the download was archived, or why it was not.
    void downloadArchived(const DownloadSessionResult& result);

    COM_SerialPort* serialPort = nullptr;
    APP_KelmoraDataReader* dataReader = nullptr;
    QTabWidget* tabs = nullptr;
    QWidget* homePage = nullptr;
    GUI_DataTable* tableA = nullptr;
    GUI_DisplayChart* chartA = nullptr;
    GUI_DataTable* tableB = nullptr;
    GUI_DisplayChart* chartB = nullptr;
    HomePageControls home;
    GUI_VisitsDialog* visits = nullptr;
    GUI_LogView logView;
    // Shared by the popup lists; owned by the window.
    QStyle* commonStyle = nullptr;
    GUI_DownloadProgress* downloadProgress = nullptr;
    // Archive lookup, download and archive write of the history; the
    // window presents what it reports.
    DownloadSession* downloadSession = nullptr;
    GUI_LinkControl* linkControl = nullptr;
    UnitIdentity unitOnLine;
    SideSources sideSources;
    // How the last download ended and where each side's records came from.
    DownloadAccount downloadAccount;
    GUI_UnitSettings* unitSettings = nullptr;  // the unit writes and their log
    ReportActions* reportActions = nullptr;
    // Set once the window has agreed to close: the last reports of the
    // threads then open no box on an empty screen.
    bool windowClosing = false;
    GUI_ClockField* clockField = nullptr;
};
