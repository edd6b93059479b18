// Writing one download into the archive.
#include "files/downloadarchive.h"

#include "model/historyoverlap.h"
#include "files/atomicfile.h"
#include "files/csvwriter.h"
#include "files/sidedownloadjson.h"
#include "frame/texttable.h"
#include "model/historyparser.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QTextStream>

namespace {

const QString stampFormat = QStringLiteral("yyyyMMdd-HHmmss");  // followed by a 'Z': in UTC

// Programs archiving at the same moment race to make the archive's and the
// unit's folders; on Windows the loser's attempt can fail although the
// folder is then there. What counts is that it is there: a few attempts.
bool makeFolder(const QString& path)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        QDir().mkpath(path);
        if (QFileInfo(path).isDir())
            return true;
    }
    return false;
}

// A temporary file beside the target, renamed into place: the name belongs
// to this download (its stamp was claimed), so nothing archived is replaced.
bool saveNewFile(const QString& path, const QByteArray& bytes, QString* error)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    // The temporary file starts private; the archive is the user's own data.
    file.setPermissions(newFilePermissions());
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        *error = path + QStringLiteral(": ") + file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

bool anyExists(const QDir& folder, const QString& stamp)
{
    for (const char* ending : {".json", ".csv", "-A.txt", "-B.txt"}) {
        if (QFileInfo::exists(folder.filePath(stamp + QLatin1String(ending))))
            return true;
    }
    return false;
}

// Claims the first free stamp of the second the download ended in by
// creating its note's name, empty, exclusively: of two programs archiving
// the unit at once only one can create it, the other takes the next number.
// An empty note reads as a broken one, so what a failed write leaves is
// listed like dumps placed by hand, never as a whole download.
QString claimStamp(const QDir& folder, const QDateTime& endedAt, QString* error)
{
    constexpr int maxDownloadsPerSecond = 1000;
    const QString second = endedAt.toUTC().toString(stampFormat) + QLatin1Char('Z');
    for (int number = 1; number <= maxDownloadsPerSecond; ++number) {
        const QString stamp = number == 1 ? second : second + QLatin1Char('-') + QString::number(number);
        if (anyExists(folder, stamp))
            continue;
        QFile note(folder.filePath(stamp + QStringLiteral(".json")));
        if (note.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return stamp;
        // Taken meanwhile (a dangling link counts as taken too): try the next.
        if (!note.exists() && !QFileInfo(note.fileName()).isSymLink()) {
            *error = note.fileName() + QStringLiteral(": ") + note.errorString();
            return QString();
        }
    }
    *error = folder.path() + QStringLiteral(": no free name for another download in ") + second;
    return QString();
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
        note.insert(QStringLiteral("method"), sideMethodName(side));
        note.insert(QStringLiteral("findings"), sideFindings(side));
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
    root.insert(QStringLiteral("ended"), endedAt.toUTC().toString(Qt::ISODate));
    root.insert(QStringLiteral("sides"), sideNotes);
    return QJsonDocument(root).toJson();
}

} // namespace

QString outcomeName(const ArchiveEntry& entry)
{
    return entry.outcomeKnown && entry.outcome != SideOutcome::NotRequested ? sideOutcomeName(entry.outcome)
                                                                             : QStringLiteral("unknown");
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
    if (!makeFolder(result.folder)) {
        result.error = result.folder + QStringLiteral(": the folder cannot be created");
        return result;
    }
    const QDir folder(result.folder);
    result.stamp = claimStamp(folder, endedAt, &result.error);
    if (result.stamp.isEmpty())
        return result;
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
    return archiveDownload(unit, sides, QDateTime::currentDateTimeUtc(), archiveFolder());
}
