// Time to turn 5000 history lines (the most a user asks for per side) into
// records. Prints the median of several runs in milliseconds.
#include "model/historyparser.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

QByteArray historyLines(int count)
{
    QByteArray bytes = "GET.A.HIS5000\r\n";
    for (int i = 0; i < count; ++i) {
        const int day = 1 + i % 28;
        bytes += "A=Nr." + QByteArray::number(i + 1) + " 12:" + QByteArray::number(10 + i % 50)
                 + ":07 " + (day < 10 ? "0" : "") + QByteArray::number(day)
                 + ".03.2024 " + QByteArray::number(i % 20) + " " + QByteArray::number(i % 400)
                 + " 98.7 101.2 17.5 95 3.25 38.4";
        if (i % 3 == 0)
            bytes += " 1.5 2.5 NOLIM";
        bytes += "\r\n";
    }
    return bytes;
}

} // namespace

int main(int argc, char** argv)
{
    const int lines = argc > 1 ? std::atoi(argv[1]) : 5000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 9;
    const QByteArray bytes = historyLines(lines);
    std::vector<KelmoraFillingData> records(size_t(countLineEnds(bytes)));
    std::vector<double> times;
    int produced = 0;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        bool formatNo = false;
        bool decided = false;
        produced = parseHistoryLines(bytes, records.data(), int(records.size()), &formatNo, &decided);
        times.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    std::printf("bench_historyparse: %d lines (%lld bytes), %d records, median %.2f ms over %d runs"
                " (min %.2f, max %.2f)\n",
                lines, static_cast<long long>(bytes.size()), produced, times[times.size() / 2], runs,
                times.front(), times.back());
    return produced == lines ? 0 : 1;
}
