// Listing a full side (65535 records, 13 cells each) in the table page.
#include "reader/app_kelmoradatareader.h"
#include "table/gui_datatable.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

KelmoraFillingData* makeSide(int count)
{
    auto* records = static_cast<KelmoraFillingData*>(std::calloc(size_t(count), sizeof(KelmoraFillingData)));
    for (int i = 0; i < count; ++i) {
        KelmoraFillingData& r = records[i];
        r.number = i + 1;
        r.timestamp = quint32(1700000000 + 60 * i);
        r.levelCode = quint16(i % 20);
        r.fillings = quint16(i);
        r.ratePercent = 80.0 + (i % 400) * 0.1;
        r.linePercent = 90.0 + (i % 70) * 0.3;
        r.temperature = 15.0 + (i % 300) * 0.05;
        r.integerPercent = quint16(90 + i % 20);
        r.auxValue = (i % 1000) * 0.01;
        r.fuelFlow = 20.0 + (i % 130) * 0.2;
        r.optionalFirst = i * 0.5;
        r.optionalSecond = i * 0.25;
        r.limit = (i % 3 == 0) ? 0 : (i % 3 == 1 ? -1 : 5000);
        r.separator = '.';
    }
    return records;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    qSetMessagePattern(QStringLiteral("%{if-warning}%{message}%{endif}"));
    APP_KelmoraDataReader reader;
    const int count = 65535;
    const int runs = 5;
    installSideRecords('A', makeSide(count), quint16(count));

    GUI_DataTable page;
    page.resize(1000, 700);
    page.show();
    std::vector<double> seconds;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        page.listData(sideARecords, &sideACount);
        QCoreApplication::processEvents();
        seconds.push_back(double(clock.nsecsElapsed()) / 1e9);
        if (run == 1 && !qEnvironmentVariableIsSet("NOSORT"))
            page.table()->sortByColumn(6, Qt::DescendingOrder); // later runs re-list a sorted table
    }
    std::vector<double> sorted = seconds;
    std::sort(sorted.begin(), sorted.end());
    QTextStream out(stdout);
    out << "listData " << count << " records:";
    for (double s : seconds)
        out << ' ' << QString::number(s, 'f', 3);
    out << " s; median " << QString::number(sorted[sorted.size() / 2], 'f', 3) << " s (target <= 1.5 s)\n";
    resetSideStorage();
    return 0;
}
