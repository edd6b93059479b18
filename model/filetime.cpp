#include "model/filetime.h"

#include <QDateTime>

namespace {

constexpr qint64 secondsPerDay = 86400;

qint64 floorDiv(qint64 a, qint64 b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Days since 1970-01-01 of a proleptic Gregorian date and back (the usual
// era-based arithmetic).
qint64 daysFromCivil(qint64 y, int m, int d)
{
    y -= m <= 2;
    const qint64 era = floorDiv(y, 400);
    const qint64 yoe = y - era * 400;
    const qint64 doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(qint64 z, qint64& y, int& m, int& d)
{
    z += 719468;
    const qint64 era = floorDiv(z, 146097);
    const qint64 doe = z - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    d = int(doy - (153 * mp + 2) / 5 + 1);
    m = int(mp < 10 ? mp + 3 : mp - 9);
    y = yoe + era * 400 + (m <= 2);
}

// Digits of text[from, from + count), or -1 if any is no ASCII digit.
int digits(QStringView text, int from, int count)
{
    int value = 0;
    for (int i = from; i < from + count; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

bool validFields(int y, int mo, int d, int h, int mi, int s)
{
    return y >= 0 && QDate::isValid(y, mo, d) && h >= 0 && h < 24 && mi >= 0 && mi < 60 && s >= 0 && s < 60;
}

quint32 secondsOf(const QDateTime& time)
{
    return time.isValid() ? quint32(time.toSecsSinceEpoch()) : LocalTimeCache::invalidTime;
}

void putNumber(char16_t*& out, int value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        out[i] = char16_t(u'0' + value % 10);
        value /= 10;
    }
    out += width;
}

} // namespace

bool LocalTimeCache::steadyOffset(qint64 utc, int& offset)
{
    const qint64 day = floorDiv(utc, secondsPerDay);
    auto known = dayOffsets.find(day);
    if (known == dayOffsets.end()) {
        const qint64 start = day * secondsPerDay;
        const int first = QDateTime::fromSecsSinceEpoch(start).offsetFromUtc();
        const int last = QDateTime::fromSecsSinceEpoch(start + secondsPerDay - 1).offsetFromUtc();
        known = dayOffsets.emplace(day, first == last ? first : transitionDay).first;
    }
    offset = known->second;
    return offset != transitionDay;
}

int LocalTimeCache::offsetAt(qint64 utc)
{
    int offset = 0;
    if (steadyOffset(utc, offset))
        return offset;
    return QDateTime::fromSecsSinceEpoch(utc).offsetFromUtc();
}

void LocalTimeCache::utcOfLocal(qint64 local, qint64& first, qint64& second)
{
    // Whole-second local times of one day share their conversion when no
    // transition lies within two days: every check below would pass.
    const qint64 localDay = floorDiv(local, secondsPerDay);
    auto known = localDayOffsets.find(localDay);
    if (known == localDayOffsets.end()) {
        int offset = 0;
        bool steady = steadyOffset((localDay - 2) * secondsPerDay, offset);
        for (int d = -1; steady && d <= 2; ++d) {
            int other = 0;
            steady = steadyOffset((localDay + d) * secondsPerDay, other) && other == offset;
        }
        known = localDayOffsets.emplace(localDay, steady ? offset : transitionDay).first;
    }
    if (known->second != transitionDay) {
        first = second = local - known->second;
        return;
    }
    int guess = 0;
    if (steadyOffset(local, guess)) {
        // No transition within half a day either side: the local time then
        // exists exactly once, with this offset.
        const qint64 utc = local - guess;
        int at = 0, before = 0, after = 0;
        if (steadyOffset(utc, at) && steadyOffset(utc - secondsPerDay / 2, before)
            && steadyOffset(utc + secondsPerDay / 2, after) && at == guess && before == guess
            && after == guess) {
            first = second = utc;
            return;
        }
    }
    // Offsets lie between -12 and +14 hours, so the instants that can show
    // this local time lie between local - 14 h and local + 12 h; the offsets
    // just outside that window are the ones before and after a transition.
    const int before = offsetAt(local - 15 * 3600);
    const int after = offsetAt(local + 13 * 3600);
    const qint64 early = local - before;
    const qint64 late = local - after;
    const bool earlyExists = offsetAt(early) == before;
    const bool lateExists = offsetAt(late) == after;
    if (earlyExists && lateExists) {
        first = qMin(early, late);
        second = qMax(early, late);
    } else if (lateExists) {
        first = second = late;
    } else {
        // Either the time exists with the earlier offset only, or it lies in
        // the gap: read with the offset before the change, it comes out
        // moved forward by the gap.
        first = second = early;
    }
}

quint32 LocalTimeCache::fromFields(int y, int mo, int d, int h, int mi, int s, quint32* secondPass)
{
    qint64 first = 0, second = 0;
    utcOfLocal(daysFromCivil(y, mo, d) * secondsPerDay + h * 3600 + mi * 60 + s, first, second);
    if (first < 0 || first >= qint64(invalidTime)) {
        if (secondPass)
            *secondPass = invalidTime;
        return invalidTime;
    }
    if (secondPass)
        *secondPass = second < qint64(invalidTime) ? quint32(second) : quint32(first);
    return quint32(first);
}

QString LocalTimeCache::isoText(quint32 timestamp)
{
    int offset = 0;
    if (!steadyOffset(qint64(timestamp), offset))
        return QDateTime::fromSecsSinceEpoch(qint64(timestamp)).toString(Qt::ISODate);
    const qint64 local = qint64(timestamp) + offset;
    const qint64 day = floorDiv(local, secondsPerDay);
    const int second = int(local - day * secondsPerDay);
    qint64 year = 0;
    int month = 0, dayOfMonth = 0;
    civilFromDays(day, year, month, dayOfMonth);
    if (year < 0 || year > 9999)
        return QDateTime::fromSecsSinceEpoch(qint64(timestamp)).toString(Qt::ISODate);
    QString result(19, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(result.data());
    putNumber(out, int(year), 4);
    *out++ = u'-';
    putNumber(out, month, 2);
    *out++ = u'-';
    putNumber(out, dayOfMonth, 2);
    *out++ = u'T';
    putNumber(out, second / 3600, 2);
    *out++ = u':';
    putNumber(out, second / 60 % 60, 2);
    *out++ = u':';
    putNumber(out, second % 60, 2);
    return result;
}

quint32 LocalTimeCache::fromIso(QStringView text, quint32* secondPass)
{
    // The form the exports write; anything else (fractions, offsets,
    // 24:00) is left to QDateTime.
    const bool plain = text.size() == 19 && text.at(4) == u'-' && text.at(7) == u'-' && text.at(10) == u'T'
        && text.at(13) == u':' && text.at(16) == u':';
    const int y = plain ? digits(text, 0, 4) : -1;
    const int mo = plain ? digits(text, 5, 2) : -1;
    const int d = plain ? digits(text, 8, 2) : -1;
    const int h = plain ? digits(text, 11, 2) : -1;
    const int mi = plain ? digits(text, 14, 2) : -1;
    const int s = plain ? digits(text, 17, 2) : -1;
    if (plain && validFields(y, mo, d, h, mi, s))
        return fromFields(y, mo, d, h, mi, s, secondPass);
    const quint32 result = secondsOf(QDateTime::fromString(text.toString(), Qt::ISODate));
    if (secondPass)
        *secondPass = result;
    return result;
}

quint32 LocalTimeCache::fromUnitWords(QStringView date, QStringView time, quint32* secondPass)
{
    const bool plain = date.size() == 10 && date.at(2) == u'.' && date.at(5) == u'.' && time.size() == 8
        && time.at(2) == u':' && time.at(5) == u':';
    const int d = plain ? digits(date, 0, 2) : -1;
    const int mo = plain ? digits(date, 3, 2) : -1;
    const int y = plain ? digits(date, 6, 4) : -1;
    const int h = plain ? digits(time, 0, 2) : -1;
    const int mi = plain ? digits(time, 3, 2) : -1;
    const int s = plain ? digits(time, 6, 2) : -1;
    if (plain && validFields(y, mo, d, h, mi, s))
        return fromFields(y, mo, d, h, mi, s, secondPass);
    // Other spellings the date library accepts (it is lenient about some
    // digit counts) read as they always did.
    const quint32 result = plain ? invalidTime
                                 : secondsOf(QDateTime::fromString(date.toString() + QLatin1Char(' ') + time.toString(),
                                                                   QStringLiteral("dd.MM.yyyy hh:mm:ss")));
    if (secondPass)
        *secondPass = result;
    return result;
}

quint32 LocalTimeCache::fromUnitBytes(const char* date, int dateLength, const char* time, int timeLength,
                                      quint32* secondPass)
{
    const auto digit = [](char c) { return c >= '0' && c <= '9' ? c - '0' : -1000; };
    const auto two = [&](const char* p) { return digit(p[0]) * 10 + digit(p[1]); };
    const bool plain = dateLength == 10 && date[2] == '.' && date[5] == '.' && timeLength == 8 && time[2] == ':'
        && time[5] == ':';
    if (plain) {
        const int d = two(date), mo = two(date + 3), century = two(date + 6), year = two(date + 8);
        const int h = two(time), mi = two(time + 3), s = two(time + 6);
        if (d >= 0 && mo >= 0 && century >= 0 && year >= 0 && h >= 0 && mi >= 0 && s >= 0) {
            const int y = century * 100 + year;
            if (!validFields(y, mo, d, h, mi, s)) {
                if (secondPass)
                    *secondPass = invalidTime;
                return invalidTime;
            }
            return fromFields(y, mo, d, h, mi, s, secondPass);
        }
    }
    return fromUnitWords(QString::fromUtf8(date, dateLength), QString::fromUtf8(time, timeLength), secondPass);
}

namespace {

// The next 1..maxCount digits of text from position at, followed by the
// character end (or the end of the text when end is 0).
int digitRun(QStringView text, int& at, int minCount, int maxCount, char16_t end)
{
    int count = 0;
    while (at + count < text.size() && count < maxCount && text.at(at + count).isDigit()
           && text.at(at + count).unicode() < 128)
        ++count;
    if (count < minCount)
        return -1;
    const int value = digits(text, at, count);
    at += count;
    if (end == 0)
        return at == text.size() ? value : -1;
    if (at >= text.size() || text.at(at) != end)
        return -1;
    ++at;
    return value;
}

} // namespace

quint32 LocalTimeCache::fromCsvText(QStringView text, quint32* secondPass)
{
    if (text.contains(u'-') || text.contains(u'T') || !text.contains(u'.'))
        return fromIso(text, secondPass);
    int at = 0;
    const int d = digitRun(text, at, 1, 2, u'.');
    const int mo = d < 0 ? -1 : digitRun(text, at, 1, 2, u'.');
    const int y = mo < 0 ? -1 : digitRun(text, at, 4, 4, u' ');
    const int h = y < 0 ? -1 : digitRun(text, at, 1, 2, u':');
    int mi = -1, s = 0;
    if (h >= 0) {
        const int afterHour = at;
        mi = digitRun(text, at, 2, 2, 0);
        if (mi < 0) {
            at = afterHour;
            mi = digitRun(text, at, 2, 2, u':');
            s = mi < 0 ? -1 : digitRun(text, at, 2, 2, 0);
        }
    }
    if (secondPass)
        *secondPass = invalidTime;
    if (!validFields(y, mo, d, h, mi, s))
        return invalidTime;
    return fromFields(y, mo, d, h, mi, s, secondPass);
}
