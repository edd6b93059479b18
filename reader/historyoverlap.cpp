#include "reader/historyoverlap.h"

#include "reader/historyparser.h"

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
