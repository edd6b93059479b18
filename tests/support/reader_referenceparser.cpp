#include "reader_referenceparser.h"

#include "model/historyparser.h"

#include <QDateTime>
#include <QStringList>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

int offsetAt(qint64 utc)
{
    return QDateTime::fromSecsSinceEpoch(utc).offsetFromUtc();
}

// The unit's local date and time: a time in a gap moves forward by the gap,
// one in a repeated hour has two readings (first, second).
bool referenceTime(const QString& date, const QString& time, qint64& first, qint64& second)
{
    const QDate d = QDate::fromString(date, QStringLiteral("dd.MM.yyyy"));
    const QTime t = QTime::fromString(time, QStringLiteral("hh:mm:ss"));
    if (!d.isValid() || !t.isValid())
        return false;
    const qint64 local = QDateTime(d, t, Qt::UTC).toSecsSinceEpoch();
    const int before = offsetAt(local - 15 * 3600);
    const int after = offsetAt(local + 13 * 3600);
    const bool early = offsetAt(local - before) == before;
    const bool late = offsetAt(local - after) == after;
    first = second = local - before;
    if (early && late) {
        first = qMin(local - before, local - after);
        second = qMax(local - before, local - after);
    } else if (late) {
        first = second = local - after;
    }
    return first >= 0 && first < 0xFFFFFFFFll;
}

} // namespace

int referenceParseHistoryLines(const QByteArray& bytes, KelmoraFillingData* out, int capacity,
                               bool* formatNo, bool* formatDecided)
{
    std::vector<std::pair<int, quint32>> repeated;
    int records = 0;
    const QList<QByteArray> pieces = bytes.split('\r');
    // The last piece never ended with a CR.
    for (int i = 0; i + 1 < pieces.size() && records < capacity; ++i) {
        QByteArray piece = pieces.at(i);
        while (piece.startsWith('\n'))
            piece.remove(0, 1);
        if (!isHistoryLine(piece.constData(), int(piece.size())))
            continue;
        const QString line = QString::fromUtf8(piece);
        const QStringList w = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        applyFormatTag(w.at(0), formatNo, formatDecided);
        const int n = w.size();
        if (n != 14 && n != 12 && n != 11)
            continue;
        KelmoraFillingData& r = out[records];
        std::memset(&r, 0, sizeof r);
        r.separator = w.at(0).size() > 4 ? w.at(0).at(4).toLatin1() : '\0';
        r.number = w.at(0).mid(5).toInt();
        qint64 first = 0, second = 0;
        if (referenceTime(w.at(2), w.at(1), first, second)) {
            r.timestamp = quint32(first);
            if (second != first && second < 0xFFFFFFFFll)
                repeated.push_back({records, quint32(second)});
        } else {
            r.timestamp = 0xFFFFFFFFu;
        }
        r.levelCode = quint16(w.at(3).toInt());
        r.fillings = quint16(w.at(4).toInt());
        r.ratePercent = w.at(5).toDouble();
        r.linePercent = w.at(6).toDouble();
        r.temperature = w.at(7).toDouble();
        r.integerPercent = quint16(w.at(8).toInt());
        r.auxValue = w.at(9).toDouble();
        r.fuelFlow = w.at(10).toDouble();
        r.optionalFirst = n >= 12 ? w.at(11).toDouble() : 0.0;
        r.optionalSecond = n == 14 ? w.at(12).toDouble() : 0.0;
        r.limit = n == 14 ? parseLimit(w.at(13)) : 0;
        ++records;
    }
    // The repeated hour: by record number, the first reading unless it
    // would go back before the previous valid time.
    if (!repeated.empty()) {
        std::vector<int> order(static_cast<size_t>(records));
        for (int i = 0; i < records; ++i)
            order[size_t(i)] = i;
        std::stable_sort(order.begin(), order.end(), [out](int a, int b) { return out[a].number < out[b].number; });
        bool have = false;
        quint32 previous = 0;
        for (int i : order) {
            if (out[i].timestamp == 0xFFFFFFFFu)
                continue;
            for (const auto& r : repeated) {
                if (r.first == i && have && out[i].timestamp < previous)
                    out[i].timestamp = r.second;
            }
            previous = out[i].timestamp;
            have = true;
        }
    }
    return records;
}
