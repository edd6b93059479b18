// kelmora-cli visits: the units of the archive with their last visit and
// number of downloads, or one unit's downloads newest first with what each
// side held and its share of fillings within 85-115 %; a table or JSON.
#include "clicommand.h"
#include "clicommon.h"

#include "files/archivefolder.h"
#include "files/archivevisits.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString command = QStringLiteral("visits");

// A share as a percentage with one decimal, "-" when there is none.
QString percentText(double share)
{
    return share < 0 ? QStringLiteral("-") : QString::number(share * 100.0, 'f', 1) + QStringLiteral(" %");
}

QJsonObject unitJson(const ArchivedUnit& unit)
{
    return QJsonObject{{QStringLiteral("unit"), unit.unit},
                       {QStringLiteral("lastVisit"), unit.lastVisitIso},
                       {QStringLiteral("downloads"), unit.downloads}};
}

QJsonObject downloadJson(const ArchivedDownload& download)
{
    QJsonArray sides;
    for (const VisitSide& side : download.sides) {
        if (!side.asked)
            continue;
        sides.append(QJsonObject{
            {QStringLiteral("side"), QString(QLatin1Char(side.side))},
            {QStringLiteral("records"), side.records},
            {QStringLiteral("outcome"), visitOutcomeName(side)},
            // null: no filling could be read, so there is no share to give
            {QStringLiteral("inBandShare"), side.inBandShare < 0 ? QJsonValue() : QJsonValue(side.inBandShare)},
            {QStringLiteral("dump"), side.dumpPath}});
    }
    return QJsonObject{{QStringLiteral("time"), download.isoTime},
                       {QStringLiteral("csv"), download.csvPath},
                       {QStringLiteral("sides"), sides}};
}

void printUnits(const QList<ArchivedUnit>& units)
{
    QTextStream& out = cliOut();
    out << QStringLiteral("UNIT").leftJustified(10) << QStringLiteral("LAST VISIT").leftJustified(22)
        << "DOWNLOADS\n";
    for (const ArchivedUnit& unit : units)
        out << unit.unit.leftJustified(9) << ' ' << unit.lastVisitIso.leftJustified(21) << ' '
            << unit.downloads << "\n";
}

QString sideColumns(const VisitSide& side)
{
    if (!side.asked)
        return QStringLiteral("-").leftJustified(32);
    return QString::number(side.records).leftJustified(8) + visitOutcomeName(side).leftJustified(13)
        + percentText(side.inBandShare).leftJustified(11);
}

void printDownloads(const QList<ArchivedDownload>& downloads)
{
    QTextStream& out = cliOut();
    const QString sideHeader = QStringLiteral("RECORDS OUTCOME      IN 85-115%");
    out << QStringLiteral("TIME").leftJustified(22) << QStringLiteral("A ") << sideHeader << "  "
        << QStringLiteral("B ") << sideHeader << "\n";
    for (const ArchivedDownload& download : downloads)
        out << download.isoTime.leftJustified(21) << "   " << sideColumns(download.side('A')) << "   "
            << sideColumns(download.side('B')).trimmed() << "\n";
}

int runVisits(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Lists the units of the archive with their last visit and number of downloads;\n"
        "with --unit, that unit's downloads newest first with per side the records,\n"
        "how the side ended and the share of fillings within 85-115 %. Times ending\n"
        "in Z are UTC. The archive is %1, moved by the environment variable %2.")
                                         .arg(archiveFolder(), QLatin1String(archiveFolderVariable)));
    parser.addOption({QStringLiteral("unit"), QStringLiteral("The downloads of the unit with this serial number."),
                      QStringLiteral("SERIAL")});
    parser.addOption({QStringLiteral("json"), QStringLiteral("Print JSON instead of a table.")});
    const int parsed = parseCommand(parser, command, arguments);
    if (parsed >= 0)
        return parsed;
    QString unit;
    const int unitRead = readUnitArgument(parser, command, &unit);
    if (unitRead >= 0)
        return unitRead;
    QStringList problems;
    const QString root = archiveFolder();
    const QList<ArchivedUnit> units = unit.isEmpty() ? listArchivedUnits(root, &problems) : QList<ArchivedUnit>();
    const QList<ArchivedDownload> downloads = listUnitDownloads(root, unit, &problems);
    // Files left out are said, and the listing goes on without them.
    for (const QString& problem : problems)
        cliErr() << "kelmora-cli visits: " << problem << "\n";
    cliErr().flush();
    if (parser.isSet(QStringLiteral("json"))) {
        QJsonObject document{{QStringLiteral("archive"), root},
                             {QStringLiteral("problems"), QJsonArray::fromStringList(problems)}};
        if (unit.isEmpty()) {
            QJsonArray array;
            for (const ArchivedUnit& each : units)
                array.append(unitJson(each));
            document.insert(QStringLiteral("units"), array);
        } else {
            QJsonArray array;
            for (const ArchivedDownload& download : downloads)
                array.append(downloadJson(download));
            document.insert(QStringLiteral("unit"), unit);
            document.insert(QStringLiteral("downloads"), array);
        }
        cliOut() << QString::fromUtf8(QJsonDocument(document).toJson());
    } else if (unit.isEmpty()) {
        printUnits(units);
    } else {
        printDownloads(downloads);
    }
    cliOut().flush();
    return CliDone;
}

const CliRegistration registration(
    {command, QStringLiteral("List the units' visits, or one unit's downloads with their in-band share"),
     runVisits});

} // namespace
