// Drawing time of the chart page with a full side of 65535 records, per mode,
// and for comparison the time the neighbour-exchange sorts the drawing order
// was first defined with would take. With --png DIR it also writes one
// picture per mode (300 records) for a look at the layout.
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_chart [--runs N] [--no-bubble] [--png DIR]
#include "reader/app_kelmoradatareader.h"
#include "chart/gui_displaychart.h"
#include "frame/texttable.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

std::vector<KelmoraFillingData> makeHistory(int n)
{
    QRandomGenerator random(20240611);
    KelmoraFillingData blank{};
    std::vector<KelmoraFillingData> records(size_t(n), blank);
    quint32 time = 1700000000u;
    quint16 fillings = 0;
    for (int i = 0; i < n; ++i) {
        KelmoraFillingData& r = records[size_t(i)];
        time += 60u + random.bounded(3600u);
        fillings = quint16(fillings + 1 + random.bounded(3));
        r.number = i + 1;
        r.timestamp = time;
        r.fillings = fillings;
        r.levelCode = quint16(random.bounded(21));
        r.ratePercent = 80.0 + random.bounded(40.0);
        r.linePercent = 60.0 + random.bounded(30.0);
        r.temperature = 5.0 + random.bounded(30.0);
        r.fuelFlow = 20.0 + double(random.bounded(26)); // many ties
        r.integerPercent = quint16(130 + random.bounded(30));
    }
    return records;
}

// The drawing order as first specified: neighbour exchanges only when the
// left key is strictly greater, over the whole array, twice for fuel flow.
void bubbleFuelFlowOrder(const KelmoraFillingData* records, int n, quint16* order)
{
    for (int i = 0; i < n; ++i)
        order[i] = quint16(i);
    for (int pass = 0; pass < n; ++pass)
        for (int j = 0; j + 1 < n - pass; ++j)
            if (records[order[j]].fuelFlow > records[order[j + 1]].fuelFlow)
                std::swap(order[j], order[j + 1]);
    for (int pass = 0; pass < n; ++pass)
        for (int j = 0; j + 1 < n - pass; ++j) {
            const double a = records[order[j]].fuelFlow;
            const double b = records[order[j + 1]].fuelFlow;
            if (std::abs(a - b) <= 1e-12 * std::min(std::abs(a), std::abs(b))
                && records[order[j]].temperature > records[order[j + 1]].temperature)
                std::swap(order[j], order[j + 1]);
        }
}

// CPU time of this thread: the machine the benchmark runs on is often shared,
// and wall time then measures the neighbours as much as the drawing.
double threadCpuMs()
{
#ifdef CLOCK_THREAD_CPUTIME_ID
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
#else
    return 0.0;
#endif
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t m = values.size() / 2;
    return values.size() % 2 ? values[m] : (values[m - 1] + values[m]) / 2;
}

const char* modeName(ChartMode mode)
{
    static const char* names[] = {"index", "fillings", "date", "temperature", "fuelflow"};
    return names[int(mode)];
}

constexpr ChartMode allModes[] = {ModeIndex, ModeFillings, ModeDate, ModeTemperature, ModeFuelFlow};

void writePictures(GUI_DisplayChart& chart, const QString& folder)
{
    // Readable stand-ins for the legend texts, so the layout can be judged.
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("qm7.loc")));
    if (!file.open(QIODevice::WriteOnly))
        return;
    const QList<QPair<int, QString>> names = {
        {50, "Filling history"}, {111, "Rate % (level code 0-10 / 11+)"}, {69, "Line %"},
        {72, "Temperature"}, {49, "Fuel flow"}, {51, "Fuel flow (No)"}, {150, "Integer %"},
        {89, "Chart side A"}};
    for (int n = 0; n < 200; ++n) {
        QString name = QStringLiteral("text %1").arg(n);
        for (const auto& entry : names)
            if (entry.first == n)
                name = entry.second;
        file.write(QStringLiteral("k;%1;%1;%1;%1;%1;%1\n").arg(name).toUtf8());
    }
    file.close();
    loadTextTableFrom(file.fileName());
    chart.retranslate();

    std::vector<KelmoraFillingData> records = makeHistory(300);
    quint16 count = quint16(records.size());
    QDir().mkpath(folder);
    for (ChartMode mode : allModes) {
        chart.drawData(records.data(), &count, chartRangeMin, chartRangeMax,
                       mode == ModeIndex ? OrderAll : OrderForward, true, mode);
        chart.grab().save(folder + QStringLiteral("/chart_") + QLatin1String(modeName(mode))
                          + QStringLiteral(".png"));
    }
    // A picked value in each half of the page, and a zoom drag under way.
    chart.drawData(records.data(), &count, chartRangeMin, chartRangeMax, OrderAll, true, ModeIndex);
    for (int index : {60, 250}) {
        const KelmoraFillingData& r = records[size_t(index)];
        const QPoint point(r.plotX, 60 + r.plotYTemperature);
        QTest::mouseClick(&chart, Qt::LeftButton, Qt::NoModifier, point);
        chart.grab().save(folder + QStringLiteral("/chart_pick%1.png").arg(index));
    }
    QTest::mousePress(&chart, Qt::LeftButton, Qt::NoModifier, QPoint(300, 200));
    QTest::mouseMove(&chart, QPoint(600, 250));
    chart.grab().save(folder + QStringLiteral("/chart_drag.png"));
    QTest::mouseRelease(&chart, Qt::LeftButton, Qt::NoModifier, QPoint(600, 250));
    chart.grab().save(folder + QStringLiteral("/chart_zoomed.png"));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    int runs = 15;
    const int runsAt = int(args.indexOf(QStringLiteral("--runs")));
    if (runsAt > 0 && runsAt + 1 < args.size())
        runs = qMax(1, args.at(runsAt + 1).toInt());
    const int pngAt = int(args.indexOf(QStringLiteral("--png")));

    RecordOrigin origin;
    origin.unit.hardwareVersion = 2.1;
    origin.unit.softwareVersion = QStringLiteral("V1.42 build 2019");
    origin.unit.pvnValue = 3;
    origin.unit.pulseInput = 100;
    origin.unit.serialNumber = 104233;
    origin.unit.countryCode = 49;
    origin.unit.statusSideA = 5;

    GUI_DisplayChart chart;
    chart.setRecordOrigin(origin);
    chart.resize(1280, 720);
    chart.show();
    app.processEvents();

    if (pngAt > 0 && pngAt + 1 < args.size()) {
        writePictures(chart, args.at(pngAt + 1));
        return 0;
    }

    std::vector<KelmoraFillingData> records = makeHistory(65535);
    quint16 count = 65535;
    QTextStream out(stdout);
    out << "65535 records, 1280 x 720 page, " << runs << " drawings per mode\n";
    double fuelFlowMedian = 0.0;
    for (ChartMode mode : allModes) {
        std::vector<double> times;
        std::vector<double> cpuTimes;
        for (int run = 0; run < runs; ++run) {
            QElapsedTimer timer;
            const double cpuStart = threadCpuMs();
            timer.start();
            chart.drawData(records.data(), &count, chartRangeMin, chartRangeMax,
                           mode == ModeIndex ? OrderAll : OrderForward, true, mode);
            times.push_back(timer.nsecsElapsed() / 1e6);
            cpuTimes.push_back(threadCpuMs() - cpuStart);
        }
        const double m = median(times);
        if (mode == ModeFuelFlow)
            fuelFlowMedian = m;
        out << QStringLiteral("%1: median %2 ms wall, %3 ms CPU; wall min %4 ms, max %5 ms\n")
                   .arg(QLatin1String(modeName(mode)), -12)
                   .arg(m, 0, 'f', 1)
                   .arg(median(cpuTimes), 0, 'f', 1)
                   .arg(*std::min_element(times.begin(), times.end()), 0, 'f', 1)
                   .arg(*std::max_element(times.begin(), times.end()), 0, 'f', 1);
        out.flush();
    }
    if (!args.contains(QStringLiteral("--no-bubble"))) {
        std::vector<quint16> order(65535);
        QElapsedTimer timer;
        timer.start();
        bubbleFuelFlowOrder(records.data(), 65535, order.data());
        const double bubble = timer.nsecsElapsed() / 1e6;
        out << QStringLiteral("fuel-flow order by neighbour exchange (once): %1 ms; a drawing "
                              "with it would take about %2 ms\n")
                   .arg(bubble, 0, 'f', 0)
                   .arg(bubble + fuelFlowMedian, 0, 'f', 0);
        // Same order as the drawing used.
        const quint16* drawn = chart.drawingOrder();
        const bool same = chart.drawingOrderCount() == 65535
            && std::equal(order.begin(), order.end(), drawn);
        out << "neighbour-exchange order equals the drawing's order: " << (same ? "yes" : "NO")
            << "\n";
    }
    return 0;
}
