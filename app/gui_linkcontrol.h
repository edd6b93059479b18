// The window's view of the line: Connect and Disconnect on one button, the
// result of a connect, and a line that is lost by itself. The window's own
// state decides what a press does, not whether the port happens to be open:
// a lost line leaves the window Connected until it has been told.
#pragma once

#include <QObject>
#include <QString>

class APP_KelmoraDataReader;
class COM_SerialPort;
class DownloadSession;
class QPushButton;

class GUI_LinkControl : public QObject
{
    Q_OBJECT

public:
    enum class State { NotConnected, Connecting, Connected };

    GUI_LinkControl(COM_SerialPort* port, APP_KelmoraDataReader* reader, DownloadSession* session,
                    QPushButton* connectButton, QObject* parent);

    State state() const { return link; }
    // Connect to the named port, or Disconnect.
    void toggle(const QString& portName);
    // The look while a connect runs: the button disabled on "Connecting".
    void showConnecting();
    // The reader's answer to the connect.
    void connectionReady(bool success);
    // The port's report of a line gone by itself.
    void lineLost(quint64 lineGeneration, const QString& reason);
    // The button's text in the current language.
    void retranslate();

Q_SIGNALS:
    void logLine(const QString& line);
    void logCleared();
    // The port is open and the unit is being identified: a new visit.
    void visitStarted();
    // The unit answered: its values and controls can be shown.
    void connected();
    // No unit on the line any more (Disconnect, no answer, line lost).
    void disconnected();
    // After disconnected, when the line went by itself.
    void lost();

private:
    void connectUnit(const QString& portName);
    void disconnectUnit();
    bool previousOperationEnded();
    void showNotConnected();

    COM_SerialPort* serialPort = nullptr;
    APP_KelmoraDataReader* dataReader = nullptr;
    DownloadSession* downloadSession = nullptr;
    QPushButton* button = nullptr;
    State link = State::NotConnected;
};
