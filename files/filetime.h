// Local date and time of record timestamps in the files (ISO 8601 text in
// CSV and ODS, the unit's "dd.MM.yyyy hh:mm:ss" in history lines), done
// without asking the C library for every record: an export or import of
// 131070 records would otherwise spend most of its time re-reading the
// time zone. Results equal QDateTime's local-time conversion; days with a
// time zone transition nearby are handed to QDateTime itself.
#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <unordered_map>

class LocalTimeCache
{
public:
    static constexpr quint32 invalidTime = 0xFFFFFFFFu;

    // yyyy-MM-ddTHH:mm:ss in local time (as Qt::ISODate writes it).
    QString isoText(quint32 timestamp);
    // Seconds since the epoch of a local ISO 8601 date-time; invalidTime
    // when it is no valid date-time.
    quint32 fromIso(QStringView text);
    // Seconds of the unit's local date "dd.MM.yyyy" and time "hh:mm:ss".
    quint32 fromUnitWords(QStringView date, QStringView time);

private:
    // Offset from UTC on the UTC day of the instant; false when the offset
    // changes during that day.
    bool steadyOffset(qint64 utc, int& offset);
    // UTC of a local time, false when a transition is near (gap, overlap).
    bool utcOfLocal(qint64 local, qint64& utc);

    static constexpr int transitionDay = 0x7fffffff;
    std::unordered_map<qint64, int> dayOffsets;
};
