// Looking up a unit's archived history away from the window's thread: the
// archive may be large, on a slow shared drive, or hold files no one should
// wait for, and the window must go on answering meanwhile.
#pragma once

#include "model/sidedownload.h"

#include <QMetaType>
#include <QStringList>
#include <QThread>

struct ArchiveLookup {
    ArchivedHistory sideA;
    ArchivedHistory sideB;
    QStringList problems;  // archive files left out, and why
};
Q_DECLARE_METATYPE(ArchiveLookup)

// Both sides' archived history of one unit, as a download request takes
// them, looked up in the same way on the calling thread.
ArchiveLookup lookUpArchive(const QString& root, qint32 serialNumber);

// Runs lookUpArchive once on its own thread and hands the result over with
// found(), queued to the receiver's thread.
class ArchiveLookupThread : public QThread
{
    Q_OBJECT

public:
    ArchiveLookupThread(const QString& root, qint32 serialNumber, QObject* parent = nullptr);

Q_SIGNALS:
    void found(ArchiveLookup lookup);

protected:
    void run() override;

private:
    const QString root;
    const qint32 serialNumber;
};
