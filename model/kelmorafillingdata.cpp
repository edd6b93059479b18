#include "model/kelmorafillingdata.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdlib>

KelmoraFillingData* sideARecords = nullptr;
quint16 sideACount = 0;
KelmoraFillingData* sideBRecords = nullptr;
quint16 sideBCount = 0;
KelmoraFillingData** currentRecords = nullptr;

QString limitText(qint32 limit)
{
    if (limit == 0)
        return QStringLiteral("NOLIM");
    if (limit == -1)
        return QStringLiteral("SWOFF");
    return QString::number(quint32(limit));
}

qint32 parseLimit(const QString& word)
{
    if (word == QLatin1String("NOLIM"))
        return 0;
    if (word == QLatin1String("SWOFF"))
        return -1;
    bool ok = false;
    const quint32 value = word.trimmed().toUInt(&ok, 10);
    return ok ? qint32(value) : 0;
}

KelmoraFillingData** sideRecordsVariable(char side)
{
    if (side == 'A')
        return &sideARecords;
    if (side == 'B')
        return &sideBRecords;
    return nullptr;
}

quint16* sideCountVariable(char side)
{
    if (side == 'A')
        return &sideACount;
    if (side == 'B')
        return &sideBCount;
    return nullptr;
}

namespace {

// Runs f on the main thread: at once when already there (or without an
// application), else queued behind everything the caller posted before.
template <typename F>
void onMainThread(F f)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        f();
        return;
    }
    QMetaObject::invokeMethod(app, std::move(f), Qt::QueuedConnection);
}

} // namespace

SideStorageNotifier* sideStorageNotifier()
{
    static SideStorageNotifier notifier;
    return &notifier;
}

void installSideRecords(char side, KelmoraFillingData* records, quint16 count)
{
    KelmoraFillingData** array = sideRecordsVariable(side);
    quint16* size = sideCountVariable(side);
    if (!array) {
        std::free(records);
        return;
    }
    onMainThread([side, array, size, records, count] {
        KelmoraFillingData* previous = *array;
        *array = records;
        *size = count;
        if (previous && previous != records) {
            emit sideStorageNotifier()->sideReleasing(side, previous);
            std::free(previous);
        }
    });
}

void setSideCount(char side, quint16 count)
{
    quint16* size = sideCountVariable(side);
    if (!size)
        return;
    onMainThread([size, count] { *size = count; });
}

void resetSideStorage()
{
    if (sideARecords)
        emit sideStorageNotifier()->sideReleasing('A', sideARecords);
    if (sideBRecords)
        emit sideStorageNotifier()->sideReleasing('B', sideBRecords);
    std::free(sideARecords);
    std::free(sideBRecords);
    sideARecords = sideBRecords = nullptr;
    sideACount = sideBCount = 0;
    currentRecords = nullptr;
}
