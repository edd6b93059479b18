// The register command lines with their checksum and the framing checks of
// their replies.
#include "reader/registerframing.h"

#include "reader/readerprotocol.h"

#include <QStringList>

QString RegisterFraming::buildRegisterCommand(int address, int registerNumber, char side,
                                              bool write, const QString& data)
{
    QString text = QLatin1String(write ? "W;" : "R;") + QString::number(address)
                   + QLatin1Char(';') + QLatin1Char(side) + QLatin1Char(';')
                   + QString::number(registerNumber) + QLatin1Char(';');
    if (write)
        text += data + QLatin1Char(';');
    return text + QString::number(registerChecksum(text)) + QLatin1String("\r\n");
}

int RegisterFraming::registerChecksum(const QString& text)
{
    int sum = 0;
    const QByteArray bytes = text.toLatin1();
    for (const char byte : bytes)
        sum += static_cast<signed char>(byte);
    while (sum > 255)
        sum -= 255;
    return sum + 1;
}

namespace {

bool decimalField(const QString& field, qint32* value)
{
    bool ok = false;
    *value = field.toInt(&ok, 10);
    return ok;
}

quint8 unitErrorResult(const QStringList& fields)
{
    if (fields.size() < 4)
        return 1;
    qint32 code = 0;
    if (!decimalField(fields.at(3), &code))
        return 1;
    switch (code) {
    case 1: return 2;
    case 2: return 3;
    case 3: return 4;
    default: return 1;
    }
}

} // namespace

quint8 RegisterFraming::parseRegisterReply(int address, int /*registerNumber*/, char side,
                                           qint32* destination, const QString& reply)
{
    QString text = reply;
    text.replace(QLatin1Char(' '), QLatin1Char(';'));
    const QStringList fields = text.split(QLatin1Char(';'), Qt::KeepEmptyParts);
    const QString& kind = fields.at(0);
    if (kind != QLatin1String("r") && kind != QLatin1String("w") && kind != QLatin1String("e"))
        return 1;
    qint32 number = 0;
    if (fields.size() < 2 || !decimalField(fields.at(1), &number) || number != address)
        return 1;
    if (fields.size() < 3 || fields.at(2) != QString(QLatin1Char(side)))
        return 1;
    if (kind == QLatin1String("e"))
        return unitErrorResult(fields);
    // The unit's register number decides the decoding, not the one asked for.
    qint32 echoedRegister = 0;
    if (fields.size() < 4 || !decimalField(fields.at(3), &echoedRegister))
        return 1;
    QList<qint32> values;
    for (int i = 4; i < fields.size() - 1; ++i) {
        qint32 value = 0;
        if (!decimalField(fields.at(i), &value))
            return 1;
        values.append(value);
    }
    qint32 checksum = 0;
    if (fields.size() < 5 || !decimalField(fields.last(), &checksum))
        return 1;
    // A reply that carries fewer values than the register's decoding reads
    // must not be decoded from values that are not there.
    const int needed = registerValueCount(echoedRegister);
    if (values.size() < needed)
        return 1;
    if (needed == 1)
        *destination = values.at(0);
    else if (needed == 2)
        *destination = qint32(clockRegisterSeconds(values.at(0), values.at(1)));
    return 0;
}
