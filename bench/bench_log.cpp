// CPU time the window's log spends on a two-sided download of 5000 records
// per side: a title line per side, then one dot per 20 ms poll (about 26000
// per side), shown as the log's timer shows them, each change painted.
// With --old N it replays N dots per side the way the log first appended
// them (one insertion into a single growing paragraph per dot), for
// comparison; that way grows with the square of the count.
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_log [--runs N] [--dots N] [--old N]
#include "app/gui_logview.h"
#include "frame/stylesheets.h"

#include <QApplication>
#include <QTextStream>

#include <algorithm>
#include <ctime>
#include <vector>

namespace {

constexpr int pollMs = 20;

double processCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t m = values.size() / 2;
    return values.size() % 2 ? values[m] : (values[m - 1] + values[m]) / 2;
}

void styleLike(QTextEdit& view)
{
    view.setFocusPolicy(Qt::NoFocus);
    view.setStyleSheet(textEditStyle);
    view.resize(290, 140);
    view.show();
}

double replayDownload(int dots)
{
    GUI_LogView log;
    styleLike(log);
    QApplication::processEvents();
    const int pollsPerShow = GUI_LogView::appendDelayMs / pollMs;
    const double start = processCpuSeconds();
    for (char side : {'A', 'B'}) {
        log.addLine(QStringLiteral("Reading history ") + QLatin1Char(side) + QStringLiteral(":\r\n"));
        log.appendToLine(QStringLiteral(" "));
        for (int poll = 1; poll <= dots; ++poll) {
            log.appendToLine(QStringLiteral("."));
            if (poll % pollsPerShow == 0) {
                log.flushPending(); // what the timer does
                QApplication::processEvents();
            }
        }
        log.flushPending();
        QApplication::processEvents();
    }
    return processCpuSeconds() - start;
}

double replayOldWay(int dots)
{
    QTextEdit log;
    styleLike(log);
    QApplication::processEvents();
    const double start = processCpuSeconds();
    for (char side : {'A', 'B'}) {
        log.append(QStringLiteral("Reading history ") + QLatin1Char(side) + QLatin1Char(':'));
        for (int poll = 0; poll <= dots; ++poll) {
            log.moveCursor(QTextCursor::End);
            log.insertPlainText(poll ? QStringLiteral(".") : QStringLiteral(" "));
            log.moveCursor(QTextCursor::End);
            if (poll % 5 == 0)
                QApplication::processEvents(); // paints about as often as the screen would
        }
    }
    return processCpuSeconds() - start;
}

int argument(const QStringList& args, const QString& name, int fallback)
{
    const int at = int(args.indexOf(name));
    return at > 0 && at + 1 < args.size() ? qMax(1, args.at(at + 1).toInt()) : fallback;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int runs = argument(args, QStringLiteral("--runs"), 5);
    const int dots = argument(args, QStringLiteral("--dots"), 26000);
    const int oldDots = argument(args, QStringLiteral("--old"), 0);
    QTextStream out(stdout);
    std::vector<double> times;
    for (int run = 0; run < runs; ++run)
        times.push_back(replayDownload(dots));
    out << QStringLiteral("log during a download, 2 x %1 dots: median %2 s CPU (min %3, max %4, %5 runs)\n")
               .arg(dots)
               .arg(median(times), 0, 'f', 3)
               .arg(*std::min_element(times.begin(), times.end()), 0, 'f', 3)
               .arg(*std::max_element(times.begin(), times.end()), 0, 'f', 3)
               .arg(runs);
    if (oldDots > 0) {
        out.flush();
        out << QStringLiteral("  one growing paragraph, 2 x %1 dots: %2 s CPU\n")
                   .arg(oldDots)
                   .arg(replayOldWay(oldDots), 0, 'f', 3);
    }
    return 0;
}
