// The port choice of the Home page. Its list is scanned again each time the
// popup opens, so that an adapter plugged in after start appears without a
// restart. A simulated unit is named as such, and the first choice is the
// port most likely to have a unit behind it.
#pragma once

#include <QComboBox>
#include <QHash>
#include <QStringList>

#include <functional>

class QLabel;
class QStandardItemModel;

class GUI_PortComboBox : public QComboBox
{
    Q_OBJECT

public:
    using Scanner = std::function<QStringList()>;
    // Text table entry of the "simulated unit" mark.
    static constexpr int simulatedUnitText = 160;

    explicit GUI_PortComboBox(QWidget* parent = nullptr);

    // Replaces the scan (tests); the default asks COM_PortNames::scanPorts.
    void setScanner(Scanner scanner);
    // Replaces the list of simulated units' device paths (tests); the default
    // asks the simulators' link folder.
    void setSimulatedUnits(Scanner units);
    // Scans and lists the ports, keeping the chosen port chosen while it is
    // still present; otherwise the preferred port is chosen.
    void rescan();
    // The name the port is opened with. The list shows a simulated unit as
    // "name (simulated unit)"; the closed field shows the name with the
    // mark below it.
    QString currentPortName() const;
    // The mark under the chosen port's name; empty when none is shown.
    QString simulatedUnitMark() const;
    QString portNameAt(int index) const;
    // The index of the port opened with this name, or -1.
    int findPort(const QString& name) const;
    // Applies the current language to the marks of simulated units.
    void retranslate();

    // How likely a unit is behind a port: a USB adapter (the usual service
    // cable) first, then a simulated unit, then a bare motherboard port.
    static int preference(const QString& name, bool simulated);
    // The index to choose in a fresh list: the first of the most likely kind.
    static int preferredIndex(const QStringList& ports, const QStringList& simulated);

    void showPopup() override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QString shownName(const QString& name, bool simulated) const;
    void showChoice();

    QStandardItemModel* portModel = nullptr;
    Scanner scan;
    Scanner simulatedUnits;
    QStringList listedPorts;
    QStringList listedSimulated;
    QHash<QString, QString> descriptions; // the system's names of the ports listed
    QLabel* markLabel = nullptr;
};
