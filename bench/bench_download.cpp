// History download through the simulated unit paced like a 9600-baud line.
// For each record count, a few single-side downloads are timed from the
// request to dataReady; the time the bytes need on the wire (bytes / 960 per
// second) is subtracted, leaving the reader's own overhead: the queue slot of
// the request, the silence that ends the reception, and the parse.
//
//   bench_download [counts...]      default: 200 1000
//   BENCH_RUNS=n                    runs per count (default 3)
#include "reader/app_kelmoradatareader.h"
#include "comm/com_serialport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr double wireBytesPerSecond = 960.0;

struct Sample {
    double totalS = 0;
    double wireS = 0;
    int records = 0;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// Runs one operation of the reader and waits (bounded) for its thread to end.
bool runReader(APP_KelmoraDataReader& reader, const std::function<void()>& request, int boundMs)
{
    QEventLoop loop;
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&reader, &QThread::finished, &loop, &QEventLoop::quit);
    QObject::connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);
    request();
    bound.start(boundMs);
    loop.exec();
    QCoreApplication::processEvents();
    return reader.isFinished();
}

bool downloadOnce(int count, Sample* sample)
{
    QProcess sim;
    sim.start(QStringLiteral(KELMORA_BIN_DIR "/kelmora-unitsim"),
              {QStringLiteral("--records-a"), QString::number(count), QStringLiteral("--exit-with-parent")});
    if (!sim.waitForReadyRead(5000))
        return false;
    const QString device = QString::fromLocal8Bit(sim.readLine()).trimmed();
    COM_SerialPort port;
    APP_KelmoraDataReader reader;
    reader.setPort(&port);
    bool ok = port.openPort(device, 9600, 1);
    bool connected = false;
    QObject::connect(&reader, &APP_KelmoraDataReader::connectionReady,
                     [&connected](bool success) { connected = success; });
    ok = ok && runReader(reader, [&reader] { reader.connectUnit(); }, 60000) && connected;
    int bytes = 0;
    quint8 success = 0;
    QElapsedTimer clock;
    QObject::connect(&reader, &APP_KelmoraDataReader::historyProgress,
                     [&bytes](char, int received, int, int) { bytes = received; });
    QObject::connect(&reader, &APP_KelmoraDataReader::dataReady,
                     [&](KelmoraFillingData*, quint16*, quint8 result) {
                         sample->totalS = clock.nsecsElapsed() / 1e9;
                         success = result;
                     });
    clock.start();
    ok = ok && runReader(reader, [&reader, count] { reader.readHistory('A', count); },
                         count * 1000 + 30000);
    sample->wireS = bytes / wireBytesPerSecond;
    sample->records = sideACount;
    port.closePort();
    reader.wait(5000);
    port.wait(5000);
    sim.terminate();
    sim.waitForFinished(5000);
    resetSideStorage();
    return ok && success == 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QList<int> counts;
    for (int i = 1; i < argc; ++i)
        counts.append(QString::fromLocal8Bit(argv[i]).toInt());
    if (counts.isEmpty())
        counts = {200, 1000};
    const int runs = qMax(1, qEnvironmentVariableIntValue("BENCH_RUNS") ?: 3);
    int failures = 0;
    for (const int count : counts) {
        std::vector<double> totals;
        std::vector<double> wires;
        std::vector<double> overheads;
        int records = 0;
        for (int run = 0; run < runs; ++run) {
            Sample sample;
            if (!downloadOnce(count, &sample)) {
                std::fprintf(stderr, "bench_download: run %d for %d records failed\n", run + 1, count);
                ++failures;
                continue;
            }
            totals.push_back(sample.totalS);
            wires.push_back(sample.wireS);
            overheads.push_back(sample.totalS - sample.wireS);
            records = sample.records;
            std::printf("  N=%d run %d: total %.2f s, wire %.2f s, overhead %.2f s\n", count, run + 1,
                        sample.totalS, sample.wireS, sample.totalS - sample.wireS);
            std::fflush(stdout);
        }
        std::printf("bench_download: N=%d per side (%d records parsed): median total %.2f s, "
                    "wire %.2f s, overhead %.2f s over %zu runs (target <= 1 s)\n",
                    count, records, median(totals), median(wires), median(overheads), totals.size());
        std::fflush(stdout);
    }
    return failures == 0 ? 0 : 1;
}
