// kelmora-cli download: identifies the unit, downloads the history of one
// side or of both and writes it to the files asked for.
#include "clicommand.h"
#include "clicommon.h"
#include "clisession.h"
#include "downloadoutput.h"

#include "reader/app_kelmoradatareader.h"
#include "files/archivefolder.h"
#include "files/sidedownloadjson.h"
#include "session/downloadsession.h"
#include "frame/texttable.h"
#include "reader/sidedownloadtext.h"

#include <QJsonArray>

#include <QDir>
#include <QPair>

QList<DownloadOutput>& downloadOutputs()
{
    static QList<DownloadOutput> outputs;
    return outputs;
}

SideDownload (&downloadResults())[2]
{
    static SideDownload results[2];  // filled from the session before the outputs run
    return results;
}

void addDownloadResults(QJsonObject* document)
{
    QJsonObject outcome;
    QJsonObject counts;
    QJsonObject method;
    QJsonObject findings;
    for (const SideDownload& side : downloadResults()) {
        if (side.outcome == SideOutcome::NotRequested)
            continue;
        const QString key(QLatin1Char(side.side));
        outcome[key] = sideOutcomeName(side.outcome);
        counts[key] = QJsonObject{{QStringLiteral("requested"), side.requested},
                                  {QStringLiteral("received"), side.received},
                                  {QStringLiteral("fromLine"), side.received - side.fromArchive},
                                  {QStringLiteral("fromArchive"), side.fromArchive}};
        method[key] = sideMethodName(side);
        findings[key] = sideFindings(side);
    }
    (*document)[QStringLiteral("outcome")] = outcome;
    (*document)[QStringLiteral("counts")] = counts;
    (*document)[QStringLiteral("method")] = method;
    (*document)[QStringLiteral("findings")] = findings;
}

namespace {

const QString command = QStringLiteral("download");

constexpr int defaultRecordCount = 200;
constexpr int maxRecordCount = 5000;

struct DownloadRequest {
    int count = defaultRecordCount;
    bool sideA = true;
    bool sideB = true;
    bool full = false;  // ask for the whole count even where the archive could serve
    QList<QPair<const DownloadOutput*, QString>> files;
};

// Reads --count, --side and the output options. Returns -1 to go on, else
// the usage exit code.
int readRequest(const QCommandLineParser& parser, DownloadRequest* request)
{
    if (!parser.positionalArguments().isEmpty())
        return usageError(command, QStringLiteral("unexpected argument"));
    if (parser.isSet(QStringLiteral("count"))) {
        bool ok = false;
        request->count = parser.value(QStringLiteral("count")).toInt(&ok, 10);
        if (!ok || request->count < 1 || request->count > maxRecordCount)
            return usageError(command, QStringLiteral("--count must be 1 to %1").arg(maxRecordCount));
    }
    const QString side = parser.value(QStringLiteral("side")).toLower();
    if (side == QLatin1String("a"))
        request->sideB = false;
    else if (side == QLatin1String("b"))
        request->sideA = false;
    else if (side != QLatin1String("both"))
        return usageError(command, QStringLiteral("--side must be A, B or both"));
    for (const DownloadOutput& output : downloadOutputs()) {
        if (parser.isSet(output.option))
            request->files.append({&output, parser.value(output.option)});
    }
    if (request->files.isEmpty())
        return usageError(command, QStringLiteral("no output file given"));
    request->full = parser.isSet(QStringLiteral("full"));
    if (parser.isSet(QStringLiteral("lang"))) {
        bool ok = false;
        const int language = parser.value(QStringLiteral("lang")).toInt(&ok, 10);
        if (!ok || language < 0 || language >= textTableLanguages)
            return usageError(command, QStringLiteral("--lang must be 0 to 5"));
        setCurrentLanguage(quint8(language));
    }
    return -1;
}

// True when every side asked for was read completely; names each side that
// was not, with its counts and how it ended.
bool sidesComplete(const CliSession& session, const DownloadSessionResult& result,
                   const DownloadRequest& request)
{
    bool complete = true;
    const bool asked[2] = {request.sideA, request.sideB};
    for (int i = 0; i < 2; ++i) {
        if (!asked[i])
            continue;
        const SideDownload& side = result.sides[i];
        const QStringList notes = sideNotes(side);
        const QString noted = notes.isEmpty() ? QString() : QStringLiteral("; ") + notes.join(QStringLiteral("; "));
        if (side.outcome != SideOutcome::Complete) {
            cliErr() << "kelmora-cli download: side " << char('A' + i) << ": " << sideCountText(side)
                     << ", " << sideEndingText(side) << noted << "\n";
            complete = false;
        } else if (!session.quietProgress() || !notes.isEmpty()) {
            cliErr() << "side " << char('A' + i) << ": " << session.sideBytes[i] << " bytes, "
                     << side.received << " records" << noted << "\n";
        }
    }
    cliErr().flush();
    return complete;
}

// A failed archive is said but changes nothing else: the files asked for
// are still written.
void reportArchive(const DownloadSessionResult& result, bool quiet)
{
    const ArchiveWrite& archived = result.archived;
    if (!result.archiveTried)
        return;
    if (!archived.ok())
        cliErr() << "kelmora-cli download: the download could not be archived: " << archived.error << "\n";
    else if (!quiet && !archived.files.isEmpty())
        cliErr() << "archived as " << QDir(archived.folder).filePath(archived.stamp) << "\n";
    cliErr().flush();
}

// Why a side the archive could have served was read whole after all.
void explainFullDownloads(const DownloadSessionResult& result)
{
    for (const SideDownload& side : result.sides) {
        if (side.outcome == SideOutcome::NotRequested || side.archiveUse == ArchiveUse::NotOffered
            || side.archiveUse == ArchiveUse::Incremental)
            continue;
        cliErr() << "kelmora-cli download: side " << side.side << " read whole: "
                 << archiveUseName(side.archiveUse).mid(6) << "\n";
    }
    cliErr().flush();
}

bool writeFiles(const APP_KelmoraDataReader& reader, const DownloadRequest& request)
{
    bool written = true;
    for (const auto& file : request.files) {
        QString error;
        if (!file.first->write(file.second, reader, request.sideA, request.sideB, &error)) {
            cliErr() << "kelmora-cli download: cannot write " << file.second << ": " << error << "\n";
            written = false;
        }
    }
    cliErr().flush();
    return written;
}

int runDownload(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Identifies the unit on --port, downloads the history of side A, B or both and\n"
        "writes it, with the unit values, to every output file given."));
    addUnitOptions(parser);
    parser.addOption({QStringLiteral("count"),
                      QStringLiteral("Records to ask for per side, 1 to %1 (default %2).")
                          .arg(maxRecordCount).arg(defaultRecordCount),
                      QStringLiteral("N")});
    parser.addOption({QStringLiteral("side"), QStringLiteral("A, B or both (default both)."),
                      QStringLiteral("SIDE"), QStringLiteral("both")});
    for (const DownloadOutput& output : downloadOutputs())
        parser.addOption({output.option, output.description, QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("lang"),
                      QStringLiteral("Language of the texts in CSV and ODS files, 0 to 5 (default 0)."),
                      QStringLiteral("N"), QStringLiteral("0")});
    parser.addOption({QStringLiteral("full"),
                      QStringLiteral("Ask the unit for every record, even those already archived.")});
    parser.addOption({QStringLiteral("no-archive"),
                      QStringLiteral("Do not keep the download in the archive (%1).").arg(archiveFolder())});
    const int parsed = parseCommand(parser, command, arguments);
    if (parsed >= 0)
        return parsed;
    DownloadRequest request;
    const int checked = readRequest(parser, &request);
    if (checked >= 0)
        return checked;

    CliSession session(parser.isSet(QStringLiteral("quiet")), parser.isSet(QStringLiteral("verbose")));
    const int identified = openAndIdentify(parser, command, session);
    if (identified >= 0)
        return identified;
    DownloadPlan plan;
    plan.count = request.count;
    plan.sideA = request.sideA;
    plan.sideB = request.sideB;
    plan.full = request.full;
    plan.keepInArchive = !parser.isSet(QStringLiteral("no-archive"));
    plan.archiveRoot = archiveFolder();
    DownloadSessionResult result;
    const bool ended = session.runDownload(plan, downloadBoundMs(plan.count, plan.sideA && plan.sideB ? 2 : 1),
                                           &result);
    explainFullDownloads(result);
    reportArchive(result, session.quietProgress());
    if (!ended || session.dataReadyCount == 0) {
        cliErr() << "kelmora-cli download: the download did not end in time\n";
        cliErr().flush();
        return CliUnitFailed;
    }
    // What arrived is written even when a side was cut or got no answer: the
    // records that came are the technician's, and the exit code tells.
    const bool complete = sidesComplete(session, result, request);
    downloadResults()[0] = result.sides[0];
    downloadResults()[1] = result.sides[1];
    const bool written = writeFiles(session.reader(), request);
    return complete && written ? CliDone : CliUnitFailed;
}

const CliRegistration registration(
    {QStringLiteral("download"), QStringLiteral("Download the history, write JSON, CSV or ODS"), runDownload});

} // namespace
