// Speed of the file paths with full sides (65535 records each): CSV export,
// CSV import, ODS export, and LibreOffice's own conversion of the same CSV
// to ODS for comparison. Prints the median of several runs.
#include "reader/app_kelmoradatareader.h"
#include "files/csvwriter.h"
#include "model/kelmorafillingdata.h"
#include "files/odsexport.h"
#include "frame/texttable.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <quazip/quazip.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace {

void fillSide(char side)
{
    auto* records = static_cast<KelmoraFillingData*>(std::malloc(maxSideRecords * sizeof(KelmoraFillingData)));
    const quint32 start = quint32(QDateTime(QDate(2013, 1, 1), QTime(6, 0)).toSecsSinceEpoch());
    for (int i = 0; i < maxSideRecords; ++i) {
        KelmoraFillingData& r = records[i];
        std::memset(&r, 0, sizeof r);
        r.number = i + 1;
        r.timestamp = start + quint32(i) * 517;
        r.levelCode = quint16(i % 14);
        r.fillings = quint16(i % 400);
        r.ratePercent = 85.0 + (i % 61) * 0.5;
        r.linePercent = 100.0 - (i % 9) * 0.25;
        r.temperature = 12.5 + (i % 23) * 0.75;
        r.integerPercent = quint16(90 + i % 20);
        r.auxValue = (i % 7) * 0.125;
        r.fuelFlow = 28.0 + (i % 31) * 0.4;
        r.optionalFirst = (i % 5) * 1.5;
        r.optionalSecond = (i % 3) * 2.25;
        r.limit = i % 3 == 0 ? 0 : (i % 3 == 1 ? -1 : 3000);
        r.separator = i % 2 ? '.' : ':';
    }
    installSideRecords(side, records, maxSideRecords);
}

// Runs f n times; returns the median in milliseconds, -1 if a run failed.
double medianMs(int n, const std::function<bool()>& f)
{
    std::vector<double> times;
    for (int i = 0; i < n; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (!f())
            return -1;
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Both stored sides, with the unit the benchmark names.
ExportContent bothSides()
{
    ExportContent content;
    content.unit.serialNumber = 4711;
    content.unit.statusSideA = 6;
    content.unit.statusSideB = 1023;
    content.language = currentLanguage();
    content.sideA = storedSide('A', false);
    content.sideB = storedSide('B', false);
    return content;
}

bool exportCsvFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QTextStream stream(&file);
    const bool ok = writeCsv(stream, bothSides());
    file.close();
    return ok;
}

bool sofficeToOds(const QString& soffice, const QString& csv, const QString& outDir, const QString& profile)
{
    QProcess process;
    process.start(soffice, {QStringLiteral("-env:UserInstallation=file://") + profile, QStringLiteral("--headless"),
                            QStringLiteral("--infilter=CSV:59,34,76,1"), QStringLiteral("--convert-to"),
                            QStringLiteral("ods"), QStringLiteral("--outdir"), outDir, csv});
    if (!process.waitForFinished(600000))
        return false;
    return QFileInfo(outDir + QLatin1Char('/') + QFileInfo(csv).completeBaseName() + QStringLiteral(".ods")).size() > 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    // bench_files [RUNS] [--no-libreoffice] [--ods-only]
    const int runs = argc > 1 ? qMax(1, atoi(argv[1])) : 5;
    const QStringList options = app.arguments().mid(2);
    const bool odsOnly = options.contains(QStringLiteral("--ods-only"));
    if (!loadTextTableFrom(QStringLiteral(KELMORA_SOURCE_DIR "/frame/qm7.loc")))
        std::fprintf(stderr, "text table missing; headings stay empty\n");
    APP_KelmoraDataReader reader;
    fillSide('A');
    fillSide('B');
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("bench.csv"));
    const QString ods = dir.filePath(QStringLiteral("bench.ods"));
    int importedRecords = 0;
    QObject::connect(&reader, &APP_KelmoraDataReader::dataReady,
                     [&](KelmoraFillingData*, quint16* count, quint8 code) {
                         if (code == 1 && count)
                             importedRecords += *count;
                     });

    const double csvExport = medianMs(runs, [&] { return exportCsvFile(csv); });
    std::printf("CSV export, 2 x 65535 records: median %.1f ms (%lld bytes)\n", csvExport,
                QFileInfo(csv).size());
    // The imports (skipped with --ods-only, for profiling the ODS export).
    const auto benchImports = [&] {
    const double csvImport = medianMs(runs, [&] {
        importedRecords = 0;
        reader.importDataFile(csv);
        return importedRecords == 2 * maxSideRecords;
    });
    std::printf("CSV import, 2 x 65535 records: median %.1f ms (target <= 1000)\n", csvImport);
    const QString raw = dir.filePath(QStringLiteral("bench.txt"));
    {
        QFile file(raw);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        for (int i = 0; i < maxSideRecords; ++i)
            file.write("A=Nr." + QByteArray::number(i + 1) + " 12:00:00 31.12.2013 3 12 98.5 100 21.25 97 0.5 "
                       "35.2 1.5 2.5 NOLIM\r\n");
    }
    const double rawImport = medianMs(runs, [&] {
        importedRecords = 0;
        reader.importDataFile(raw);
        return importedRecords == maxSideRecords;
    });
    std::printf("raw dump import, 65535 lines: median %.1f ms\n", rawImport);
    return true;
    };
    if (!odsOnly && !benchImports())
        return 1;
    fillSide('A');
    const double odsExport = medianMs(runs, [&] { return writeOds(ods, bothSides()); });
    std::printf("ODS export, 2 x 65535 records: median %.1f ms (target <= 1500, %lld bytes)\n", odsExport,
                QFileInfo(ods).size());

    QuaZip zip(ods);
    if (zip.open(QuaZip::mdUnzip)) {
        for (const QuaZipFileInfo64& info : zip.getFileInfoList64())
            std::printf("  %-24s %12llu bytes, deflated to %llu\n", qPrintable(info.name),
                        (unsigned long long)info.uncompressedSize, (unsigned long long)info.compressedSize);
        zip.close();
    }
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty() || options.contains(QStringLiteral("--no-libreoffice"))) {
        std::printf("LibreOffice conversion: SKIP (soffice not installed)\n");
        return 0;
    }
    const QString profile = dir.filePath(QStringLiteral("profile"));
    const QString outDir = dir.filePath(QStringLiteral("lo"));
    sofficeToOds(soffice, csv, outDir, profile); // first start builds the profile
    const double libre = medianMs(runs, [&] { return sofficeToOds(soffice, csv, outDir, profile); });
    std::printf("LibreOffice CSV -> ODS of the same data: median %.1f ms; ODS export / LibreOffice = %.3f"
                " (target <= 0.15)\n",
                libre, libre > 0 ? odsExport / libre : 0.0);
    return 0;
}
