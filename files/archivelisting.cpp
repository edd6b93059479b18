// Finding archived downloads again and reading one side back.
#include "files/downloadarchive.h"

#include "reader/historyparser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>

namespace {

const QRegularExpression noteName(QStringLiteral("^(\\d{8}-\\d{6})\\.json$"));
const QRegularExpression dumpName(QStringLiteral("^(\\d{8}-\\d{6})-([AB])\\.txt$"));

bool outcomeFromName(const QString& name, SideOutcome* outcome)
{
    if (name == QLatin1String("complete"))
        *outcome = SideOutcome::Complete;
    else if (name == QLatin1String("interrupted"))
        *outcome = SideOutcome::Interrupted;
    else if (name == QLatin1String("no-answer"))
        *outcome = SideOutcome::NoAnswer;
    else
        return false;
    return true;
}

QString existingFile(const QDir& folder, const QString& name)
{
    const QString path = folder.filePath(name);
    return !name.isEmpty() && QFileInfo(path).isFile() ? path : QString();
}

// The lines of a raw dump that start a history record, without line ends.
QList<QByteArray> historyLinesOf(const QByteArray& bytes)
{
    QList<QByteArray> lines;
    for (QByteArray line : bytes.split('\n')) {
        while (line.endsWith('\r'))
            line.chop(1);
        if (isHistoryLine(line.constData(), int(line.size())))
            lines.append(line);
    }
    return lines;
}

int recordsInDump(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return int(historyLinesOf(file.readAll()).size());
}

// The sides a download's note tells of; a note that cannot be read tells
// nothing, and its dumps are then listed like dumps placed by hand.
void addNotedSides(const QDir& folder, const QString& unit, const QString& stamp,
                   QList<ArchiveEntry>* entries)
{
    QFile file(folder.filePath(stamp + QStringLiteral(".json")));
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QJsonArray sides = QJsonDocument::fromJson(file.readAll()).object()
                                 .value(QStringLiteral("sides")).toArray();
    const QString csv = existingFile(folder, stamp + QStringLiteral(".csv"));
    for (const QJsonValue& value : sides) {
        const QJsonObject note = value.toObject();
        const QString side = note.value(QStringLiteral("side")).toString();
        if (side != QLatin1String("A") && side != QLatin1String("B"))
            continue;
        ArchiveEntry entry;
        entry.unit = unit;
        entry.stamp = stamp;
        entry.side = side.at(0).toLatin1();
        entry.records = note.value(QStringLiteral("received")).toInt();
        entry.requested = note.value(QStringLiteral("requested")).toInt();
        entry.outcomeKnown = outcomeFromName(note.value(QStringLiteral("outcome")).toString(), &entry.outcome);
        entry.path = existingFile(folder, note.value(QStringLiteral("file")).toString());
        entry.csvPath = csv;
        entries->append(entry);
    }
}

void listUnit(const QDir& folder, const QString& unit, QList<ArchiveEntry>* entries)
{
    QHash<QString, bool> noted;  // stamp + side
    const QStringList names = folder.entryList(QDir::Files, QDir::Name);
    for (const QString& name : names) {
        const QRegularExpressionMatch match = noteName.match(name);
        if (!match.hasMatch())
            continue;
        const qsizetype before = entries->size();
        addNotedSides(folder, unit, match.captured(1), entries);
        for (qsizetype i = before; i < entries->size(); ++i)
            noted.insert(entries->at(i).stamp + QLatin1Char(entries->at(i).side), true);
    }
    for (const QString& name : names) {
        const QRegularExpressionMatch match = dumpName.match(name);
        if (!match.hasMatch() || noted.contains(match.captured(1) + match.captured(2)))
            continue;
        ArchiveEntry entry;
        entry.unit = unit;
        entry.stamp = match.captured(1);
        entry.side = match.captured(2).at(0).toLatin1();
        entry.path = folder.filePath(name);
        entry.records = recordsInDump(entry.path);
        entry.csvPath = existingFile(folder, entry.stamp + QStringLiteral(".csv"));
        entries->append(entry);
    }
}

} // namespace

QString ArchiveEntry::isoTime() const
{
    if (stamp.size() != 15)
        return stamp;
    return stamp.left(4) + QLatin1Char('-') + stamp.mid(4, 2) + QLatin1Char('-') + stamp.mid(6, 2)
        + QLatin1Char('T') + stamp.mid(9, 2) + QLatin1Char(':') + stamp.mid(11, 2) + QLatin1Char(':')
        + stamp.mid(13, 2);
}

QList<ArchiveEntry> listArchive(const QString& root, const QString& unit)
{
    QList<ArchiveEntry> entries;
    const QDir archive(root);
    const QStringList units = unit.isEmpty()
        ? archive.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)
        : QStringList{unit};
    for (const QString& name : units) {
        const QDir folder(archive.filePath(name));
        if (folder.exists())
            listUnit(folder, name, &entries);
    }
    // The stamp reads in time order; ties (two units at once) by unit.
    std::stable_sort(entries.begin(), entries.end(), [](const ArchiveEntry& a, const ArchiveEntry& b) {
        if (a.stamp != b.stamp)
            return a.stamp > b.stamp;
        if (a.unit != b.unit)
            return a.unit < b.unit;
        return a.side < b.side;
    });
    return entries;
}

std::optional<ArchivedSide> loadArchivedSide(const ArchiveEntry& entry)
{
    QFile file(entry.path);
    if (entry.path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    ArchivedSide archived;
    archived.entry = entry;
    archived.historyLines = historyLinesOf(file.readAll());
    QByteArray terminated;
    for (const QByteArray& line : archived.historyLines)
        terminated += line + "\r\n";
    const int capacity = qMin(int(archived.historyLines.size()), int(maxSideRecords));
    archived.records = QVector<KelmoraFillingData>(capacity, KelmoraFillingData{});
    bool formatDecided = false;
    const int count = parseHistoryLines(terminated, archived.records.data(), capacity,
                                        &archived.recordFormatNo, &formatDecided);
    archived.records.resize(count);
    return archived;
}

std::optional<ArchivedSide> newestArchivedSide(const QString& root, qint32 serialNumber, char side)
{
    for (const ArchiveEntry& entry : listArchive(root, unitFolderName(serialNumber))) {
        if (entry.side != side || entry.path.isEmpty())
            continue;
        std::optional<ArchivedSide> archived = loadArchivedSide(entry);
        if (archived && !archived->records.isEmpty())
            return archived;
    }
    return std::nullopt;
}

ArchivedHistory archivedHistoryFor(const QString& root, qint32 serialNumber, char side)
{
    ArchivedHistory history;
    if (serialNumber <= 0)
        return history;
    const std::optional<ArchivedSide> archived = newestArchivedSide(root, serialNumber, side);
    if (!archived)
        return history;
    const ArchiveEntry& entry = archived->entry;
    history.lines = archived->historyLines;
    // Fewer records than asked for, and the unit went quiet after whole
    // lines: it had no more.
    history.wholeHistory = entry.outcomeKnown && entry.outcome == SideOutcome::Complete
                           && entry.requested > 0 && entry.records < entry.requested;
    history.source = entry.path;
    return history;
}
