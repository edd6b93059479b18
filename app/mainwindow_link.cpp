// The window's view of the line: connecting, disconnecting, a line that is
// lost by itself, the clock field that follows the PC, and what a press does
// while an operation still runs.
#include "app/gui_kelmoradiagnose.h"

#include "reader/app_kelmoradatareader.h"
#include "app/gui_clockfield.h"
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

namespace {

// An operation notices a closed line within a poll of some milliseconds; a
// Connect pressed meanwhile waits this long for it before it is refused.
constexpr int previousOperationWaitMs = 1500;

} // namespace

void GUI_KelmoraDiagnose::connectOrDisconnect()
{
    // The window's own state decides, not whether the port happens to be
    // open: a lost line leaves the window Connected until it has been told.
    if (link == LinkState::NotConnected)
        connectUnit();
    else
        disconnectUnit();
}

void GUI_KelmoraDiagnose::disconnectUnit()
{
    // A running operation sees its line gone at its next poll and ends by
    // itself; nothing it still has to send can reach the unit any more.
    serialPort->closePort();
    logView.clear();
    showNotConnected();
}

void GUI_KelmoraDiagnose::showNotConnected()
{
    // A download still looking in the archive will not start.
    if (downloadSession)
        downloadSession->abandon();
    link = LinkState::NotConnected;
    connectButton->setEnabled(true);
    connectButton->setText(text(UiText::connect));
    infoNamesLabel->setText(QString());
    infoValuesLabel->setText(QString());
    infoNamesLabel->hide();
    infoValuesLabel->hide();
    setUnitControlsVisible(false);
}

// Waits, bounded, for the operation of an earlier connection to end, then
// delivers what it reported while the window still shows no connection, so
// that none of its results is taken for the new connection's.
bool GUI_KelmoraDiagnose::previousOperationEnded()
{
    if (dataReader->isRunning() && !dataReader->wait(QDeadlineTimer(previousOperationWaitMs)))
        return false;
    // All of them, in order: the record swaps the operation queued come
    // before the signals it raised after them.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    return true;
}

void GUI_KelmoraDiagnose::connectUnit()
{
    const QString portName = portCombo->currentPortName();
    if (portName.length() <= 3)
        return;
    if (!previousOperationEnded()) {
        display(text(StatusText::previousNotEnded));
        showMessage(messageBoxStyle, text(UiText::error), text(StatusText::previousNotEnded),
                    {{MessageButtonRole::Confirm, text(UiText::ok)}});
        return;
    }
    if (!serialPort->openPort(portName, 9600, 1)) {
        display(text(UiText::portOpenFailed));
        return;
    }
    logView.clear();
    unitChanges.clear();
    showConnecting();
    display(text(UiText::portOpened));
    dataReader->connectUnit();
}

void GUI_KelmoraDiagnose::showConnecting()
{
    link = LinkState::Connecting;
    connectButton->setText(text(UiText::connecting));
    connectButton->setEnabled(false);
}

void GUI_KelmoraDiagnose::connectionReady(bool success)
{
    // A result of a connect the user has since given up (Disconnect, lost
    // line) changes nothing.
    if (link != LinkState::Connecting)
        return;
    connectButton->setEnabled(true);
    if (success) {
        link = LinkState::Connected;
        connectButton->setText(text(UiText::disconnect));
        showUnitInfo(false);
        setUnitControlsVisible(true);
        clockField->followAgain();
        return;
    }
    // A line that went by itself is left as it is, so that the port's own
    // report of the loss still counts and is shown.
    if (serialPort->isOpen())
        serialPort->closePort();
    logView.clear();
    showNotConnected();
    display(text(UiText::noAnswer));
}

void GUI_KelmoraDiagnose::unitIdentified(UnitIdentity unit)
{
    unitOnLine = unit;
}

void GUI_KelmoraDiagnose::lineLost(quint64 lineGeneration, QString reason)
{
    // Only the loss of the line last opened counts; a report of a line that
    // has been closed or reopened since is old news.
    if (lineGeneration != serialPort->generation())
        return;
    qCDebug(lcWindow) << "line lost:" << reason;
    serialPort->closePort();
    showNotConnected();
    display(text(StatusText::lineLost));
    if (downloadAccount.lineLost())
        return;  // the download's own box says it first
    if (!windowClosing)
        showMessage(messageBoxStyle, text(StatusText::lineLost), text(StatusText::checkCable),
                    {{MessageButtonRole::Confirm, text(UiText::ok)}});
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
