// The serial line everywhere but Windows: QSerialPort, used from the port
// thread only.
#include "comm/com_line.h"
#include "comm/com_portnames.h"
#include "comm/com_serialport.h"
#include "comm/com_simlinks.h"

#include <QHash>
#include <QSerialPort>
#include <QSerialPortInfo>

#include <algorithm>

namespace {

class QtSerialLine final : public COM_Line
{
public:
    bool open(const QString& device, quint32 baudRate, quint8 parity) override
    {
        // Everything is set before the open: a pseudo-terminal refuses a
        // parity change on an open line ("Invalid argument").
        port.setPortName(device);
        port.setBaudRate(qint32(baudRate));
        port.setDataBits(QSerialPort::Data8);
        port.setParity(QSerialPort::Parity(COM_SerialPort::parityForCode(parity)));
        port.setStopBits(QSerialPort::OneStop);
        port.setFlowControl(QSerialPort::NoFlowControl);
        if (!port.open(QIODevice::ReadWrite))
            return false;
        // The unit draws nothing from the modem lines. A line without them (a
        // pseudo-terminal, some adapters) answers "unsupported operation",
        // which is no reason to give up the port.
        port.setDataTerminalReady(false);
        port.setRequestToSend(false);
        port.clearError();
        return true;
    }
    void close() override { port.close(); }

    QByteArray readAll(int waitMs) override
    {
        if (port.bytesAvailable() == 0)
            port.waitForReadyRead(waitMs);
        return port.readAll();
    }
    qint64 write(const char* data, qint64 size) override { return port.write(data, size); }
    bool waitForBytesWritten(int ms) override { return port.waitForBytesWritten(ms); }
    qint64 bytesToWrite() override { return port.bytesToWrite(); }
    void clearOutput() override { port.clear(QSerialPort::Output); }

    Error error() const override
    {
        switch (port.error()) {
        case QSerialPort::NoError:
            return Error::None;
        case QSerialPort::ReadError:
            return Error::Read;
        case QSerialPort::ResourceError:
            return Error::Resource;
        case QSerialPort::TimeoutError:
            return Error::Timeout;
        default:
            return Error::Other;
        }
    }
    void clearError() override { port.clearError(); }
    QString errorString() const override { return port.errorString(); }

private:
    QSerialPort port;
};

} // namespace

std::unique_ptr<COM_Line> COM_Line::create()
{
    return std::make_unique<QtSerialLine>();
}

int COM_SerialPort::parityForCode(quint8 code)
{
    if (code == 1)
        return QSerialPort::NoParity;
    if (code == 2)
        return QSerialPort::EvenParity;
    return QSerialPort::OddParity;
}

QStringList COM_PortNames::scanPorts()
{
    // Listing does not open the ports, so one held by another program is
    // listed as well.
    QStringList ports;
    const auto infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : infos) {
        if (!ports.contains(info.portName()))
            ports.append(info.portName());
    }
    std::sort(ports.begin(), ports.end(), naturalLess);

    QStringList units = simlinks::runningUnits();
    std::sort(units.begin(), units.end(), naturalLess);
    for (const QString& unit : units) {
        if (!ports.contains(unit))
            ports.append(unit);
    }
    return ports;
}

QHash<QString, QString> COM_PortNames::portDescriptions()
{
    // The list shows the device names alone here, as it always has.
    return {};
}
