#include "files/csvrecord.h"

#include "files/csvfields.h"

#include <cstring>

namespace {

char separatorOf(const QString& field)
{
    return field.isEmpty() ? '\0' : field.at(0).toLatin1();
}

// Converts the fields of one CSV row; the first field that does not convert
// marks the row as malformed.
class RowReader
{
public:
    explicit RowReader(const QStringList& fields) : f(fields) {}
    bool ok() const { return good; }

    qint64 integer(int index)
    {
        qint64 value = 0;
        good = csvInteger(f.at(index), value) && good;
        return value;
    }
    double decimal(int index)
    {
        double value = 0.0;
        good = csvDecimal(f.at(index), value) && good;
        return value;
    }
    qint32 limit(int index)
    {
        qint32 value = 0;
        good = csvLimit(f.at(index), value) && good;
        return value;
    }
    quint32 time(int index, LocalTimeCache& times, quint32& secondPass)
    {
        const QStringView text = QStringView(f.at(index)).trimmed();
        const quint32 value = times.fromCsvText(text, &secondPass);
        // An invalid time of the unit is written as the last second the
        // timestamp holds; that one reads back as it was written.
        good = (value != LocalTimeCache::invalidTime || text == times.isoText(value)) && good;
        return value;
    }

private:
    const QStringList& f;
    bool good = true;
};

// The measured fields of a CSV row (fields 2 to 9), in the order of the
// history line: level code, fillings, rate, line, temperature, integer
// percent, aux, fuel flow.
void fillMeasured(KelmoraFillingData& r, RowReader& row)
{
    const int first = 2;
    r.levelCode = quint16(row.integer(first));
    r.fillings = quint16(row.integer(first + 1));
    r.ratePercent = row.decimal(first + 2);
    r.linePercent = row.decimal(first + 3);
    r.temperature = row.decimal(first + 4);
    r.integerPercent = quint16(row.integer(first + 5));
    r.auxValue = row.decimal(first + 6);
    r.fuelFlow = row.decimal(first + 7);
}

} // namespace

// One CSV data row, record index of its side; false for a field count other
// than 14, 12 or 11 or a field that does not convert (a malformed row).
bool recordFromCsvFields(const QStringList& f, KelmoraFillingData& r, RowTimes& times, int index)
{
    const int n = f.size();
    if (n != 14 && n != 12 && n != 11)
        return false;
    std::memset(&r, 0, sizeof r);
    RowReader row(f);
    r.number = qint32(row.integer(0));
    quint32 secondPass = 0;
    r.timestamp = row.time(1, times.cache, secondPass);
    fillMeasured(r, row);
    if (n >= 12)
        r.optionalFirst = row.decimal(10);
    if (n == 14) {
        r.optionalSecond = row.decimal(11);
        r.limit = row.limit(12);
    }
    r.separator = separatorOf(f.at(n - 1));
    if (row.ok())
        times.repeated.note(index, r.timestamp, secondPass);
    return row.ok();
}
