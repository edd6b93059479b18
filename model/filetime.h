// Local date and time of record timestamps in the files (ISO 8601 text in
// CSV and ODS, the unit's "dd.MM.yyyy hh:mm:ss" in history lines), done
// without asking the C library for every record: an export or import of
// 131070 records would otherwise spend most of its time re-reading the
// time zone. Results equal QDateTime's local-time conversion; days with a
// time zone transition nearby ask QDateTime for the offsets.
//
// A clock change makes some local times ambiguous. A time inside the gap of
// a spring change is read as the same wall-clock time moved forward by the
// gap (02:30 in Berlin on the last Sunday of March is 03:30 summer time).
// A time inside the hour that an autumn change repeats exists twice: the
// conversions give the first pass and, through secondPass, the second;
// orderRepeatedHour (model/recordtimes.h) picks one per record.
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
    quint32 fromIso(QStringView text, quint32* secondPass = nullptr);
    // Seconds of the unit's local date "dd.MM.yyyy" and time "hh:mm:ss".
    quint32 fromUnitWords(QStringView date, QStringView time, quint32* secondPass = nullptr);
    // The same from the UTF-8 bytes of the two words of a history line.
    quint32 fromUnitBytes(const char* date, int dateLength, const char* time, int timeLength,
                          quint32* secondPass = nullptr);
    // A date field of the tool's CSV: ISO 8601 as exported, or the form a
    // spreadsheet in a German locale saves it again, "dd.MM.yyyy hh:mm" with
    // optional seconds (day, month and hour may have one digit).
    quint32 fromCsvText(QStringView text, quint32* secondPass = nullptr);

private:
    // Offset from UTC on the UTC day of the instant; false when the offset
    // changes during that day.
    bool steadyOffset(qint64 utc, int& offset);
    // Offset from UTC at an instant, exact also on a transition day.
    int offsetAt(qint64 utc);
    // UTC of a local time with the rules above: first and second pass equal
    // unless the time lies in a repeated hour.
    void utcOfLocal(qint64 local, qint64& first, qint64& second);
    // Seconds of validated local fields, or invalidTime outside the 32-bit range.
    quint32 fromFields(int y, int mo, int d, int h, int mi, int s, quint32* secondPass);

    static constexpr int transitionDay = 0x7fffffff;
    std::unordered_map<qint64, int> dayOffsets;
    // Per local day: the one offset every time of it takes, or transitionDay
    // when a transition is near enough to need the full rules.
    std::unordered_map<qint64, int> localDayOffsets;
};
