// The names of the machine's serial ports: which there are, what the system
// calls them, the device path to open for one, and the order the port list
// shows them in. Only names; opening a port is COM_SerialPort's work.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

class COM_PortNames
{
public:
    // Full device path for a port name as the platform wants it.
    static QString devicePath(const QString& name);
    // The same by the rules of either platform, so both can be tested
    // anywhere: Windows puts the device namespace prefix "\\.\" in front
    // once (COM3 and \\.\COM3 name the same device; COM10 and above can
    // only be opened with it), Unix puts "/dev/" in front of a bare name.
    static QString devicePathFor(const QString& name, bool windows);
    // Serial ports of the machine in natural ascending order, busy ones
    // included, then the simulated units that are running. On Windows the
    // ports COM1 to COM255 that exist, busy ones included.
    static QStringList scanPorts();
    // What the system calls a port ("USB Serial Port (COM4)"), by port name,
    // where it has a name for it (Windows); empty elsewhere.
    static QHash<QString, QString> portDescriptions();
    // Order of the port list: text compared character by character, runs of
    // digits compared by their value, so "ttyS2" comes before "ttyS10".
    static bool naturalLess(const QString& a, const QString& b);
};
