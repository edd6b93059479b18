#include "app/gui_kelmoradiagnose.h"

#include "app/reportactions.h"

#include "reader/app_kelmoradatareader.h"
#include "comm/com_serialport.h"
#include "table/gui_datatable.h"
#include "chart/gui_displaychart.h"
#include "app/gui_clockfield.h"
#include "app/gui_downloadprogress.h"
#include "app/gui_infocolumn.h"
#include "app/gui_portcombobox.h"
#include "app/gui_visitsdialog.h"
#include "files/archivefolder.h"
#include "session/downloadsession.h"
#include "frame/incrementaltexts.h"
#include "frame/messagebox.h"
#include "frame/reporttexts.h"
#include "frame/stylesheets.h"
#include "frame/texttable.h"
#include "frame/uitexts.h"
#include "frame/visittexts.h"

#include <QCheckBox>
#include <QCommonStyle>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStringListModel>
#include <QTabWidget>
#include <QThread>
#include <QTimer>

namespace {

// The clock field is brought up to the PC's time this often.

const char* const infoLabelStyle = "QLabel {background:transparent; font-size:12pt; color:#1C3563;}";
const char* const dateTimeEditStyle =
    "QDateTimeEdit {border:0; background:#1C3563; color:white; font-size:10pt;}\n";
const char* const checkBoxStyle =
    "QCheckBox {background:transparent; color:#1C3563; font-size:9pt; spacing:6px;}\n"
    "QCheckBox::indicator {width:11px; height:11px; border:2px solid #1C3563; border-radius:3px; "
    "background:white;}\n"
    "QCheckBox::indicator:checked {background:#1C3563;}";
// Remembered between runs: a technician who wants every download whole
// says so once.
constexpr const char* fullDownloadSettingKey = "download/full";

// Edit line of a combo box that only shows the choice: read-only, centred.
void makeDisplayOnly(QComboBox* combo)
{
    combo->setEditable(true);
    combo->lineEdit()->setReadOnly(true);
    combo->lineEdit()->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    combo->setFocusPolicy(Qt::NoFocus);
}

} // namespace

GUI_KelmoraDiagnose::GUI_KelmoraDiagnose(QWidget* parent)
    : QMainWindow(parent)
{
    setStyleSheet(QStringLiteral("background: white;"));
    setCurrentLanguage(0);
    construct(loadTextTable());
}

GUI_KelmoraDiagnose::GUI_KelmoraDiagnose(QWidget* parent, const QString& textTablePath)
    : QMainWindow(parent)
{
    setStyleSheet(QStringLiteral("background: white;"));
    setCurrentLanguage(0);
    construct(loadTextTableFrom(textTablePath));
}

void GUI_KelmoraDiagnose::construct(bool textTableLoaded)
{
    // Qt 6 reads every 8-bit literal as UTF-8 already; nothing to set.
    if (!textTableLoaded) {
        // The table is empty here, so both texts come out empty; the file
        // name alone tells the technician what is missing.
        showMessage(messageBoxStyle, QStringLiteral("qm7.loc"), text(UiText::cannotOpen) + QLatin1Char('\n') + text(UiText::textTableMissing),
                    {{MessageButtonRole::Confirm, text(UiText::ok)}});
        return;
    }
    createLinkAndReader();
    setWindowTitle(QStringLiteral("KELMORADiagnose v%1.%2").arg(versionMajor).arg(versionMinor));
    createPages();
    createHomeLabels();
    createLanguageButtons();
    createPortCombo();
    createUnitButtons();
    createPulseInputCombo();
    createUnitSettings();
    home.setPulseInputButton = createButton(QStringLiteral("setPulseInputButton"), smallButtonStyle);
    home.setPulseInputButton->hide();

    logView.setParent(homePage);
    logView.setObjectName(QStringLiteral("logView"));
    logView.setFocusPolicy(Qt::NoFocus);
    logView.setStyleSheet(textEditStyle);
    logView.show();

    downloadProgress = new GUI_DownloadProgress(homePage);
    downloadProgress->setObjectName(QStringLiteral("downloadProgress"));

    resize(minimumWidth, minimumHeight);
    setMinimumSize(minimumWidth, minimumHeight);
    layOutHomePage();
    retranslate();
}

void GUI_KelmoraDiagnose::createLinkAndReader()
{
    serialPort = new COM_SerialPort();
    dataReader = new APP_KelmoraDataReader();
    dataReader->setPort(serialPort);
    connect(dataReader, &APP_KelmoraDataReader::dataReady, this, &GUI_KelmoraDiagnose::dataReady);
    connect(dataReader, &APP_KelmoraDataReader::connectionReady, this,
            &GUI_KelmoraDiagnose::connectionReady);
    connect(dataReader, &APP_KelmoraDataReader::operationModeReset, this,
            &GUI_KelmoraDiagnose::operationModeReset);
    connect(dataReader, &APP_KelmoraDataReader::pulseInputSet, this, &GUI_KelmoraDiagnose::pulseInputSet);
    connect(dataReader, &APP_KelmoraDataReader::timeSet, this, &GUI_KelmoraDiagnose::timeSet);
    connect(dataReader, &APP_KelmoraDataReader::clockReadBack, this, &GUI_KelmoraDiagnose::clockReadBack);
    connect(dataReader, &APP_KelmoraDataReader::display, this, &GUI_KelmoraDiagnose::display);
    connect(dataReader, &APP_KelmoraDataReader::append, this, &GUI_KelmoraDiagnose::append);
    connect(dataReader, &APP_KelmoraDataReader::historyProgress, this,
            &GUI_KelmoraDiagnose::historyProgress);
    connect(dataReader, &APP_KelmoraDataReader::historyPlan, this, &GUI_KelmoraDiagnose::historyPlan);
    connect(dataReader, &QThread::finished, this, &GUI_KelmoraDiagnose::readerFinished);
    downloadSession = new DownloadSession(dataReader, this);
    connect(downloadSession, &DownloadSession::archiveProblem, this, &GUI_KelmoraDiagnose::display);
    connect(downloadSession, &DownloadSession::readingStarted, this, &GUI_KelmoraDiagnose::readingStarted);
    connect(downloadSession, &DownloadSession::sidesDownloaded, this, &GUI_KelmoraDiagnose::historyDownloaded);
    connect(downloadSession, &DownloadSession::finished, this, &GUI_KelmoraDiagnose::downloadArchived);
    connect(dataReader, &APP_KelmoraDataReader::unitIdentified, this,
            &GUI_KelmoraDiagnose::unitIdentified);
}

void GUI_KelmoraDiagnose::createPages()
{
    tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("tabs"));
    tabs->setStyleSheet(tabWidgetStyle);
    homePage = new QWidget();
    homePage->setObjectName(QStringLiteral("homePage"));
    tabs->addTab(homePage, QStringLiteral("Home"));
    tableA = new GUI_DataTable();
    tableA->setObjectName(QStringLiteral("tableA"));
    tabs->addTab(tableA, QStringLiteral("Table A"));
    connect(tableA, &GUI_DataTable::dataReady, this, &GUI_KelmoraDiagnose::dataReady);
    connect(tableA, &GUI_DataTable::reportRequested, this, &GUI_KelmoraDiagnose::makeReport);
    chartA = new GUI_DisplayChart();
    chartA->setObjectName(QStringLiteral("chartA"));
    tabs->addTab(chartA, QStringLiteral("Chart A"));
    tableB = new GUI_DataTable();
    tableB->setObjectName(QStringLiteral("tableB"));
    tabs->addTab(tableB, QStringLiteral("Table B"));
    connect(tableB, &GUI_DataTable::dataReady, this, &GUI_KelmoraDiagnose::dataReady);
    connect(tableB, &GUI_DataTable::reportRequested, this, &GUI_KelmoraDiagnose::makeReport);
    chartB = new GUI_DisplayChart();
    chartB->setObjectName(QStringLiteral("chartB"));
    tabs->addTab(chartB, QStringLiteral("Chart B"));
    // An export of both sides takes the other side's records from its page.
    tableA->setOtherSidePage(tableB);
    tableB->setOtherSidePage(tableA);
    connect(sideStorageNotifier(), &SideStorageNotifier::sideReleasing, this,
            &GUI_KelmoraDiagnose::releaseSidePages);
}

void GUI_KelmoraDiagnose::createHomeLabels()
{
    home.bannerLabel = new QLabel(homePage);
    home.bannerLabel->setObjectName(QStringLiteral("bannerLabel"));
    home.bannerLabel->setPixmap(QPixmap(QStringLiteral(":/images/tolmarbig")));
    home.pictureLabel = new QLabel(homePage);
    home.pictureLabel->setObjectName(QStringLiteral("pictureLabel"));
    home.pictureLabel->setPixmap(QPixmap(QStringLiteral(":/images/kelmora")));
    home.infoNamesLabel = new GUI_InfoColumn(homePage);
    home.infoNamesLabel->setObjectName(QStringLiteral("infoNamesLabel"));
    home.infoValuesLabel = new GUI_InfoColumn(homePage);
    home.infoValuesLabel->setObjectName(QStringLiteral("infoValuesLabel"));
    home.infoNamesLabel->setPartner(home.infoValuesLabel);
    home.infoValuesLabel->setPartner(home.infoNamesLabel);
    for (QLabel* label : {home.infoNamesLabel, home.infoValuesLabel}) {
        label->setStyleSheet(QString::fromLatin1(infoLabelStyle));
        label->setAlignment(Qt::AlignTop);
        label->hide();
    }
}

void GUI_KelmoraDiagnose::createLanguageButtons()
{
    const QPixmap flags(QStringLiteral(":/images/countryflags"));
    for (int language = 0; language < languageCount; ++language) {
        QPixmap icon(24, 24);
        icon.fill(Qt::white);
        {
            QPainter painter(&icon);
            painter.drawPixmap(0, 0, flags, 24 * language, 0, 24, 24);
        }
        auto* button = new QPushButton(this);
        button->setObjectName(QStringLiteral("languageButton%1").arg(language));
        button->setStyleSheet(flatButtonStyle);
        button->setFocusPolicy(Qt::NoFocus);
        button->setIcon(QIcon(icon));
        button->setIconSize(QSize(24, 24));
        connect(button, &QPushButton::clicked, this, &GUI_KelmoraDiagnose::buttonClicked);
        home.languageButtons[language] = button;
    }
}

void GUI_KelmoraDiagnose::setUpPopupList(QComboBox* combo)
{
    if (!commonStyle)
        commonStyle = new QCommonStyle();
    commonStyle->setParent(this);
    auto* list = new QListView(combo);
    list->setFocusPolicy(Qt::NoFocus);
    list->setStyle(commonStyle);
    list->setStyleSheet(listViewStyle);
    list->verticalScrollBar()->setStyle(commonStyle);
    list->verticalScrollBar()->setStyleSheet(scrollBarStyle);
    combo->setView(list);
}

void GUI_KelmoraDiagnose::createPortCombo()
{
    home.portCombo = new GUI_PortComboBox(homePage);
    home.portCombo->setObjectName(QStringLiteral("portCombo"));
    home.portCombo->setStyleSheet(comboBoxStyle);
    makeDisplayOnly(home.portCombo);
    setUpPopupList(home.portCombo);
    home.portCombo->rescan();
}

QPushButton* GUI_KelmoraDiagnose::createButton(const QString& name, const QString& style)
{
    auto* button = new QPushButton(homePage);
    button->setObjectName(name);
    button->setStyleSheet(style);
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &QPushButton::clicked, this, &GUI_KelmoraDiagnose::buttonClicked);
    return button;
}

void GUI_KelmoraDiagnose::createUnitButtons()
{
    home.connectButton = createButton(QStringLiteral("connectButton"), buttonStyle);
    createLinkControl();
    home.openFileButton = createButton(QStringLiteral("openFileButton"), buttonStyle);
    home.visitsButton = createButton(QStringLiteral("visitsButton"), buttonStyle);
    visits = new GUI_VisitsDialog(this);
    connect(visits, &GUI_VisitsDialog::openRequested, this, [this](const ArchivedDownload& download) {
        // The dialog steps aside so the download's pages can be seen.
        if (openArchivedDownload(download))
            visits->hide();
    });
    reportActions = new ReportActions(this, [this](const QString& line) { display(line); });
    connect(visits, &GUI_VisitsDialog::reportRequested, reportActions, &ReportActions::saveArchived);
    home.downloadButton = createButton(QStringLiteral("downloadButton"), buttonStyle);
    home.downloadButton->hide();
    // Under the download button, where the technician decides: a download
    // normally builds on the archive; checked, the unit is asked for all.
    home.fullDownloadBox = new QCheckBox(homePage);
    home.fullDownloadBox->setObjectName(QStringLiteral("fullDownloadBox"));
    home.fullDownloadBox->setStyleSheet(QString::fromLatin1(checkBoxStyle));
    home.fullDownloadBox->setFocusPolicy(Qt::NoFocus);
    home.fullDownloadBox->setChecked(toolSetting(fullDownloadSettingKey) == QLatin1String("true"));
    connect(home.fullDownloadBox, &QCheckBox::toggled, this, [](bool checked) {
        setToolSetting(fullDownloadSettingKey, checked ? QStringLiteral("true") : QStringLiteral("false"));
    });
    home.fullDownloadBox->hide();
    // Under the download option: the visit report, once a side holds records.
    home.reportButton = createButton(QStringLiteral("reportButton"), buttonStyle);
    home.reportButton->hide();
    home.resetModeButton = createButton(QStringLiteral("resetModeButton"), smallButtonStyle);
    home.resetModeButton->hide();
    home.setTimeButton = createButton(QStringLiteral("setTimeButton"), smallButtonStyle);
    home.setTimeButton->hide();

    home.dateTimeEdit = new QDateTimeEdit(homePage);
    home.dateTimeEdit->setObjectName(QStringLiteral("dateTimeEdit"));
    home.dateTimeEdit->setStyleSheet(QString::fromLatin1(dateTimeEditStyle));
    home.dateTimeEdit->setFocusPolicy(Qt::NoFocus);
    clockField = new GUI_ClockField(home.dateTimeEdit, this);
    // A language-neutral form that fits the 150-pixel field; the locale's
    // long form with month names and seconds is cut off there.
    home.dateTimeEdit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm"));
    home.dateTimeEdit->hide();
}

void GUI_KelmoraDiagnose::createPulseInputCombo()
{
    home.pulseInputCombo = new QComboBox(homePage);
    home.pulseInputCombo->setObjectName(QStringLiteral("pulseInputCombo"));
    home.pulseInputCombo->setModel(new QStringListModel(
        {QStringLiteral("33"), QStringLiteral("50"), QStringLiteral("100"), QStringLiteral("132"),
         QStringLiteral("200"), QStringLiteral("264")},
        home.pulseInputCombo));
    setUpPopupList(home.pulseInputCombo);
    makeDisplayOnly(home.pulseInputCombo);
    home.pulseInputCombo->setStyleSheet(smallComboBoxStyle);
    home.pulseInputCombo->hide();
}

void GUI_KelmoraDiagnose::retranslate()
{
    if (!dataReader)
        return; // the empty window of a missing text table
    linkControl->retranslate();
    home.openFileButton->setText(text(UiText::openFile));
    home.visitsButton->setText(text(VisitText::button));
    visits->retranslate();
    home.downloadButton->setText(text(UiText::readHistory));
    home.fullDownloadBox->setText(text(IncrementalText::fullDownloadOption));
    home.reportButton->setText(text(ReportText::button));
    home.resetModeButton->setText(text(UiText::resetMode));
    home.setTimeButton->setText(text(UiText::setClock));
    home.setPulseInputButton->setText(text(UiText::setPulseInput));
    tableA->retranslate();
    tableB->retranslate();
    chartA->retranslate();
    chartB->retranslate();
    showSideNotes();
    showUnitInfo(true);
    downloadProgress->retranslate();
    home.portCombo->retranslate();
}

bool GUI_KelmoraDiagnose::shutDownLink()
{
    if (!dataReader)
        return true;
    // Every operation checks its line at each poll; a closed port ends it
    // within milliseconds, a port write within its own bound.
    serialPort->closePort();
    // A lookup in the archive reads bounded files; a drive that does not
    // answer can still hold it. No download starts from it any more.
    downloadSession->abandon();
    const bool lookupEnded = downloadSession->waitForLookup(QDeadlineTimer(shutDownWaitMs));
    const bool readerEnded = dataReader->wait(QDeadlineTimer(shutDownWaitMs));
    const bool portEnded = serialPort->wait(QDeadlineTimer(shutDownWaitMs));
    return lookupEnded && readerEnded && portEnded;
}
