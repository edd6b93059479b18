#include "app/gui_portcombobox.h"

#include "comm/com_serialport.h"

#include <QStringListModel>

GUI_PortComboBox::GUI_PortComboBox(QWidget* parent)
    : QComboBox(parent), portModel(new QStringListModel(this)), scan(&COM_SerialPort::scanPorts)
{
    setModel(portModel);
}

void GUI_PortComboBox::setScanner(Scanner scanner)
{
    scan = std::move(scanner);
}

void GUI_PortComboBox::rescan()
{
    const QString chosen = currentText();
    const QStringList ports = scan ? scan() : QStringList();
    if (ports == portModel->stringList())
        return;
    portModel->setStringList(ports);
    const int index = ports.indexOf(chosen);
    setCurrentIndex(index >= 0 ? index : (ports.isEmpty() ? -1 : 0));
}

void GUI_PortComboBox::showPopup()
{
    rescan();
    QComboBox::showPopup();
}
