#include "com_serialport.h"

// Placeholder until the port thread lands: the port never opens.
COM_SerialPort::COM_SerialPort(QObject* parent) : QThread(parent) {}
COM_SerialPort::~COM_SerialPort() = default;
bool COM_SerialPort::openPort(const QString&, int, quint8) { return false; }
bool COM_SerialPort::closePort() { return true; }
bool COM_SerialPort::isOpen() const { return portOpen.load(); }
QString COM_SerialPort::portName() const { QMutexLocker lock(&stateMutex); return path; }
quint32 COM_SerialPort::baudRate() const { return rate; }
void COM_SerialPort::queueWrite(const QByteArray&) {}
int COM_SerialPort::rxCount() const { QMutexLocker lock(&rxMutex); return rxFill; }
void COM_SerialPort::resetRxCount() { QMutexLocker lock(&rxMutex); rxFill = 0; }
QByteArray COM_SerialPort::rxBytes(int, int) const { return QByteArray(); }
QString COM_SerialPort::devicePath(const QString& name) { return name; }
QStringList COM_SerialPort::scanPorts() { return {}; }
void COM_SerialPort::run() {}
bool COM_SerialPort::writeBlocking(QSerialPort&, const QByteArray&) { return false; }
