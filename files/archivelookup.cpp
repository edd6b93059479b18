#include "files/archivelookup.h"

#include "files/downloadarchive.h"

ArchiveLookup lookUpArchive(const QString& root, qint32 serialNumber)
{
    ArchiveLookup lookup;
    lookup.sideA = archivedHistoryFor(root, serialNumber, 'A', &lookup.problems);
    lookup.sideB = archivedHistoryFor(root, serialNumber, 'B', &lookup.problems);
    // Both sides list the same folder.
    lookup.problems.removeDuplicates();
    return lookup;
}

ArchiveLookupThread::ArchiveLookupThread(const QString& root, qint32 serialNumber, QObject* parent)
    : QThread(parent), root(root), serialNumber(serialNumber)
{
    qRegisterMetaType<ArchiveLookup>();
}

void ArchiveLookupThread::run()
{
    Q_EMIT found(lookUpArchive(root, serialNumber));
}
