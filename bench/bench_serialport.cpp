// Round trip of one named query through the port thread and the simulated
// unit (without byte pacing): from queueWrite to the complete reply line in
// the receive ring. Prints the median and the spread over 25 queries, and
// the time the port thread needs to see a pulled cable.
#include "comm/com_serialport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <cstdio>

namespace {

bool startUnit(QProcess& unit, const QStringList& args, QString& device)
{
    unit.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    unit.start(QStringLiteral(KELMORA_BIN_DIR "/kelmora-unitsim"), args + QStringList{"--exit-with-parent"});
    QElapsedTimer clock;
    clock.start();
    while (!unit.canReadLine() && clock.elapsed() < 5000)
        unit.waitForReadyRead(100);
    device = QString::fromLocal8Bit(unit.readLine()).trimmed();
    return !device.isEmpty();
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0.0 : values.at(values.size() / 2);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QProcess unit;
    QString device;
    if (!startUnit(unit, {"--no-pacing"}, device)) {
        std::fputs("bench_serialport: simulated unit did not start\n", stderr);
        return 1;
    }
    COM_SerialPort port;
    if (!port.openPort(device, 9600, 1)) {
        std::fputs("bench_serialport: cannot open the simulated line\n", stderr);
        return 1;
    }
    QList<double> roundTrips;
    for (int i = 0; i < 25; ++i) {
        QThread::msleep(300); // outside the write interval: the block goes out at once
        port.resetRxCount();
        QElapsedTimer clock;
        clock.start();
        port.queueWrite("TXP.C.SNR\r\n");
        while (!port.rxBytes(0, port.rxCount()).endsWith("\r\n") && clock.elapsed() < 2000)
            QThread::usleep(200);
        roundTrips.append(double(clock.nsecsElapsed()) / 1e6);
    }
    std::printf("query round trip: median %.1f ms, min %.1f ms, max %.1f ms (25 queries)\n", median(roundTrips),
                *std::min_element(roundTrips.begin(), roundTrips.end()),
                *std::max_element(roundTrips.begin(), roundTrips.end()));
    port.closePort();
    unit.terminate();
    unit.waitForFinished(3000);

    QList<double> detections;
    for (int i = 0; i < 5; ++i) {
        QProcess cutUnit;
        if (!startUnit(cutUnit, {"--no-pacing", "--cut-after", "100"}, device) || !port.openPort(device, 9600, 1))
            return 1;
        port.queueWrite("GET.A.HIS10\r\n");
        while (port.rxCount() < 100 && port.isOpen())
            QThread::usleep(200);
        QElapsedTimer clock;
        clock.start();
        while (port.isOpen() && clock.elapsed() < 5000)
            QThread::usleep(200);
        detections.append(double(clock.nsecsElapsed()) / 1e6);
        port.closePort();
        cutUnit.waitForFinished(3000);
    }
    std::printf("pulled cable seen after: median %.1f ms (5 runs, from the last byte)\n", median(detections));
    return 0;
}
