#include "reader/historyparser.h"

#include "reader/readerprotocol.h"

#include <QDateTime>
#include <QStringList>

namespace {

// Integer fields keep the low 16 bits of a signed conversion: -1 is 65535.
quint16 low16(const QString& word)
{
    return quint16(word.toInt());  // 0 when it does not convert
}

double decimal(const QString& word)
{
    return word.toDouble();  // C locale; 0 when it does not convert
}

quint32 historyTimestamp(const QString& time, const QString& date)
{
    const QDateTime stamp = QDateTime::fromString(date + QLatin1Char(' ') + time,
                                                  QStringLiteral("dd.MM.yyyy hh:mm:ss"));
    // An unreadable date keeps all bits set, as the older date library gave.
    if (!stamp.isValid())
        return 0xFFFFFFFFu;
    return quint32(stamp.toSecsSinceEpoch());
}

} // namespace

bool isHistoryLine(const char* bytes, int length)
{
    return length >= 3 && (bytes[0] == 'A' || bytes[0] == 'B') && bytes[1] == '=' && bytes[2] == 'N';
}

bool isHistoryLine(const QString& line)
{
    return line.startsWith(QLatin1String("A=N")) || line.startsWith(QLatin1String("B=N"));
}

void applyFormatTag(const QString& firstWord, bool* formatNo, bool* formatDecided)
{
    if (*formatDecided)
        return;
    if (firstWord.contains(QLatin1String("Nr"))) {
        *formatNo = false;
        *formatDecided = true;
    } else if (firstWord.contains(QLatin1String("No"))) {
        *formatNo = true;
        *formatDecided = true;
    }
}

bool parseHistoryWords(const QStringList& words, KelmoraFillingData* record)
{
    const int count = words.size();
    if (count != 14 && count != 12 && count != 11)
        return false;
    const QString& first = words.at(0);
    record->separator = first.size() > 4 ? first.at(4).toLatin1() : '\0';
    record->number = first.mid(5).toInt();
    record->timestamp = historyTimestamp(words.at(1), words.at(2));
    record->levelCode = low16(words.at(3));
    record->fillings = low16(words.at(4));
    record->ratePercent = decimal(words.at(5));
    record->linePercent = decimal(words.at(6));
    record->temperature = decimal(words.at(7));
    record->integerPercent = low16(words.at(8));
    record->auxValue = decimal(words.at(9));
    record->fuelFlow = decimal(words.at(10));
    record->optionalFirst = count >= 12 ? decimal(words.at(11)) : 0.0;
    record->optionalSecond = count == 14 ? decimal(words.at(12)) : 0.0;
    record->limit = count == 14 ? parseLimit(words.at(13)) : 0;
    return true;
}

int countLineEnds(const QByteArray& bytes)
{
    return int(bytes.count('\r'));
}

int parseHistoryLines(const QByteArray& bytes, KelmoraFillingData* out, int capacity,
                      bool* formatNo, bool* formatDecided)
{
    const int length = bytes.size();
    const char* data = bytes.constData();
    int position = 0;
    int records = 0;
    // Line feeds (and empty lines) in front of a line belong to no line.
    while (position < length && (data[position] == '\r' || data[position] == '\n'))
        ++position;
    while (records < capacity && position < length) {
        const int lineEnd = bytes.indexOf('\r', position);
        if (lineEnd < 0)
            break;  // the last line never ended: it may be cut off
        const int lineLength = lineEnd - position;
        if (isHistoryLine(data + position, lineLength)) {
            const QString line = QString::fromUtf8(data + position, lineLength);
            const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            applyFormatTag(words.at(0), formatNo, formatDecided);
            KelmoraFillingData& record = out[records];
            if (parseHistoryWords(words, &record)) {
                ++records;
            }
            qCDebug(readerLog) << "Line :" << records << "Splits 1 :" << words.size() << "14 ?";
        } else if (lineLength > 0) {
            qCDebug(readerLog) << QString::fromUtf8(data + position, lineLength);
        }
        position = lineEnd;
        while (position < length && (data[position] == '\r' || data[position] == '\n'))
            ++position;
    }
    return records;
}
