// History download through the simulated unit paced like a 9600-baud line.
// For each record count, a few single-side downloads are timed from the
// request to dataReady; the time the bytes need on the wire (bytes / 960 per
// second) is subtracted, leaving the reader's own overhead: the queue slot of
// the request, the silence that ends the reception, and the parse.
//
//   bench_download [counts...]      default: 200 1000
//   BENCH_RUNS=n                    runs per count (default 3)
//
// A unit visited before: the archive holds the unit's first ARCHIVED records
// per side, the unit has NEW more, and both sides are read with COUNT; the
// download that builds on the archive against a full one, on the same unit,
// and their records compared field for field.
//
//   bench_download incremental [ARCHIVED NEW COUNT]   default: 2000 150 2000
//   BENCH_RUNS=n                    incremental runs (default 3); the full one runs once
#include "reader/app_kelmoradatareader.h"
#include "comm/com_serialport.h"

#include "frame/texttable.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
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

// What a download left in both sides.
struct BothSides {
    QVector<KelmoraFillingData> records[2];
    SideDownload sides[2];
    double seconds = 0;
};

QList<QByteArray> dumpLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines;
    for (QByteArray line : file.readAll().split('\n')) {
        while (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            lines.append(line);
    }
    return lines;
}

bool startUnit(QProcess& sim, const QStringList& arguments, QString* device)
{
    sim.start(QStringLiteral(KELMORA_BIN_DIR "/kelmora-unitsim"), arguments + QStringList{QStringLiteral("--exit-with-parent")});
    if (!sim.waitForReadyRead(10000))
        return false;
    *device = QString::fromLocal8Bit(sim.readLine()).trimmed();
    return !device->isEmpty();
}

bool downloadBoth(APP_KelmoraDataReader& reader, int count, const ArchivedHistory& archivedA,
                  const ArchivedHistory& archivedB, BothSides* result)
{
    QElapsedTimer clock;
    const QMetaObject::Connection sides = QObject::connect(
        &reader, &APP_KelmoraDataReader::historyDownloaded, [result](const SideDownload& a, const SideDownload& b) {
            result->sides[0] = a;
            result->sides[1] = b;
        });
    const QMetaObject::Connection done = QObject::connect(
        &reader, &APP_KelmoraDataReader::dataReady,
        [&](KelmoraFillingData*, quint16*, quint8) { result->seconds = clock.nsecsElapsed() / 1e9; });
    clock.start();
    const bool ended = runReader(reader, [&] { reader.readHistoryBoth(count, archivedA, archivedB); },
                                 2 * (count * 200 + 30000));
    QObject::disconnect(sides);
    QObject::disconnect(done);
    result->records[0] = QVector<KelmoraFillingData>(sideARecords, sideARecords + sideACount);
    result->records[1] = QVector<KelmoraFillingData>(sideBRecords, sideBRecords + sideBCount);
    return ended && result->sides[0].outcome == SideOutcome::Complete
           && result->sides[1].outcome == SideOutcome::Complete;
}

// Every field the line carries; the chart's drawing cache is no field.
bool sameRecord(const KelmoraFillingData& a, const KelmoraFillingData& b)
{
    return a.number == b.number && a.integerPercent == b.integerPercent && a.timestamp == b.timestamp
           && a.fillings == b.fillings && a.levelCode == b.levelCode && a.fuelFlow == b.fuelFlow
           && a.auxValue == b.auxValue && a.temperature == b.temperature && a.ratePercent == b.ratePercent
           && a.linePercent == b.linePercent && a.optionalFirst == b.optionalFirst
           && a.optionalSecond == b.optionalSecond && a.limit == b.limit && a.separator == b.separator;
}

int differingRecords(const BothSides& x, const BothSides& y)
{
    int differing = 0;
    for (int side = 0; side < 2; ++side) {
        const qsizetype n = qMax(x.records[side].size(), y.records[side].size());
        for (qsizetype i = 0; i < n; ++i) {
            if (i >= x.records[side].size() || i >= y.records[side].size()
                || !sameRecord(x.records[side].at(i), y.records[side].at(i)))
                ++differing;
        }
    }
    return differing;
}

int benchIncremental(int archived, int fresh, int count, int runs)
{
    QTemporaryDir folder;
    QProcess earlier;
    QString device;
    // The unit as the last visit left it: its whole history, as sent.
    const QString prefix = folder.filePath(QStringLiteral("visit"));
    if (!startUnit(earlier, {QStringLiteral("--records-a"), QString::number(archived), QStringLiteral("--records-b"),
                             QString::number(archived), QStringLiteral("--write-history"), prefix},
                   &device))
        return 1;
    earlier.terminate();
    earlier.waitForFinished(5000);
    ArchivedHistory archive[2];
    for (int side = 0; side < 2; ++side) {
        archive[side].lines = dumpLines(prefix + (side == 0 ? QStringLiteral("-A.txt") : QStringLiteral("-B.txt")));
        archive[side].lines = archive[side].lines.mid(qMax<qsizetype>(0, archive[side].lines.size() - count));
    }

    QProcess sim;
    const QString total = QString::number(archived + fresh);
    if (!startUnit(sim, {QStringLiteral("--records-a"), total, QStringLiteral("--records-b"), total}, &device))
        return 1;
    COM_SerialPort port;
    APP_KelmoraDataReader reader;
    reader.setPort(&port);
    bool connected = false;
    QObject::connect(&reader, &APP_KelmoraDataReader::connectionReady, [&connected](bool ok) { connected = ok; });
    if (!port.openPort(device, 9600, 1) || !runReader(reader, [&reader] { reader.connectUnit(); }, 60000) || !connected)
        return 1;

    std::vector<double> incrementalTimes;
    BothSides incremental;
    int failures = 0;
    for (int run = 0; run < runs; ++run) {
        if (!downloadBoth(reader, count, archive[0], archive[1], &incremental)
            || incremental.sides[0].archiveUse != ArchiveUse::Incremental) {
            ++failures;
            continue;
        }
        incrementalTimes.push_back(incremental.seconds);
        std::printf("  incremental run %d: %.2f s (A: %d new, %d from the archive; B: %d new, %d from the archive)\n",
                    run + 1, incremental.seconds, incremental.sides[0].received - incremental.sides[0].fromArchive,
                    incremental.sides[0].fromArchive, incremental.sides[1].received - incremental.sides[1].fromArchive,
                    incremental.sides[1].fromArchive);
        std::fflush(stdout);
    }
    BothSides full;
    if (!downloadBoth(reader, count, {}, {}, &full))
        ++failures;
    std::printf("  full run: %.2f s (A: %d, B: %d records)\n", full.seconds, full.sides[0].received,
                full.sides[1].received);
    const int differing = differingRecords(incremental, full);
    const double median_ = median(incrementalTimes);
    std::printf("bench_download incremental: %d archived + %d new per side, count %d: incremental median %.2f s "
                "over %zu runs, full %.2f s, %.1fx less time (target >= 10x); %d records differ (target 0)\n",
                archived, fresh, count, median_, incrementalTimes.size(), full.seconds,
                median_ > 0 ? full.seconds / median_ : 0.0, differing);
    port.closePort();
    reader.wait(5000);
    port.wait(5000);
    sim.terminate();
    sim.waitForFinished(5000);
    resetSideStorage();
    return failures == 0 && differing == 0 && incremental.records[0].size() == count ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "incremental") {
        loadTextTableFrom(QStringLiteral(KELMORA_BIN_DIR "/qm7.loc"));  // the log lines the reader writes
        const int archived = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 2000;
        const int fresh = argc > 3 ? QString::fromLocal8Bit(argv[3]).toInt() : 150;
        const int count = argc > 4 ? QString::fromLocal8Bit(argv[4]).toInt() : 2000;
        return benchIncremental(archived, fresh, count, qMax(1, qEnvironmentVariableIntValue("BENCH_RUNS") ?: 3));
    }
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
