// Finding archived downloads again and reading one side back.
#include "files/downloadarchive.h"

#include "files/archivefiles.h"
#include "model/historyparser.h"

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

// yyyyMMdd-HHmmss in UTC with a 'Z', and "-2", "-3"... for further
// downloads of the unit in the same second; without the 'Z' (and never with
// a number) the PC's local time, as archives of earlier versions name them.
#define ARCHIVE_STAMP "(\\d{8}-\\d{6})(Z(?:-(\\d{1,4}))?)?"
const QRegularExpression stampName(QStringLiteral("^" ARCHIVE_STAMP "$"));
const QRegularExpression noteName(QStringLiteral("^(" ARCHIVE_STAMP ")\\.json$"));
const QRegularExpression dumpName(QStringLiteral("^(" ARCHIVE_STAMP ")-([AB])\\.txt$"));
#undef ARCHIVE_STAMP

// The time a stamp names, in UTC, and its place among the downloads of the
// same second.
void placeInTime(ArchiveEntry* entry)
{
    const QRegularExpressionMatch match = stampName.match(entry->stamp);
    if (!match.hasMatch())
        return;
    const QString format = QStringLiteral("yyyyMMdd-HHmmss");
    entry->utcNamed = match.capturedLength(2) > 0;
    entry->sequence = qMax(1, match.captured(3).toInt());
    QDateTime time = QDateTime::fromString(match.captured(1), format);
    if (entry->utcNamed)
        time.setTimeSpec(Qt::UTC);
    // A local name is read in the PC's present zone: in the hour a clock
    // falls back it may be either of two times.
    entry->time = time.toUTC();
}

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

QString existingFile(const QDir& folder, const QString& name, QStringList* problems)
{
    QString problem;
    const QString path = archiveFileIn(folder, name, &problem);
    if (!problem.isEmpty() && problems)
        problems->append(problem);
    return path;
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

void note(const QString& problem, QStringList* problems)
{
    if (!problem.isEmpty() && problems)
        problems->append(problem);
}

// -1 when the dump cannot be read.
int recordsInDump(const QString& path, QStringList* problems)
{
    const ArchiveFileRead read = readArchiveFile(path, maxArchivedDumpBytes);
    note(read.problem, problems);
    return read.ok() ? int(historyLinesOf(read.bytes).size()) : -1;
}

// The sides a download's note tells of; a note that cannot be read tells
// nothing, and its dumps are then listed like dumps placed by hand.
void addNotedSides(const QDir& folder, const QString& unit, const QString& stamp,
                   QList<ArchiveEntry>* entries, QStringList* problems)
{
    const QString path = existingFile(folder, stamp + QStringLiteral(".json"), problems);
    if (path.isEmpty())
        return;
    const ArchiveFileRead read = readArchiveFile(path, maxArchivedNoteBytes);
    note(read.problem, problems);
    const QJsonDocument document = QJsonDocument::fromJson(read.bytes);
    // A note that was cut short or edited by hand is said as much: its
    // dumps are still listed, but without the outcome it held.
    if (read.ok() && !document.isObject())
        note(QDir::toNativeSeparators(path) + QStringLiteral(": not a download's note, its sides are listed without it"),
             problems);
    const QJsonArray sides = document.object().value(QStringLiteral("sides")).toArray();
    const QString csv = existingFile(folder, stamp + QStringLiteral(".csv"), problems);
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
        entry.fromArchive = note.value(QStringLiteral("fromArchive")).toInt();
        entry.outcomeKnown = outcomeFromName(note.value(QStringLiteral("outcome")).toString(), &entry.outcome);
        placeInTime(&entry);
        // The note names the dump; whatever it says, only a file of this
        // folder is taken.
        const QString dump = note.value(QStringLiteral("file")).toString();
        if (!dump.isEmpty())
            entry.path = existingFile(folder, dump, problems);
        entry.csvPath = csv;
        entries->append(entry);
    }
}

void listUnit(const QDir& folder, const QString& unit, QList<ArchiveEntry>* entries,
              QStringList* problems)
{
    QHash<QString, bool> noted;  // stamp + side
    // Pipes, devices and broken links too: what is named like an archive
    // file but is none is said, not passed over in silence.
    const QStringList names = folder.entryList(QDir::Files | QDir::System, QDir::Name);
    for (const QString& name : names) {
        const QRegularExpressionMatch match = noteName.match(name);
        if (!match.hasMatch())
            continue;
        const qsizetype before = entries->size();
        addNotedSides(folder, unit, match.captured(1), entries, problems);
        for (qsizetype i = before; i < entries->size(); ++i)
            noted.insert(entries->at(i).stamp + QLatin1Char(entries->at(i).side), true);
    }
    for (const QString& name : names) {
        const QRegularExpressionMatch match = dumpName.match(name);
        const QString side = match.captured(5);
        if (!match.hasMatch() || noted.contains(match.captured(1) + side))
            continue;
        ArchiveEntry entry;
        entry.unit = unit;
        entry.stamp = match.captured(1);
        entry.side = side.at(0).toLatin1();
        placeInTime(&entry);
        entry.path = existingFile(folder, name, problems);
        entry.records = entry.path.isEmpty() ? -1 : recordsInDump(entry.path, problems);
        if (entry.records < 0)
            continue;  // what cannot be read is said, not listed
        entry.csvPath = existingFile(folder, entry.stamp + QStringLiteral(".csv"), problems);
        entries->append(entry);
    }
}

} // namespace

QString ArchiveEntry::isoTime() const
{
    if (stamp.size() < 15)
        return stamp;
    return stamp.left(4) + QLatin1Char('-') + stamp.mid(4, 2) + QLatin1Char('-') + stamp.mid(6, 2)
        + QLatin1Char('T') + stamp.mid(9, 2) + QLatin1Char(':') + stamp.mid(11, 2) + QLatin1Char(':')
        + stamp.mid(13, 2) + (utcNamed ? QStringLiteral("Z") : QString());
}

QList<ArchiveEntry> listArchive(const QString& root, const QString& unit, QStringList* problems)
{
    QList<ArchiveEntry> entries;
    const QDir archive(root);
    const QStringList units = unit.isEmpty()
        ? archive.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)
        : QStringList{unit};
    for (const QString& name : units) {
        const QDir folder(archive.filePath(name));
        if (folder.exists())
            listUnit(folder, name, &entries, problems);
    }
    // Newest first by the time in UTC, then by the order within a second;
    // ties (two units at once) by unit.
    std::stable_sort(entries.begin(), entries.end(), [](const ArchiveEntry& a, const ArchiveEntry& b) {
        if (a.time != b.time)
            return a.time > b.time;
        if (a.sequence != b.sequence)
            return a.sequence > b.sequence;
        if (a.unit != b.unit)
            return a.unit < b.unit;
        return a.side < b.side;
    });
    return entries;
}

std::optional<ArchivedSide> loadArchivedSide(const ArchiveEntry& entry, QStringList* problems)
{
    if (entry.path.isEmpty())
        return std::nullopt;
    const ArchiveFileRead read = readArchiveFile(entry.path, maxArchivedDumpBytes);
    note(read.problem, problems);
    if (!read.ok())
        return std::nullopt;
    ArchivedSide archived;
    archived.entry = entry;
    archived.historyLines = historyLinesOf(read.bytes);
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

std::optional<ArchivedSide> newestArchivedSide(const QString& root, qint32 serialNumber, char side,
                                               QStringList* problems)
{
    for (const ArchiveEntry& entry : listArchive(root, unitFolderName(serialNumber), problems)) {
        if (entry.side != side || entry.path.isEmpty())
            continue;
        std::optional<ArchivedSide> archived = loadArchivedSide(entry, problems);
        if (archived && !archived->records.isEmpty())
            return archived;
    }
    return std::nullopt;
}

ArchivedHistory archivedHistoryFor(const QString& root, qint32 serialNumber, char side,
                                   QStringList* problems)
{
    ArchivedHistory history;
    if (serialNumber <= 0)
        return history;
    const std::optional<ArchivedSide> archived = newestArchivedSide(root, serialNumber, side, problems);
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
