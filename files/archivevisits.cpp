#include "files/archivevisits.h"

#include "files/downloadarchive.h"
#include "model/ratebands.h"

#include <QHash>

#include <algorithm>

namespace {

// Serial numbers in numeric order; "unknown" and any other name after them.
bool unitBefore(const ArchivedUnit& a, const ArchivedUnit& b)
{
    bool aNumber = false;
    bool bNumber = false;
    const qlonglong aSerial = a.unit.toLongLong(&aNumber);
    const qlonglong bSerial = b.unit.toLongLong(&bNumber);
    if (aNumber != bNumber)
        return aNumber;
    if (aNumber && aSerial != bSerial)
        return aSerial < bSerial;
    return a.unit < b.unit;
}

void fillSide(const ArchiveEntry& entry, VisitSide* side, QStringList* problems)
{
    side->asked = true;
    side->records = entry.records;
    side->outcome = entry.outcome;
    side->outcomeKnown = entry.outcomeKnown;
    side->dumpPath = entry.path;
    if (entry.path.isEmpty())
        return;
    // A dump that cannot be read is said by the loader and keeps the count
    // its note gave, without a share.
    const std::optional<ArchivedSide> archived = loadArchivedSide(entry, problems);
    if (!archived)
        return;
    side->records = int(archived->records.size());
    side->inBandShare = rateBands(archived->records.constData(), side->records).all.withinShare();
}

} // namespace

QStringList ArchivedDownload::filesToOpen() const
{
    if (!csvPath.isEmpty())
        return {csvPath};
    QStringList files;
    for (const VisitSide& side : sides) {
        if (!side.dumpPath.isEmpty())
            files.append(side.dumpPath);
    }
    return files;
}

QString visitOutcomeName(const VisitSide& side)
{
    if (!side.asked)
        return QString();
    ArchiveEntry entry;
    entry.outcome = side.outcome;
    entry.outcomeKnown = side.outcomeKnown;
    return outcomeName(entry);
}

QList<ArchivedUnit> listArchivedUnits(const QString& root, QStringList* problems)
{
    QList<ArchivedUnit> units;
    QHash<QString, int> unitIndex;
    QHash<QString, bool> downloadSeen;  // unit + '/' + stamp
    // Newest first, so a unit's first entry is its last visit.
    for (const ArchiveEntry& entry : listArchive(root, QString(), problems)) {
        auto found = unitIndex.find(entry.unit);
        if (found == unitIndex.end()) {
            found = unitIndex.insert(entry.unit, int(units.size()));
            ArchivedUnit unit;
            unit.unit = entry.unit;
            unit.lastVisit = entry.time;
            unit.lastVisitIso = entry.isoTime();
            units.append(unit);
        }
        const QString download = entry.unit + QLatin1Char('/') + entry.stamp;
        if (!downloadSeen.contains(download)) {
            downloadSeen.insert(download, true);
            ++units[found.value()].downloads;
        }
    }
    std::sort(units.begin(), units.end(), unitBefore);
    return units;
}

QList<ArchivedDownload> listUnitDownloads(const QString& root, const QString& unit, QStringList* problems)
{
    QList<ArchivedDownload> downloads;
    if (unit.isEmpty())
        return downloads;
    // Newest first; an old local name and a UTC name may stand for the same
    // second, so the sides are gathered by stamp, not by neighbourhood.
    QHash<QString, int> downloadIndex;
    for (const ArchiveEntry& entry : listArchive(root, unit, problems)) {
        auto found = downloadIndex.find(entry.stamp);
        if (found == downloadIndex.end()) {
            found = downloadIndex.insert(entry.stamp, int(downloads.size()));
            ArchivedDownload download;
            download.unit = entry.unit;
            download.stamp = entry.stamp;
            download.time = entry.time;
            download.isoTime = entry.isoTime();
            download.csvPath = entry.csvPath;
            download.sides[0].side = 'A';
            download.sides[1].side = 'B';
            downloads.append(download);
        }
        ArchivedDownload& download = downloads[found.value()];
        if (download.csvPath.isEmpty())
            download.csvPath = entry.csvPath;
        fillSide(entry, &download.sides[entry.side == 'B' ? 1 : 0], problems);
    }
    if (problems)
        problems->removeDuplicates();
    return downloads;
}

VisitListingThread::VisitListingThread(const QString& root, const QString& unit, quint64 request,
                                       QObject* parent)
    : QThread(parent), root(root), unit(unit), request(request)
{
    qRegisterMetaType<VisitListing>();
}

void VisitListingThread::run()
{
    VisitListing listing;
    listing.request = request;
    listing.unit = unit;
    if (unit.isEmpty())
        listing.units = listArchivedUnits(root, &listing.problems);
    else
        listing.downloads = listUnitDownloads(root, unit, &listing.problems);
    listing.problems.removeDuplicates();
    Q_EMIT listed(listing);
}
