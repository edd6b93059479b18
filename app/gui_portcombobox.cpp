#include "app/gui_portcombobox.h"

#include "comm/com_portnames.h"
#include "comm/com_simlinks.h"
#include "frame/texttable.h"

#include <QAbstractItemView>
#include <QLabel>
#include <QLineEdit>
#include <QResizeEvent>
#include <QStandardItemModel>

namespace {

constexpr int portNameRole = Qt::UserRole + 1;
// The mark under the port name in the closed field: the whole
// "name (simulated unit)" of the list is too wide for it.
constexpr int markHeight = 14;
const char* const markStyle = "QLabel {background:transparent; color:white; font-size:8pt;}";

} // namespace

GUI_PortComboBox::GUI_PortComboBox(QWidget* parent)
    : QComboBox(parent), portModel(new QStandardItemModel(this)), scan(&COM_PortNames::scanPorts),
      simulatedUnits(&simlinks::runningUnits)
{
    setModel(portModel);
    connect(this, &QComboBox::currentIndexChanged, this, &GUI_PortComboBox::showChoice);
    // Once more after the event: the combo box may write the item's whole
    // text into its field after it has announced the new index.
    connect(this, &QComboBox::currentIndexChanged, this, &GUI_PortComboBox::showChoice,
            Qt::QueuedConnection);
}

void GUI_PortComboBox::showChoice()
{
    QLineEdit* edit = lineEdit();
    if (!edit)
        return;
    if (!markLabel || markLabel->parentWidget() != edit) {
        markLabel = new QLabel(edit);
        markLabel->setObjectName(QStringLiteral("simulatedUnitMark"));
        markLabel->setStyleSheet(QString::fromLatin1(markStyle));
        markLabel->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
        markLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    const QString name = currentPortName();
    const bool simulated = listedSimulated.contains(name);
    markLabel->setText(simulated ? text(simulatedUnitText) : QString());
    markLabel->setVisible(simulated);
    markLabel->setGeometry(0, edit->height() - markHeight - 4, edit->width(), markHeight);
    if (simulated)
        edit->setText(name);
    edit->setTextMargins(0, 0, 0, simulated ? markHeight : 0);
    // A name too long for the field shows its start, where the port is.
    edit->setCursorPosition(0);
}

QString GUI_PortComboBox::simulatedUnitMark() const
{
    return markLabel && !markLabel->isHidden() ? markLabel->text() : QString();
}

void GUI_PortComboBox::resizeEvent(QResizeEvent* event)
{
    QComboBox::resizeEvent(event);
    showChoice();
}

void GUI_PortComboBox::setScanner(Scanner scanner)
{
    scan = std::move(scanner);
}

void GUI_PortComboBox::setSimulatedUnits(Scanner units)
{
    simulatedUnits = std::move(units);
}

QString GUI_PortComboBox::shownName(const QString& name, bool simulated) const
{
    if (simulated)
        return name + QStringLiteral(" (") + text(simulatedUnitText) + QLatin1Char(')');
    // Windows names most ports after their adapter, usually with the port
    // name in it ("USB Serial Port (COM4)").
    const QString description = descriptions.value(name);
    if (description.isEmpty())
        return name;
    return description.contains(name) ? description : name + QStringLiteral(" - ") + description;
}

int GUI_PortComboBox::preference(const QString& name, bool simulated)
{
    if (name.contains(QLatin1String("ttyUSB")) || name.contains(QLatin1String("ttyACM")))
        return 2;
    return simulated ? 1 : 0;
}

int GUI_PortComboBox::preferredIndex(const QStringList& ports, const QStringList& simulated)
{
    int best = ports.isEmpty() ? -1 : 0;
    for (int i = 0; i < ports.size(); ++i) {
        if (preference(ports.at(i), simulated.contains(ports.at(i)))
            > preference(ports.at(best), simulated.contains(ports.at(best))))
            best = i;
    }
    return best;
}

void GUI_PortComboBox::rescan()
{
    const QString chosen = currentPortName();
    const QStringList ports = scan ? scan() : QStringList();
    QStringList simulated = simulatedUnits ? simulatedUnits() : QStringList();
    simulated.erase(std::remove_if(simulated.begin(), simulated.end(),
                                   [&ports](const QString& unit) { return !ports.contains(unit); }),
                    simulated.end());
    if (ports == listedPorts && simulated == listedSimulated && count() == ports.size())
        return;
    listedPorts = ports;
    listedSimulated = simulated;
    descriptions = COM_PortNames::portDescriptions();
    portModel->clear();
    for (const QString& port : ports) {
        auto* item = new QStandardItem(shownName(port, simulated.contains(port)));
        item->setData(port, portNameRole);
        portModel->appendRow(item);
    }
    const int index = ports.indexOf(chosen);
    setCurrentIndex(index >= 0 ? index : preferredIndex(ports, simulated));
    showChoice();
    // The popup may be wider than the field, so that a long name shows whole.
    view()->setMinimumWidth(qMax(width(), view()->sizeHintForColumn(0) + 40));
}

QString GUI_PortComboBox::currentPortName() const
{
    return portNameAt(currentIndex());
}

QString GUI_PortComboBox::portNameAt(int index) const
{
    return index >= 0 && index < count() ? itemData(index, portNameRole).toString() : QString();
}

int GUI_PortComboBox::findPort(const QString& name) const
{
    return findData(name, portNameRole, Qt::MatchExactly);
}

void GUI_PortComboBox::retranslate()
{
    for (int row = 0; row < portModel->rowCount(); ++row) {
        QStandardItem* item = portModel->item(row);
        const QString name = item->data(portNameRole).toString();
        item->setText(shownName(name, listedSimulated.contains(name)));
    }
    if (isEditable() && currentIndex() >= 0)
        lineEdit()->setText(itemText(currentIndex()));
    showChoice();
}

void GUI_PortComboBox::showPopup()
{
    rescan();
    QComboBox::showPopup();
}
