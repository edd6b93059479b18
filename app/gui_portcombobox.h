// The port choice of the Home page. Its list is scanned again each time the
// popup opens, so that an adapter plugged in after start appears without a
// restart.
#pragma once

#include <QComboBox>
#include <QStringList>

#include <functional>

class QStringListModel;

class GUI_PortComboBox : public QComboBox
{
    Q_OBJECT

public:
    using Scanner = std::function<QStringList()>;

    explicit GUI_PortComboBox(QWidget* parent = nullptr);

    // Replaces the scan (tests); the default asks COM_SerialPort::scanPorts.
    void setScanner(Scanner scanner);
    // Scans and lists the ports, keeping the chosen port chosen while it is
    // still present.
    void rescan();

    void showPopup() override;

private:
    QStringListModel* portModel = nullptr;
    Scanner scan;
};
