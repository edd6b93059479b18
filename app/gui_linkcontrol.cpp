#include "app/gui_linkcontrol.h"

#include "comm/com_serialport.h"
#include "frame/messagebox.h"
#include "frame/statustexts.h"
#include "frame/stylesheets.h"
#include "frame/texttable.h"
#include "frame/uitexts.h"
#include "reader/app_kelmoradatareader.h"
#include "session/downloadsession.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QPushButton>

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

namespace {

// An operation notices a closed line within a poll of some milliseconds; a
// Connect pressed meanwhile waits this long for it before it is refused.
constexpr int previousOperationWaitMs = 1500;

} // namespace

GUI_LinkControl::GUI_LinkControl(COM_SerialPort* port, APP_KelmoraDataReader* reader,
                                 DownloadSession* session, QPushButton* connectButton, QObject* parent)
    : QObject(parent)
    , serialPort(port)
    , dataReader(reader)
    , downloadSession(session)
    , button(connectButton)
{
}

void GUI_LinkControl::toggle(const QString& portName)
{
    if (link == State::NotConnected)
        connectUnit(portName);
    else
        disconnectUnit();
}

void GUI_LinkControl::disconnectUnit()
{
    // A running operation sees its line gone at its next poll and ends by
    // itself; nothing it still has to send can reach the unit any more.
    serialPort->closePort();
    emit logCleared();
    showNotConnected();
}

void GUI_LinkControl::showNotConnected()
{
    // A download still looking in the archive will not start.
    if (downloadSession)
        downloadSession->abandon();
    link = State::NotConnected;
    button->setEnabled(true);
    button->setText(text(UiText::connect));
    emit disconnected();
}

// Waits, bounded, for the operation of an earlier connection to end, then
// delivers what it reported while the window still shows no connection, so
// that none of its results is taken for the new connection's.
bool GUI_LinkControl::previousOperationEnded()
{
    if (dataReader->isRunning() && !dataReader->wait(QDeadlineTimer(previousOperationWaitMs)))
        return false;
    // All of them, in order: the record swaps the operation queued come
    // before the signals it raised after them.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    return true;
}

void GUI_LinkControl::connectUnit(const QString& portName)
{
    if (portName.length() <= 3)
        return;
    if (!previousOperationEnded()) {
        emit logLine(text(StatusText::previousNotEnded));
        showMessage(messageBoxStyle, text(UiText::error), text(StatusText::previousNotEnded),
                    {{MessageButtonRole::Confirm, text(UiText::ok)}});
        return;
    }
    if (!serialPort->openPort(portName, 9600, 1)) {
        emit logLine(text(UiText::portOpenFailed));
        return;
    }
    emit logCleared();
    emit visitStarted();
    showConnecting();
    emit logLine(text(UiText::portOpened));
    dataReader->connectUnit();
}

void GUI_LinkControl::showConnecting()
{
    link = State::Connecting;
    button->setText(text(UiText::connecting));
    button->setEnabled(false);
}

void GUI_LinkControl::connectionReady(bool success)
{
    // A result of a connect the user has since given up (Disconnect, lost
    // line) changes nothing.
    if (link != State::Connecting)
        return;
    button->setEnabled(true);
    if (success) {
        link = State::Connected;
        button->setText(text(UiText::disconnect));
        emit connected();
        return;
    }
    // A line that went by itself is left as it is, so that the port's own
    // report of the loss still counts and is shown.
    if (serialPort->isOpen())
        serialPort->closePort();
    emit logCleared();
    showNotConnected();
    emit logLine(text(UiText::noAnswer));
}

void GUI_LinkControl::lineLost(quint64 lineGeneration, const QString& reason)
{
    // Only the loss of the line last opened counts; a report of a line that
    // has been closed or reopened since is old news.
    if (lineGeneration != serialPort->generation())
        return;
    qCDebug(lcWindow) << "line lost:" << reason;
    serialPort->closePort();
    showNotConnected();
    emit logLine(text(StatusText::lineLost));
    emit lost();
}

void GUI_LinkControl::retranslate()
{
    button->setText(text(link == State::Connecting  ? UiText::connecting
                         : link == State::Connected ? UiText::disconnect
                                                    : UiText::connect));
}
