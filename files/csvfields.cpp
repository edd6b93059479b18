#include "files/csvfields.h"

namespace {

// Scans a field that starts with '"' at position at. Returns the position
// just past its closing quote and appends its text to value, or -1 when no
// closing quote follows (the field is still open at the end of the text).
qsizetype scanQuoted(QStringView text, qsizetype at, QString* value)
{
    qsizetype j = at + 1;
    while (j < text.size()) {
        if (text.at(j) != u'"') {
            if (value)
                value->append(text.at(j));
            ++j;
        } else if (j + 1 < text.size() && text.at(j + 1) == u'"') {
            if (value)
                value->append(u'"');
            j += 2;
        } else {
            return j + 1;
        }
    }
    return -1;
}

bool endsField(QStringView text, qsizetype at)
{
    return at == text.size() || text.at(at) == u';';
}

} // namespace

QString csvField(const QString& text)
{
    if (!text.contains(u';') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QStringList splitCsvRecord(const QString& record)
{
    if (!record.contains(u'"'))
        return record.split(u';', Qt::KeepEmptyParts);
    QStringList fields;
    const QStringView text(record);
    qsizetype at = 0;
    for (;;) {
        if (at < text.size() && text.at(at) == u'"') {
            QString value;
            const qsizetype end = scanQuoted(text, at, &value);
            if (end >= 0 && endsField(text, end)) {
                fields.append(value);
                if (end == text.size())
                    return fields;
                at = end + 1;
                continue;
            }
        }
        const qsizetype end = record.indexOf(u';', at);
        if (end < 0) {
            fields.append(record.mid(at));
            return fields;
        }
        fields.append(record.mid(at, end - at));
        at = end + 1;
    }
}

bool csvRecordOpen(QStringView record)
{
    if (!record.contains(u'"'))
        return false;
    qsizetype at = 0;
    for (;;) {
        if (at < record.size() && record.at(at) == u'"') {
            const qsizetype end = scanQuoted(record, at, nullptr);
            if (end < 0)
                return true;
            if (endsField(record, end)) {
                if (end == record.size())
                    return false;
                at = end + 1;
                continue;
            }
        }
        const qsizetype end = record.indexOf(u';', at);
        if (end < 0)
            return false;
        at = end + 1;
    }
}

bool csvDecimal(const QString& field, double& value)
{
    bool ok = false;
    const QString text = field.trimmed();
    value = text.toDouble(&ok);
    if (ok)
        return true;
    if (text.count(u',') != 1 || text.contains(u'.'))
        return false;
    QString pointed = text;
    pointed.replace(u',', u'.');
    value = pointed.toDouble(&ok);
    return ok;
}

bool csvInteger(const QString& field, qint64& value)
{
    bool ok = false;
    value = field.trimmed().toLongLong(&ok, 10);
    return ok;
}

bool csvLimit(const QString& field, qint32& value)
{
    if (field == QLatin1String("NOLIM")) {
        value = 0;
        return true;
    }
    if (field == QLatin1String("SWOFF")) {
        value = -1;
        return true;
    }
    bool ok = false;
    const quint32 number = field.trimmed().toUInt(&ok, 10);
    value = qint32(number);
    return ok;
}
