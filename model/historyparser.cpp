#include "model/historyparser.h"

#include <QLoggingCategory>
#include <QStringList>

#include <cstring>

namespace {

// The reader's category: the history lines are traced with its replies
// (QT_LOGGING_RULES="kelmora.reader.debug=true").
Q_LOGGING_CATEGORY(readerLog, "kelmora.reader", QtWarningMsg)

// A word of a history line: bytes of the line between blanks.
struct Word {
    const char* bytes;
    int length;

    bool ascii() const
    {
        for (int i = 0; i < length; ++i) {
            if (static_cast<unsigned char>(bytes[i]) >= 0x80)
                return false;
        }
        return true;
    }
    QString text() const { return QString::fromUtf8(bytes, length); }
};

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Powers of ten a double holds exactly.
constexpr double exactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                       1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The plain forms the unit writes, "-12", "98.5": up to 15 significant
// digits, no leading zeros before other digits, no exponent. The digits
// then form an integer a double holds exactly, and one division by an exact
// power of ten rounds correctly, as the full conversion does. Anything else
// (exponents, signs on zero, blanks, other characters) goes the full way.
bool plainDecimal(const Word& w, double& value)
{
    int i = 0;
    const bool negative = w.length > 0 && w.bytes[0] == '-';
    i += negative;
    const int intStart = i;
    qint64 mantissa = 0;
    int digits = 0;
    while (i < w.length && isDigit(w.bytes[i])) {
        if (++digits > 15)
            return false;
        mantissa = mantissa * 10 + (w.bytes[i++] - '0');
    }
    const int intDigits = i - intStart;
    if (intDigits == 0 || (intDigits > 1 && w.bytes[intStart] == '0'))
        return false;
    int fraction = 0;
    if (i < w.length && w.bytes[i] == '.') {
        ++i;
        while (i < w.length && isDigit(w.bytes[i])) {
            if (++digits > 15)
                return false;
            mantissa = mantissa * 10 + (w.bytes[i++] - '0');
            ++fraction;
        }
        if (fraction == 0)
            return false;
    }
    if (i != w.length || (negative && mantissa == 0))
        return false;
    value = double(mantissa) / exactPowersOfTen[fraction];
    if (negative)
        value = -value;
    return true;
}

// "-12", "250": up to 9 digits without a leading zero (or "0" itself).
bool plainInteger(const Word& w, int& value)
{
    int i = w.length > 0 && w.bytes[0] == '-' ? 1 : 0;
    const int start = i;
    int result = 0;
    while (i < w.length && isDigit(w.bytes[i])) {
        if (i - start == 9)
            return false;  // may not fit: the full conversion decides
        result = result * 10 + (w.bytes[i++] - '0');
    }
    const int count = i - start;
    if (i != w.length || count == 0 || (count > 1 && w.bytes[start] == '0')
        || (start == 1 && result == 0))
        return false;
    value = start ? -result : result;
    return true;
}

// C-locale conversions; 0 when the word does not convert.
double decimal(const Word& w)
{
    double value = 0.0;
    return plainDecimal(w, value) ? value : w.text().toDouble();
}

int integer(const Word& w)
{
    int value = 0;
    return plainInteger(w, value) ? value : w.text().toInt();
}

// Integer fields keep the low 16 bits of a signed conversion: -1 is 65535.
quint16 low16(const Word& w)
{
    return quint16(integer(w));
}

qint32 limitOf(const Word& w)
{
    if (w.length == 5 && std::memcmp(w.bytes, "NOLIM", 5) == 0)
        return 0;
    if (w.length == 5 && std::memcmp(w.bytes, "SWOFF", 5) == 0)
        return -1;
    return parseLimit(w.text());
}

bool contains(const Word& w, const char* pair)
{
    for (int i = 0; i + 1 < w.length; ++i) {
        if (w.bytes[i] == pair[0] && w.bytes[i + 1] == pair[1])
            return true;
    }
    return false;
}

// Splits on blanks, dropping empty words. Splitting the UTF-8 bytes gives
// the words of the decoded text: a blank is never part of a longer sequence.
// Returns the number of words; only the first maxWords are stored.
constexpr int maxWords = 15;
int splitWords(const char* line, int length, Word* words)
{
    int count = 0;
    int i = 0;
    while (i < length) {
        while (i < length && line[i] == ' ')
            ++i;
        if (i == length)
            break;
        const int start = i;
        while (i < length && line[i] != ' ')
            ++i;
        if (count < maxWords)
            words[count] = {line + start, i - start};
        ++count;
    }
    return count;
}

void applyFormatTag(const Word& first, bool* formatNo, bool* formatDecided)
{
    if (*formatDecided)
        return;
    if (contains(first, "Nr")) {
        *formatNo = false;
        *formatDecided = true;
    } else if (contains(first, "No")) {
        *formatNo = true;
        *formatDecided = true;
    }
}

// Word 0 is the side, "=N", a letter, the separator and the number.
void fillTag(const Word& first, KelmoraFillingData* record)
{
    if (first.ascii()) {
        record->separator = first.length > 4 ? first.bytes[4] : '\0';
        const Word number{first.bytes + qMin(5, first.length), qMax(0, first.length - 5)};
        record->number = integer(number);
        return;
    }
    const QString text = first.text();
    record->separator = text.size() > 4 ? text.at(4).toLatin1() : '\0';
    record->number = text.mid(5).toInt();
}

void fillWords(const Word* w, int count, KelmoraFillingData* record, HistoryTimes& times, int index)
{
    fillTag(w[0], record);
    quint32 secondPass = 0;
    record->timestamp = times.cache.fromUnitBytes(w[2].bytes, w[2].length, w[1].bytes, w[1].length, &secondPass);
    times.repeated.note(index, record->timestamp, secondPass);
    record->levelCode = low16(w[3]);
    record->fillings = low16(w[4]);
    record->ratePercent = decimal(w[5]);
    record->linePercent = decimal(w[6]);
    record->temperature = decimal(w[7]);
    record->integerPercent = low16(w[8]);
    record->auxValue = decimal(w[9]);
    record->fuelFlow = decimal(w[10]);
    record->optionalFirst = count >= 12 ? decimal(w[11]) : 0.0;
    record->optionalSecond = count == 14 ? decimal(w[12]) : 0.0;
    record->limit = count == 14 ? limitOf(w[13]) : 0;
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

int parseHistoryLine(const char* line, int length, KelmoraFillingData* record, HistoryTimes& times, int index,
                     bool* formatNo, bool* formatDecided)
{
    if (!isHistoryLine(line, length))
        return -1;
    Word words[maxWords] = {};
    const int count = splitWords(line, length, words);
    applyFormatTag(words[0], formatNo, formatDecided);
    if (count != 14 && count != 12 && count != 11)
        return count;
    fillWords(words, count, record, times, index);
    return count;
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
    HistoryTimes times;
    const bool trace = readerLog().isDebugEnabled();
    // Line feeds (and empty lines) in front of a line belong to no line.
    while (position < length && (data[position] == '\r' || data[position] == '\n'))
        ++position;
    while (records < capacity && position < length) {
        const char* end = static_cast<const char*>(std::memchr(data + position, '\r', size_t(length - position)));
        if (!end)
            break;  // the last line never ended: it may be cut off
        const int lineEnd = int(end - data);
        const int lineLength = lineEnd - position;
        const int words = parseHistoryLine(data + position, lineLength, &out[records], times, records, formatNo,
                                           formatDecided);
        if (words == 14 || words == 12 || words == 11)
            ++records;
        if (trace && words >= 0)
            qCDebug(readerLog) << "Line :" << records << "Splits 1 :" << words << "14 ?";
        else if (trace && lineLength > 0)
            qCDebug(readerLog) << QString::fromUtf8(data + position, lineLength);
        position = lineEnd;
        while (position < length && (data[position] == '\r' || data[position] == '\n'))
            ++position;
    }
    times.repeated.settle(out, records);
    return records;
}
