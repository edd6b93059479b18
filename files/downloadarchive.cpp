// Writing one download into the archive.
#include "files/downloadarchive.h"

#include "reader/app_kelmoradatareader.h"
#include "reader/historyoverlap.h"
#include "files/csvwriter.h"
#include "frame/texttable.h"
#include "reader/historyparser.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QTextStream>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

const QString stampFormat = QStringLiteral("yyyyMMdd-HHmmss");

QString sideOutcomeName(SideOutcome outcome)
{
    switch (outcome) {
    case SideOutcome::Complete:
        return QStringLiteral("complete");
    case SideOutcome::Interrupted:
        return QStringLiteral("interrupted");
    case SideOutcome::NoAnswer:
        return QStringLiteral("no-answer");
    case SideOutcome::NotRequested:
        break;
    }
    return QStringLiteral("unknown");
}

// Read and written back at once: there is no other way to learn the mask,
// and the archive is written on one thread.
QFileDevice::Permissions normalPermissions()
{
    QFileDevice::Permissions permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner
        | QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ReadGroup
        | QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther;
#ifdef Q_OS_UNIX
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (mask & S_IWGRP)
        permissions &= ~QFileDevice::WriteGroup;
    if (mask & S_IRGRP)
        permissions &= ~QFileDevice::ReadGroup;
    if (mask & S_IWOTH)
        permissions &= ~QFileDevice::WriteOther;
    if (mask & S_IROTH)
        permissions &= ~QFileDevice::ReadOther;
#endif
    return permissions;
}

// A temporary file beside the target, renamed over nothing: the name is
// new, so an archived file is never replaced.
bool saveNewFile(const QString& path, const QByteArray& bytes, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    // The temporary file starts private; the archive is the user's own data.
    file.setPermissions(normalPermissions());
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        *error = path + QStringLiteral(": ") + file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

// The first free stamp from the end of the download on: a second download
// of the unit within the same second gets the next second.
QString freeStamp(const QDir& folder, const QDateTime& endedAt)
{
    for (int offset = 0;; ++offset) {
        const QString stamp = endedAt.addSecs(offset).toString(stampFormat);
        const QStringList taken = folder.entryList({stamp + QStringLiteral("*")}, QDir::Files);
        if (taken.isEmpty())
            return stamp;
    }
}

// The records of the sides that brought lines, parsed as a download parses
// them, and the CSV of them.
QByteArray csvOf(const UnitIdentity& unit, const QList<SideDownload>& sides)
{
    QVector<KelmoraFillingData> parsed[2];
    bool present[2] = {false, false};
    bool formatNo[2] = {false, false};
    for (const SideDownload& side : sides) {
        const int index = side.side == 'B' ? 1 : 0;
        if (side.historyLines.isEmpty() || (side.side != 'A' && side.side != 'B'))
            continue;
        const int capacity = qMin(int(side.historyLines.size()), int(maxSideRecords));
        parsed[index] = QVector<KelmoraFillingData>(capacity, KelmoraFillingData{});
        // Each side's own lines decide the layout its columns are headed by.
        bool formatDecided = false;
        const int count = parseHistoryLines(historyBytes(side.historyLines), parsed[index].data(),
                                            capacity, &formatNo[index], &formatDecided);
        parsed[index].resize(count);
        present[index] = true;
    }
    if (!present[0] && !present[1])
        return QByteArray();
    ExportContent content;
    content.unit = exportIdentityOf(unit);
    content.language = currentLanguage();
    if (present[0])
        content.sideA = SideRecords{parsed[0].constData(), quint16(parsed[0].size()), formatNo[0]};
    if (present[1])
        content.sideB = SideRecords{parsed[1].constData(), quint16(parsed[1].size()), formatNo[1]};
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QTextStream stream(&buffer);
    writeCsv(stream, content);
    return buffer.data();
}

QByteArray noteOf(const UnitIdentity& unit, const QList<SideDownload>& sides,
                  const QDateTime& endedAt, const QString& stamp)
{
    QJsonArray sideNotes;
    for (const SideDownload& side : sides) {
        QJsonObject note;
        note.insert(QStringLiteral("side"), QString(QLatin1Char(side.side)));
        note.insert(QStringLiteral("outcome"), sideOutcomeName(side.outcome));
        note.insert(QStringLiteral("requested"), side.requested);
        note.insert(QStringLiteral("received"), side.received);
        // An incremental download is archived whole, so that every archived
        // side stands on its own; the note tells what came from where.
        note.insert(QStringLiteral("fromLine"), side.received - side.fromArchive);
        note.insert(QStringLiteral("fromArchive"), side.fromArchive);
        if (!side.archiveSource.isEmpty())
            note.insert(QStringLiteral("basedOn"), QFileInfo(side.archiveSource).fileName());
        note.insert(QStringLiteral("lines"), int(side.historyLines.size()));
        if (!side.historyLines.isEmpty())
            note.insert(QStringLiteral("file"),
                        stamp + QLatin1Char('-') + QLatin1Char(side.side) + QStringLiteral(".txt"));
        sideNotes.append(note);
    }
    QJsonObject root;
    root.insert(QStringLiteral("serialNumber"), unit.serialNumber);
    root.insert(QStringLiteral("ended"), endedAt.toString(Qt::ISODate));
    root.insert(QStringLiteral("sides"), sideNotes);
    return QJsonDocument(root).toJson();
}

} // namespace

QString outcomeName(const ArchiveEntry& entry)
{
    return entry.outcomeKnown ? sideOutcomeName(entry.outcome) : QStringLiteral("unknown");
}

ArchiveWrite archiveDownload(const UnitIdentity& unit, const QList<SideDownload>& allSides,
                             const QDateTime& endedAt, const QString& root)
{
    ArchiveWrite result;
    QList<SideDownload> sides;
    for (const SideDownload& side : allSides) {
        if (side.outcome != SideOutcome::NotRequested)
            sides.append(side);
    }
    if (sides.isEmpty())
        return result;
    result.folder = QDir(root).filePath(unitFolderName(unit.serialNumber));
    if (!QDir().mkpath(result.folder) || !QFileInfo(result.folder).isDir()) {
        result.error = result.folder + QStringLiteral(": the folder cannot be created");
        return result;
    }
    const QDir folder(result.folder);
    result.stamp = freeStamp(folder, endedAt);
    QList<QPair<QString, QByteArray>> files;
    for (const SideDownload& side : sides) {
        if (!side.historyLines.isEmpty())
            files.append({result.stamp + QLatin1Char('-') + QLatin1Char(side.side) + QStringLiteral(".txt"),
                          historyBytes(side.historyLines)});
    }
    const QByteArray csv = csvOf(unit, sides);
    if (!csv.isEmpty())
        files.append({result.stamp + QStringLiteral(".csv"), csv});
    // The note comes last: a download whose note is there was archived whole.
    files.append({result.stamp + QStringLiteral(".json"), noteOf(unit, sides, endedAt, result.stamp)});
    for (const auto& file : files) {
        const QString path = folder.filePath(file.first);
        if (!saveNewFile(path, file.second, &result.error))
            return result;
        result.files.append(path);
    }
    return result;
}

ArchiveWrite archiveDownload(const UnitIdentity& unit, const QList<SideDownload>& sides)
{
    return archiveDownload(unit, sides, QDateTime::currentDateTime(), archiveFolder());
}
