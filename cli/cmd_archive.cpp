// kelmora-cli archive: the archived downloads, newest first, as a table or
// as JSON.
#include "clicommand.h"
#include "clicommon.h"

#include "files/downloadarchive.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString command = QStringLiteral("archive");

QJsonObject entryJson(const ArchiveEntry& entry)
{
    QJsonObject object;
    object.insert(QStringLiteral("unit"), entry.unit);
    object.insert(QStringLiteral("time"), entry.isoTime());
    object.insert(QStringLiteral("side"), QString(QLatin1Char(entry.side)));
    object.insert(QStringLiteral("records"), entry.records);
    object.insert(QStringLiteral("requested"), entry.requested);
    object.insert(QStringLiteral("outcome"), outcomeName(entry));
    object.insert(QStringLiteral("path"), entry.path);
    object.insert(QStringLiteral("csv"), entry.csvPath);
    return object;
}

void printTable(const QList<ArchiveEntry>& entries)
{
    QTextStream& out = cliOut();
    out << QStringLiteral("UNIT").leftJustified(10) << QStringLiteral("TIME").leftJustified(21)
        << "SIDE  " << QStringLiteral("RECORDS").leftJustified(9)
        << QStringLiteral("OUTCOME").leftJustified(13) << "PATH\n";
    for (const ArchiveEntry& entry : entries) {
        out << entry.unit.leftJustified(9) << ' ' << entry.isoTime().leftJustified(20) << ' '
            << entry.side << "     " << QString::number(entry.records).leftJustified(8) << ' '
            << outcomeName(entry).leftJustified(12) << ' ' << entry.path << "\n";
    }
}

int runArchive(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Lists the downloads kept in the archive, newest first: unit, time, side,\n"
        "records, how the side ended and its raw dump. The archive is %1,\n"
        "moved by the environment variable %2.")
                                         .arg(archiveFolder(), QLatin1String(archiveFolderVariable)));
    parser.addOption({QStringLiteral("unit"), QStringLiteral("Only the unit with this serial number."),
                      QStringLiteral("SERIAL")});
    parser.addOption({QStringLiteral("json"), QStringLiteral("Print a JSON array instead of a table.")});
    const int parsed = parseCommand(parser, command, arguments);
    if (parsed >= 0)
        return parsed;
    QString unit;
    const int unitRead = readUnitArgument(parser, command, &unit);
    if (unitRead >= 0)
        return unitRead;
    QStringList problems;
    const QList<ArchiveEntry> entries = listArchive(archiveFolder(), unit, &problems);
    // What was left out is said, but does not fail the listing.
    for (const QString& problem : problems)
        cliErr() << "kelmora-cli archive: " << problem << "\n";
    cliErr().flush();
    if (parser.isSet(QStringLiteral("json"))) {
        QJsonArray array;
        for (const ArchiveEntry& entry : entries)
            array.append(entryJson(entry));
        cliOut() << QString::fromUtf8(QJsonDocument(array).toJson());
    } else {
        printTable(entries);
    }
    cliOut().flush();
    return CliDone;
}

const CliRegistration registration(
    {QStringLiteral("archive"), QStringLiteral("List the archived downloads, newest first"), runArchive});

} // namespace
