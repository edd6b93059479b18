// The window's side of the line: what it shows as the line comes and goes,
// the clock field that follows the PC, what a press does while an operation
// still runs, and closing.
#include "app/gui_kelmoradiagnose.h"
#include "app/gui_infocolumn.h"

#include "reader/app_kelmoradatareader.h"
#include "app/gui_clockfield.h"
#include "app/gui_linkcontrol.h"
#include "app/gui_unitsettings.h"
#include "comm/com_serialport.h"
#include "session/downloadsession.h"
#include "app/gui_portcombobox.h"
#include "frame/messagebox.h"
#include "frame/statustexts.h"
#include "frame/stylesheets.h"
#include "frame/texttable.h"
#include "frame/uitexts.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QDebug>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

// Wires the line's part to the window: what the window shows as the line
// comes and goes.
void GUI_KelmoraDiagnose::createLinkControl()
{
    linkControl = new GUI_LinkControl(serialPort, dataReader, downloadSession, home.connectButton, this);
    connect(linkControl, &GUI_LinkControl::logLine, this, &GUI_KelmoraDiagnose::display);
    connect(linkControl, &GUI_LinkControl::logCleared, this, [this] { logView.clear(); });
    connect(linkControl, &GUI_LinkControl::visitStarted, this, [this] { unitSettings->newVisit(); });
    connect(linkControl, &GUI_LinkControl::connected, this, [this] {
        showUnitInfo(false);
        setUnitControlsVisible(true);
        clockField->followAgain();
    });
    connect(linkControl, &GUI_LinkControl::disconnected, this, [this] {
        home.infoNamesLabel->setText(QString());
        home.infoValuesLabel->setText(QString());
        home.infoNamesLabel->hide();
        home.infoValuesLabel->hide();
        setUnitControlsVisible(false);
    });
    connect(linkControl, &GUI_LinkControl::lost, this, [this] {
        if (downloadAccount.lineLost())
            return;  // the download's own box says it first
        if (!windowClosing)
            showMessage(messageBoxStyle, text(StatusText::lineLost), text(StatusText::checkCable),
                        {{MessageButtonRole::Confirm, text(UiText::ok)}});
    });
    // Raised on the port thread, handled here.
    connect(serialPort, &COM_SerialPort::lineLost, linkControl, &GUI_LinkControl::lineLost,
            Qt::QueuedConnection);
}

GUI_KelmoraDiagnose::LinkState GUI_KelmoraDiagnose::linkState() const
{
    return linkControl ? linkControl->state() : LinkState::NotConnected;
}

void GUI_KelmoraDiagnose::showConnecting()
{
    linkControl->showConnecting();
}

void GUI_KelmoraDiagnose::connectionReady(bool success)
{
    linkControl->connectionReady(success);
}

void GUI_KelmoraDiagnose::unitIdentified(UnitIdentity unit)
{
    unitOnLine = unit;
}

// A press that cannot run now says so in the log instead of doing nothing.
bool GUI_KelmoraDiagnose::refuseWhileBusy()
{
    if (!operationRunning())
        return false;
    display(text(StatusText::busy));
    return true;
}

void GUI_KelmoraDiagnose::setPcClock(std::function<QDateTime()> clock)
{
    clockField->setPcClock(std::move(clock));
}

QDateTime GUI_KelmoraDiagnose::clockFieldTime() const
{
    return clockField ? clockField->time() : QDateTime();
}

void GUI_KelmoraDiagnose::followPcClock()
{
    clockField->follow();
}

void GUI_KelmoraDiagnose::closeEvent(QCloseEvent* event)
{
    const bool busy = operationRunning();
    const int answer = showMessage(messageBoxStyle, text(busy ? StatusText::quitStopsOperation : UiText::quitQuestion),
                                   QString(),
                                   {{MessageButtonRole::Acknowledge, text(UiText::ok)},
                                    {MessageButtonRole::Cancel, text(UiText::cancel)}});
    if (answer == 1) {
        event->ignore();
        return;
    }
    // Stopped here, while the window still exists to take the last reports.
    windowClosing = true;
    shutDownLink();
    event->accept();
}
