#include "files/filetime.h"

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

bool LocalTimeCache::utcOfLocal(qint64 local, qint64& utc)
{
    int guess = 0;
    if (!steadyOffset(local, guess))
        return false;
    utc = local - guess;
    // No transition within half a day either side: the local time then
    // exists exactly once, with this offset.
    int at = 0, before = 0, after = 0;
    return steadyOffset(utc, at) && steadyOffset(utc - secondsPerDay / 2, before)
        && steadyOffset(utc + secondsPerDay / 2, after) && at == guess && before == guess && after == guess;
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

quint32 LocalTimeCache::fromIso(QStringView text)
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
    qint64 utc = 0;
    if (!plain || !validFields(y, mo, d, h, mi, s)
        || !utcOfLocal(daysFromCivil(y, mo, d) * secondsPerDay + h * 3600 + mi * 60 + s, utc)
        || utc < 0 || utc >= qint64(invalidTime))
        return secondsOf(QDateTime::fromString(text.toString(), Qt::ISODate));
    return quint32(utc);
}

quint32 LocalTimeCache::fromUnitWords(QStringView date, QStringView time)
{
    const bool plain = date.size() == 10 && date.at(2) == u'.' && date.at(5) == u'.' && time.size() == 8
        && time.at(2) == u':' && time.at(5) == u':';
    const int d = plain ? digits(date, 0, 2) : -1;
    const int mo = plain ? digits(date, 3, 2) : -1;
    const int y = plain ? digits(date, 6, 4) : -1;
    const int h = plain ? digits(time, 0, 2) : -1;
    const int mi = plain ? digits(time, 3, 2) : -1;
    const int s = plain ? digits(time, 6, 2) : -1;
    qint64 utc = 0;
    if (!plain || !validFields(y, mo, d, h, mi, s)
        || !utcOfLocal(daysFromCivil(y, mo, d) * secondsPerDay + h * 3600 + mi * 60 + s, utc)
        || utc < 0 || utc >= qint64(invalidTime))
        return secondsOf(QDateTime::fromString(date.toString() + QLatin1Char(' ') + time.toString(),
                                               QStringLiteral("dd.MM.yyyy hh:mm:ss")));
    return quint32(utc);
}
