// One filling record as the unit keeps it in its history, and the program-wide
// storage of the records of the two dispenser sides.
#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

struct KelmoraFillingData {
    qint32 number;           // record number given by the unit
    quint16 integerPercent;  // drawn as the green line
    quint32 timestamp;       // seconds since 1970-01-01 UTC (unit time read as local)
    quint16 fillings;        // x of the fillings chart mode
    quint16 levelCode;       // 11 and above: upper class of ratePercent
    double fuelFlow;
    double auxValue;
    double temperature;
    double ratePercent;      // drawn as a cross against 85/100/115
    double linePercent;
    double optionalFirst;    // long lines (12 or 14 words) only
    double optionalSecond;   // full lines (14 words) only
    qint32 limit;            // 0 "NOLIM", -1 "SWOFF", else unsigned number
    char separator;          // character between "Nr"/"No" and the digits

    // Drawing cache, written and read by the chart only.
    qint32 plotX;
    qint32 plotYIntegerPercent;
    qint32 plotYFuelFlow;
    qint32 plotYTemperature;
    qint32 plotYRatePercent;
    qint32 plotYLinePercent;
};

constexpr quint16 maxSideRecords = 65535;

// Text form of limit shared by every reader and writer.
QString limitText(qint32 limit);
// "NOLIM" -> 0, "SWOFF" -> -1, else an unsigned decimal (0 if it does not convert).
qint32 parseLimit(const QString& word);

// Per-side storage. Arrays are malloc'd blocks; the storage owns them.
// Consumers (tables, charts, exports) borrow the array pointer and the address
// of the count and never free them.
extern KelmoraFillingData* sideARecords;
extern quint16 sideACount;
extern KelmoraFillingData* sideBRecords;
extern quint16 sideBCount;
// The array-pointer variable of the side filled last; null before any fill.
extern KelmoraFillingData** currentRecords;

// The array-pointer and count variables of side 'A' or 'B'; null for others.
KelmoraFillingData** sideRecordsVariable(char side);
quint16* sideCountVariable(char side);

// Makes a completely built array the side's records, with its count, in one
// step and frees the array it replaces. Readers of the storage live on the
// application's main thread, so a filler on another thread has the swap
// carried out there: it then runs before any signal that the filler raises
// afterwards is delivered, and the main thread never sees a freed array or a
// count that does not belong to the array it holds. Without an application
// object, or on the main thread, the swap is immediate.
void installSideRecords(char side, KelmoraFillingData* records, quint16 count);

// Tables and charts borrow a side's array and keep it until they are given
// another. A swap frees the array it replaces, which for a download happens
// while the window may still show the old records (side B is still being
// read, a summary box is open). Just before the free, on the main thread,
// the storage tells whoever listens which array is going away, so that they
// let go of it instead of reading freed memory with the new count.
class SideStorageNotifier : public QObject
{
    Q_OBJECT

Q_SIGNALS:
    void sideReleasing(char side, KelmoraFillingData* released);
};

// The program-wide notifier; connect to it from the main thread.
SideStorageNotifier* sideStorageNotifier();

// Sets the side's count and keeps its array (a download that got no bytes).
// Carried over to the main thread like installSideRecords.
void setSideCount(char side, quint16 count);

// Frees both arrays and resets the storage (tests, shutdown).
void resetSideStorage();
