// How long the Visits dialog takes to open on an archive of 200 downloads
// of 20 units (10 each, both sides of 500 records): from the dialog being
// made until its units are listed and the first unit's downloads, with
// their in-band shares, are shown. Also the listings alone, off the dialog.
// Prints the median of the runs, wall-clock time.
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_visits [--runs N] [--records N]
#include "app/gui_visitsdialog.h"
#include "files/archivefolder.h"
#include "files/archivevisits.h"
#include "files/downloadarchive.h"
#include "frame/texttable.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTreeWidget>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

constexpr int units = 20;
constexpr int downloadsPerUnit = 10;
constexpr int dialogBoundMs = 10000;

QByteArray historyLine(char side, int number)
{
    // Rates from 80 to 120 %, so both sides have fillings out of band.
    return QByteArray(1, side) + "=Nr." + QByteArray::number(number) + " 12:10:00 31.12.2013 10 30 "
        + QByteArray::number(80 + number % 41) + " 100 22 99 0.5 34";
}

bool writeArchive(const QString& root, int records)
{
    const QDateTime first(QDate(2025, 1, 1), QTime(8, 0), Qt::UTC);
    for (int unit = 0; unit < units; ++unit) {
        UnitIdentity identity;
        identity.serialNumber = 1000 + unit;
        for (int visit = 0; visit < downloadsPerUnit; ++visit) {
            QList<SideDownload> sides;
            for (char letter : {'A', 'B'}) {
                SideDownload side;
                side.side = letter;
                side.outcome = SideOutcome::Complete;
                side.requested = records;
                for (int i = 0; i < records; ++i)
                    side.historyLines.append(historyLine(letter, records * (visit + 1) - i));
                side.received = records;
                sides.append(side);
            }
            if (!archiveDownload(identity, sides, first.addDays(visit * 30).addSecs(unit * 60), root).ok())
                return false;
        }
    }
    return true;
}

double medianMs(int runs, const std::function<bool()>& run)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (!run())
            return -1;
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Opens the dialog as the Home page's button does and waits until it shows
// the first unit's downloads.
bool openDialog()
{
    GUI_VisitsDialog dialog;
    dialog.refresh();
    dialog.show();
    auto* downloads = dialog.findChild<QTreeWidget*>(QStringLiteral("visitDownloads"));
    QElapsedTimer bound;
    bound.start();
    while (dialog.listingRunning() || downloads->topLevelItemCount() < downloadsPerUnit) {
        if (bound.elapsed() > dialogBoundMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    QApplication::processEvents();  // painted
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    auto option = [&args](const char* name, int fallback) {
        const int at = int(args.indexOf(QLatin1String(name)));
        return at > 0 && at + 1 < args.size() ? qMax(1, args.at(at + 1).toInt()) : fallback;
    };
    const int runs = option("--runs", 7);
    const int records = option("--records", 500);
    QTextStream out(stdout);
    loadTextTableFrom(QStringLiteral(KELMORA_BIN_DIR "/qm7.loc"));
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("archive"));
    if (!dir.isValid() || !writeArchive(root, records)) {
        out << "could not write the archive\n";
        return 1;
    }
    qputenv(archiveFolderVariable, root.toUtf8());
    out << units * downloadsPerUnit << " downloads of " << units << " units, " << records
        << " records per side, " << runs << " runs\n";
    const double unitsMs = medianMs(runs, [&root] { return listArchivedUnits(root).size() == units; });
    const double unitMs = medianMs(runs, [&root] {
        return listUnitDownloads(root, QStringLiteral("1000")).size() == downloadsPerUnit;
    });
    const double allMs = medianMs(runs, [&root] {
        int listed = 0;
        for (const ArchivedUnit& unit : listArchivedUnits(root))
            listed += int(listUnitDownloads(root, unit.unit).size());
        return listed == units * downloadsPerUnit;
    });
    const double dialogMs = medianMs(runs, openDialog);
    out << "units listed:                     " << QString::number(unitsMs, 'f', 1) << " ms\n";
    out << "one unit's downloads with shares: " << QString::number(unitMs, 'f', 1) << " ms\n";
    out << "every unit's downloads:           " << QString::number(allMs, 'f', 1) << " ms\n";
    out << "dialog open to downloads shown:   " << QString::number(dialogMs, 'f', 1)
        << " ms (target <= 500 ms)\n";
    return dialogMs < 0 ? 1 : 0;
}
