// Time and size of the visit report of two sides of 5000 records each: the
// PDF written whole (figures, tables, both date charts as vectors), into
// memory so the disk does not count. Targets: at most 1 s, under 1 MB.
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_report [--runs N] [--pdf FILE]
#include "frame/texttable.h"
#include "report/reportpdf.h"

#include <QBuffer>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {

ReportSide makeSide(char side, int n, quint32 seed)
{
    QRandomGenerator random(seed);
    ReportSide reportSide;
    reportSide.side = side;
    reportSide.records.resize(n);
    quint32 time = 1700000000u;
    for (int i = 0; i < n; ++i) {
        KelmoraFillingData& r = reportSide.records[i];
        r = KelmoraFillingData{};
        time += 60u + random.bounded(3600u);
        r.number = 1000 + i;
        r.timestamp = time;
        r.fillings = quint16(i);
        r.levelCode = quint16(random.bounded(21));
        r.ratePercent = 75.0 + random.bounded(50.0);
        r.linePercent = 60.0 + random.bounded(30.0);
        r.temperature = 5.0 + random.bounded(30.0);
        r.fuelFlow = 20.0 + random.bounded(26.0);
        r.integerPercent = quint16(130 + random.bounded(30));
    }
    reportSide.origin.unit.serialNumber = 12345;
    reportSide.download.side = side;
    reportSide.download.outcome = SideOutcome::Complete;
    reportSide.download.requested = n;
    reportSide.download.received = n;
    return reportSide;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t m = values.size() / 2;
    return values.size() % 2 ? values[m] : (values[m - 1] + values[m]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    int runs = 7;
    const int runsAt = int(args.indexOf(QStringLiteral("--runs")));
    if (runsAt > 0 && runsAt + 1 < args.size())
        runs = qMax(1, args.at(runsAt + 1).toInt());
    const int pdfAt = int(args.indexOf(QStringLiteral("--pdf")));
    loadTextTableFrom(QStringLiteral(KELMORA_SOURCE_DIR "/frame/qm7.loc"));

    VisitReport report;
    report.unit.serialNumber = 12345;
    report.unit.softwareVersion = QStringLiteral("1.35");
    report.downloadTime = QDateTime::currentDateTime();
    report.sides = {makeSide('A', 5000, 1), makeSide('B', 5000, 2)};

    QTextStream out(stdout);
    std::vector<double> times;
    qint64 size = 0;
    QByteArray last;
    for (int run = 0; run < runs; ++run) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QElapsedTimer timer;
        timer.start();
        if (!paintReportPdf(buffer, report)) {
            out << "the report could not be painted\n";
            return 1;
        }
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        size = buffer.size();
        last = buffer.data();
    }
    if (pdfAt > 0 && pdfAt + 1 < args.size()) {
        QFile file(args.at(pdfAt + 1));
        if (file.open(QIODevice::WriteOnly))
            file.write(last);
    }
    const auto [low, high] = std::minmax_element(times.begin(), times.end());
    out << QStringLiteral("visit report, 2 x 5000 records: median %1 ms (min %2, max %3, %4 runs), "
                          "PDF %5 KB\n")
               .arg(median(times), 0, 'f', 1)
               .arg(*low, 0, 'f', 1)
               .arg(*high, 0, 'f', 1)
               .arg(runs)
               .arg(double(size) / 1024.0, 0, 'f', 1);
    return 0;
}
