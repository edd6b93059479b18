// The main window shown once for a whole test program, with what its tests
// share: widgets by name, a unit to identify, connecting by hand.
#pragma once

#include "reader/app_kelmoradatareader.h"
#include "comm/com_serialport.h"
#include "comm/com_simlinks.h"
#include "table/gui_datatable.h"
#include "chart/gui_displaychart.h"
#include "app/gui_downloadprogress.h"
#include "app/gui_kelmoradiagnose.h"
#include "app/gui_logview.h"
#include "app/gui_portcombobox.h"
#include "sim_rawline.h"
#include "frame/texttable.h"
#include "reader_ptypeer.h"
#include "frame/incrementaltexts.h"
#include "frame/statustexts.h"
#include "frame/reporttexts.h"
#include "frame/visittexts.h"
#include "app/gui_visitsdialog.h"
#include "app/gui_visittrend.h"
#include "files/archivefolder.h"
#include "files_visits.h"
#include "window_dialoganswerer.h"
#include "window_testdata.h"
#include "reader_access.h"
#include "files/csvwriter.h"
#include "files/odscontent.h"
#include <QBuffer>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QFileDialog>
#include <QListView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>
#include <QTreeWidget>
#include <QTextLayout>
#include <QtTest>

class WindowTestFixture : public QObject
{
    Q_OBJECT

protected:
    QTemporaryDir dir;
    QString textTablePath;
    DialogAnswerer* answerer = nullptr;
    GUI_KelmoraDiagnose* window = nullptr;
    UnitIdentity testUnit;  // what the next connectWindow identifies

    template <typename T = QWidget>
    T* child(const char* name)
    {
        T* widget = window->findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            qWarning("no widget named %s", name);
        return widget;
    }
    QTabWidget* tabs() { return child<QTabWidget>("tabs"); }
    QTextEdit* log() { return child<QTextEdit>("logView"); }
    // The lines as the user reads them, dots still waiting included.
    QString logText() { return qobject_cast<GUI_LogView*>(log())->logText(); }
    GUI_DataTable* table(char side) { return child<GUI_DataTable>(side == 'A' ? "tableA" : "tableB"); }
    GUI_DisplayChart* chart(char side) { return child<GUI_DisplayChart>(side == 'A' ? "chartA" : "chartB"); }
    QStringList visibleHomeWidgets()
    {
        QStringList names;
        for (QWidget* widget : child<QWidget>("homePage")->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            if (widget->isVisible())
                names << widget->objectName();
        names.sort();
        return names;
    }
    void setUnit(double softwareVersionNumber, qint32 countryCode, const QString& pcm)
    {
        testUnit.serialNumber = 40711;
        testUnit.hardwareVersion = 3.2;
        testUnit.softwareVersion = QStringLiteral("V1.52");
        testUnit.softwareVersionNumber = softwareVersionNumber;
        testUnit.pvnValue = 1234;
        testUnit.pulseInput = 100;
        testUnit.countryCode = countryCode;
        testUnit.pcmText = pcm;
    }
    // The window as after a successful connect to the unit set with setUnit.
    void connectWindow()
    {
        window->showConnecting();
        window->unitIdentified(testUnit);
        window->connectionReady(true);
    }
    // Back to the not-connected look, as the Disconnect button does it.
    void disconnectWindow()
    {
        if (window->linkState() != GUI_KelmoraDiagnose::LinkState::NotConnected)
            child<QPushButton>("connectButton")->click();
    }
    void checkGeometry(const char* name, const QRect& expected)
    {
        QWidget* widget = child(name);
        QVERIFY2(widget, name);
        QVERIFY2(widget->geometry() == expected,
                 qPrintable(QStringLiteral("%1 at %2,%3 %4x%5").arg(QString::fromLatin1(name))
                                .arg(widget->x()).arg(widget->y()).arg(widget->width()).arg(widget->height())));
    }
    void resizeWindow(int width, int height)
    {
        window->resize(width, height);
        QTRY_COMPARE(window->size(), QSize(width, height));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        textTablePath = writeNumberedTextTable(dir.path());
        answerer = new DialogAnswerer(this);
        window = new GUI_KelmoraDiagnose(nullptr, textTablePath);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }

    void init()
    {
        answerer->clear();
        answerer->messageAnswer = 0;
        setCurrentLanguage(0);
        window->retranslate();
    }
};
