// kelmora-cli report: the visit report as PDF (and its figures as JSON) of a
// download made now, of an archived download, or of a saved file.
#include "clicommand.h"
#include "clicommon.h"
#include "downloadoutput.h"

#include "files/downloadarchive.h"
#include "frame/texttable.h"
#include "reader/app_kelmoradatareader.h"
#include "report/reportjson.h"
#include "report/reportpdf.h"
#include "files/import.h"
#include "report/reportsources.h"

#include <QFile>

namespace {

const QString command = QStringLiteral("report");

// Who made the visit, for the reports a download writes: given with the
// report command, else as remembered from the last report.
struct Visitor {
    QString technician = rememberedTechnician();
    QString site = rememberedSite();
};

Visitor& visitor()
{
    static Visitor given;
    return given;
}

VisitReport downloadedReport(const APP_KelmoraDataReader& reader, bool sideA, bool sideB)
{
    VisitReport report = reportFromStorage(reader.identity(), downloadResults(), sideA, sideB);
    report.technician = visitor().technician;
    report.site = visitor().site;
    return report;
}

bool writeDownloadPdf(const QString& path, const APP_KelmoraDataReader& reader, bool sideA, bool sideB,
                      QString* error)
{
    return writeReportPdf(path, downloadedReport(reader, sideA, sideB), error);
}

bool writeDownloadJson(const QString& path, const APP_KelmoraDataReader& reader, bool sideA,
                       bool sideB, QString* error)
{
    return writeReportJson(path, downloadedReport(reader, sideA, sideB), error);
}

// A download writes the report like any other file: "report --port" is a
// download with these two outputs.
const DownloadOutputRegistration pdfOutput(
    {QStringLiteral("report-pdf"), QStringLiteral("Write the visit report as PDF."), writeDownloadPdf});
const DownloadOutputRegistration jsonOutput(
    {QStringLiteral("report-json"), QStringLiteral("Write the visit report's figures as JSON."),
     writeDownloadJson});

// The options of a download, passed on as they are.
const QStringList downloadValueOptions{QStringLiteral("port"), QStringLiteral("count"),
                                       QStringLiteral("side")};
const QStringList downloadFlags{QStringLiteral("full"), QStringLiteral("no-archive"),
                                QStringLiteral("quiet"), QStringLiteral("verbose")};

void addOptions(QCommandLineParser& parser)
{
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("A saved file (the unit's history lines or a CSV export)."),
                                 QStringLiteral("[FILE]"));
    parser.addOption({QStringLiteral("pdf"), QStringLiteral("The report to write."), QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("json"), QStringLiteral("Also write the report's figures as JSON."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("technician"),
                      QStringLiteral("Technician's name (remembered for the next report)."),
                      QStringLiteral("NAME")});
    parser.addOption({QStringLiteral("site"), QStringLiteral("Site (remembered for the next report)."),
                      QStringLiteral("NAME")});
    parser.addOption({QStringLiteral("lang"), QStringLiteral("Language of the report, 0 to 5 (default 0)."),
                      QStringLiteral("N"), QStringLiteral("0")});
    parser.addOption({QStringLiteral("archived"),
                      QStringLiteral("Report the newest archived download (of --unit).")});
    parser.addOption({QStringLiteral("unit"), QStringLiteral("With --archived: the unit's serial number."),
                      QStringLiteral("SERIAL")});
    addUnitOptions(parser);
    parser.addOption({QStringLiteral("count"), QStringLiteral("With --port: records per side, as download."),
                      QStringLiteral("N")});
    parser.addOption({QStringLiteral("side"), QStringLiteral("With --port: A, B or both."),
                      QStringLiteral("SIDE")});
    parser.addOption({QStringLiteral("full"), QStringLiteral("With --port: read every record, as download.")});
    parser.addOption({QStringLiteral("no-archive"), QStringLiteral("With --port: keep nothing in the archive.")});
}

int writeReport(const VisitReport& report, const QCommandLineParser& parser)
{
    QString error;
    const QString pdf = parser.value(QStringLiteral("pdf"));
    if (!writeReportPdf(pdf, report, &error)) {
        cliErr() << "kelmora-cli report: cannot write " << pdf << ": " << error << "\n";
        return CliUnitFailed;
    }
    const QString json = parser.value(QStringLiteral("json"));
    if (!json.isEmpty() && !writeReportJson(json, report, &error)) {
        cliErr() << "kelmora-cli report: cannot write " << json << ": " << error << "\n";
        return CliUnitFailed;
    }
    return CliDone;
}

int reportFile(const QString& path, const QCommandLineParser& parser)
{
    if (!QFile::exists(path)) {
        cliErr() << "kelmora-cli report: " << path << " does not exist\n";
        return CliUnitFailed;
    }
    const DataImport import = readDataFile(path);
    if (import.result != ImportResult::Delivered || import.sides.empty()) {
        cliErr() << "kelmora-cli report: " << path << " could not be loaded ("
                 << importResultName(import.result) << ")\n";
        return CliUnitFailed;
    }
    VisitReport report = reportFromImport(import, path);
    report.technician = visitor().technician;
    report.site = visitor().site;
    return writeReport(report, parser);
}

int reportArchived(const QCommandLineParser& parser)
{
    QString unit;
    if (parser.isSet(QStringLiteral("unit"))) {
        bool ok = false;
        const qint32 serial = parser.value(QStringLiteral("unit")).toInt(&ok, 10);
        if (!ok && parser.value(QStringLiteral("unit")) != QLatin1String("unknown"))
            return usageError(command, QStringLiteral("--unit takes a serial number or 'unknown'"));
        unit = ok ? unitFolderName(serial) : QStringLiteral("unknown");
    }
    QStringList problems;
    const QList<ArchiveEntry> entries = listArchive(archiveFolder(), unit, &problems);
    for (const QString& problem : problems)
        cliErr() << "kelmora-cli report: archive: " << problem << "\n";
    QList<ArchiveEntry> newest;
    for (const ArchiveEntry& entry : entries) {
        if (newest.isEmpty() || (entry.unit == newest.first().unit && entry.stamp == newest.first().stamp))
            newest.append(entry);
    }
    VisitReport report;
    QString error;
    if (!reportFromArchive(newest, &report, &error)) {
        cliErr() << "kelmora-cli report: " << error << "\n";
        return CliUnitFailed;
    }
    report.technician = visitor().technician;
    report.site = visitor().site;
    return writeReport(report, parser);
}

// Runs the download command with the report as its outputs.
int reportDownload(const QCommandLineParser& parser)
{
    QStringList arguments;
    for (const QString& option : downloadValueOptions) {
        if (parser.isSet(option))
            arguments << QStringLiteral("--") + option << parser.value(option);
    }
    for (const QString& flag : downloadFlags) {
        if (parser.isSet(flag))
            arguments << QStringLiteral("--") + flag;
    }
    arguments << QStringLiteral("--report-pdf") << parser.value(QStringLiteral("pdf"));
    if (parser.isSet(QStringLiteral("json")))
        arguments << QStringLiteral("--report-json") << parser.value(QStringLiteral("json"));
    for (const CliCommand& other : cliCommands()) {
        if (other.name == QLatin1String("download"))
            return other.run(arguments);
    }
    return usageError(command, QStringLiteral("no download command"));
}

int runReport(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes the visit report (A4 PDF, one page per side) of a download from the unit on\n"
        "--port, of the newest archived download (--archived), or of a saved FILE."));
    addOptions(parser);
    const int parsed = parseCommand(parser, command, arguments);
    if (parsed >= 0)
        return parsed;
    if (!parser.isSet(QStringLiteral("pdf")))
        return usageError(command, QStringLiteral("--pdf FILE is needed"));
    const QStringList files = parser.positionalArguments();
    const int sources = int(parser.isSet(QStringLiteral("port"))) + int(parser.isSet(QStringLiteral("archived")))
                        + int(!files.isEmpty());
    if (sources != 1 || files.size() > 1)
        return usageError(command, QStringLiteral("give one of --port, --archived or a FILE"));
    bool ok = false;
    const int language = parser.value(QStringLiteral("lang")).toInt(&ok, 10);
    if (!ok || language < 0 || language >= textTableLanguages)
        return usageError(command, QStringLiteral("--lang must be 0 to 5"));
    setCurrentLanguage(quint8(language));
    if (parser.isSet(QStringLiteral("technician")))
        visitor().technician = parser.value(QStringLiteral("technician"));
    if (parser.isSet(QStringLiteral("site")))
        visitor().site = parser.value(QStringLiteral("site"));
    rememberVisitor(visitor().technician, visitor().site);
    if (parser.isSet(QStringLiteral("port")))
        return reportDownload(parser);
    if (parser.isSet(QStringLiteral("archived")))
        return reportArchived(parser);
    return reportFile(files.first(), parser);
}

const CliRegistration registration(
    {QStringLiteral("report"), QStringLiteral("Write the visit report as PDF (and JSON)"), runReport});

} // namespace
