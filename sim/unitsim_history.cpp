#include "unitsim_history.h"

#include "unitsim_options.h"

#include <QJsonValue>

#include <cmath>
#include <random>

namespace {

// Values are sent with one decimal; keeping them rounded makes the dump
// equal to what a parser reads back from the line.
double oneDecimal(double value)
{
    return std::round(value * 10.0) / 10.0;
}

QByteArray decimal(double value)
{
    return QByteArray::number(value, 'f', 1);
}

int wordCountFor(const QString& words, std::mt19937& rng)
{
    if (words == QLatin1String("mixed")) {
        static const int counts[] = {11, 12, 14};
        return counts[rng() % 3];
    }
    return words.toInt();
}

} // namespace

QVector<SimRecord> generateHistory(char side, int count, const UnitSimOptions& options)
{
    std::mt19937 rng(options.seed * 2u + (side == 'B' ? 1u : 0u));
    auto uniform = [&rng](double low, double high) {
        return low + (high - low) * (double(rng()) / double(std::mt19937::max()));
    };
    auto integer = [&rng](int low, int high) { return low + int(rng() % unsigned(high - low + 1)); };

    QVector<SimRecord> records;
    records.reserve(count);
    qint32 number = 100 + integer(0, 900);
    if (options.firstNumber >= 0)
        number = options.firstNumber;
    QDateTime time(QDate(2024, 1, 8), QTime(6, 0, 0));
    time = time.addSecs(qint64(integer(0, 86400 * 20)));
    int fillings = integer(0, 50);
    for (int i = 0; i < count; ++i) {
        SimRecord r;
        if (number == options.skipNumber)
            ++number;
        r.number = number++;
        time = time.addSecs(qint64(integer(180, 5400)));
        r.time = time;
        r.levelCode = integer(1, 22); // below and above 11
        fillings += integer(1, 3);
        r.fillings = fillings % 1000;
        r.ratePercent = oneDecimal(uniform(80.0, 120.0));
        r.linePercent = oneDecimal(uniform(75.0, 125.0));
        r.temperature = oneDecimal(uniform(5.0, 35.0));
        r.integerPercent = integer(85, 115);
        r.auxValue = oneDecimal(uniform(40.0, 160.0));
        r.fuelFlow = oneDecimal(uniform(20.0, 45.0));
        r.optionalFirst = oneDecimal(uniform(80.0, 120.0));
        r.optionalSecond = oneDecimal(uniform(0.0, 100.0));
        const int limitKind = integer(0, 9);
        r.limitWord = limitKind < 6 ? QByteArray("NOLIM")
                    : limitKind < 8 ? QByteArray("SWOFF")
                                    : QByteArray::number(integer(5, 60));
        r.wordCount = wordCountFor(options.words, rng);
        records.append(r);
    }
    return records;
}

QByteArray historyLine(char side, const SimRecord& r, const UnitSimOptions& options)
{
    QByteArray line;
    line += side;
    line += "=N";
    line += options.tag == QLatin1String("No") ? 'o' : 'r';
    line += options.separator;
    line += QByteArray::number(r.number);
    line += ' ' + r.time.toString(QStringLiteral("hh:mm:ss")).toLatin1();
    line += ' ' + r.time.toString(QStringLiteral("dd.MM.yyyy")).toLatin1();
    line += ' ' + QByteArray::number(r.levelCode);
    line += ' ' + QByteArray::number(r.fillings);
    line += ' ' + decimal(r.ratePercent);
    line += ' ' + decimal(r.linePercent);
    line += ' ' + decimal(r.temperature);
    line += ' ' + QByteArray::number(r.integerPercent);
    line += ' ' + decimal(r.auxValue);
    line += ' ' + decimal(r.fuelFlow);
    if (r.wordCount >= 12)
        line += ' ' + decimal(r.optionalFirst);
    if (r.wordCount == 14) {
        line += ' ' + decimal(r.optionalSecond);
        line += ' ' + r.limitWord;
    }
    line += "\r\n";
    return line;
}

QJsonObject recordJson(const SimRecord& r, char separator)
{
    qint64 limit = 0;
    if (r.wordCount == 14)
        limit = r.limitWord == "NOLIM" ? 0 : r.limitWord == "SWOFF" ? -1 : r.limitWord.toLongLong();
    QJsonObject o;
    o[QStringLiteral("number")] = r.number;
    o[QStringLiteral("timestamp")] = r.time.toString(Qt::ISODate);
    o[QStringLiteral("levelCode")] = r.levelCode;
    o[QStringLiteral("fillings")] = r.fillings;
    o[QStringLiteral("ratePercent")] = r.ratePercent;
    o[QStringLiteral("linePercent")] = r.linePercent;
    o[QStringLiteral("temperature")] = r.temperature;
    o[QStringLiteral("integerPercent")] = r.integerPercent;
    o[QStringLiteral("auxValue")] = r.auxValue;
    o[QStringLiteral("fuelFlow")] = r.fuelFlow;
    o[QStringLiteral("optionalFirst")] = r.wordCount >= 12 ? r.optionalFirst : 0.0;
    o[QStringLiteral("optionalSecond")] = r.wordCount == 14 ? r.optionalSecond : 0.0;
    o[QStringLiteral("limit")] = limit;
    o[QStringLiteral("separator")] = QString(QLatin1Char(separator));
    return o;
}
