#include "model/historyoverlap.h"

#include "model/historyparser.h"

#include <algorithm>

namespace {

QList<QByteArray> wordsOf(const QByteArray& line)
{
    QList<QByteArray> words;
    for (const QByteArray& word : line.split(' ')) {
        if (!word.isEmpty())
            words.append(word);
    }
    return words;
}

} // namespace

std::optional<qint32> historyRecordNumber(const QByteArray& line)
{
    KelmoraFillingData record{};
    bool formatNo = false;
    bool formatDecided = false;
    if (parseHistoryLines(line + '\r', &record, 1, &formatNo, &formatDecided) != 1)
        return std::nullopt;
    return record.number;
}

// Word for word rather than field for field: a word the parser cannot
// convert becomes 0 and an unreadable date the same invalid time, so two
// different lines could give equal records. As text, every character the
// unit sent for the record counts.
bool sameHistoryRecord(const QByteArray& archived, const QByteArray& fresh)
{
    if (!historyRecordNumber(archived) || !historyRecordNumber(fresh))
        return false;
    return wordsOf(archived) == wordsOf(fresh);
}

QList<QByteArray> joinedHistory(const QList<QByteArray>& archived, const QList<QByteArray>& fresh,
                                int count)
{
    QList<QByteArray> joined = archived;
    joined.append(fresh.mid(1));
    if (count >= 0 && joined.size() > count)
        joined = joined.mid(joined.size() - count);
    return joined;
}

QByteArray historyBytes(const QList<QByteArray>& lines)
{
    QByteArray bytes;
    qsizetype size = 0;
    for (const QByteArray& line : lines)
        size += line.size() + 2;
    bytes.reserve(size);
    for (const QByteArray& line : lines)
        bytes += line + "\r\n";
    return bytes;
}

HistoryOrder historyOrder(const QList<QByteArray>& lines)
{
    int rising = 0;
    int falling = 0;
    std::optional<qint32> previous;
    for (const QByteArray& line : lines) {
        const std::optional<qint32> number = historyRecordNumber(line);
        if (!number)
            continue;
        if (previous && *number > *previous)
            ++rising;
        else if (previous && *number < *previous)
            ++falling;
        previous = number;
    }
    if (rising == falling)
        return HistoryOrder::Unknown;
    return rising > falling ? HistoryOrder::OldestFirst : HistoryOrder::NewestFirst;
}

int unreadHistoryLines(const QList<QByteArray>& lines)
{
    int unread = 0;
    for (const QByteArray& line : lines) {
        if (!historyRecordNumber(line))
            ++unread;
    }
    return unread;
}

QList<NumberGap> numberGaps(const QList<QByteArray>& lines)
{
    QList<NumberGap> gaps;
    const HistoryOrder order = historyOrder(lines);
    if (order == HistoryOrder::Unknown)
        return gaps;
    const qint64 step = order == HistoryOrder::OldestFirst ? 1 : -1;
    std::optional<qint32> previous;
    for (const QByteArray& line : lines) {
        const std::optional<qint32> number = historyRecordNumber(line);
        if (!number)
            continue;
        if (previous) {
            const qint64 jump = (qint64(*number) - *previous) * step;
            if (jump > 1) {
                const qint32 a = qint32(*previous + step);
                const qint32 b = qint32(*number - step);
                gaps.append({qMin(a, b), qMax(a, b)});
            }
        }
        previous = number;
    }
    return gaps;
}

QList<QByteArray> recordLinesOldestFirst(const QList<QByteArray>& lines)
{
    QList<QByteArray> records;
    records.reserve(lines.size());
    for (const QByteArray& line : lines) {
        if (historyRecordNumber(line))
            records.append(line);
    }
    if (historyOrder(records) == HistoryOrder::NewestFirst)
        std::reverse(records.begin(), records.end());
    return records;
}

bool runsConsecutively(const QList<QByteArray>& oldestFirst)
{
    std::optional<qint32> previous;
    for (const QByteArray& line : oldestFirst) {
        const std::optional<qint32> number = historyRecordNumber(line);
        if (!number || (previous && qint64(*number) != qint64(*previous) + 1))
            return false;
        previous = number;
    }
    return true;
}
