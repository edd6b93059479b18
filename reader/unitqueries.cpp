// The identification queries and the register and setting transactions.
#include "reader/unitqueries.h"

#include "reader/readerprotocol.h"
#include "reader/registerframing.h"

namespace {

bool readInt(const QString& text, qint32* destination)
{
    bool ok = false;
    *destination = text.toInt(&ok, 10);
    return ok;
}

} // namespace

UnitQueries::UnitQueries(ReaderLine& readerLine, UnitIdentity& identity, qint32& unitAddress)
    : line(readerLine), unit(identity), address(unitAddress)
{
}

bool UnitQueries::namedQueryFailed(const char* query, const char* prefix, QString* reply)
{
    bool success = false;
    *reply = line.transact(QLatin1String(query), commandTimeoutMs, &success);
    return !success || reply->isEmpty() || !reply->startsWith(QLatin1String(prefix));
}

bool UnitQueries::hardwareVersionFailed()
{
    QString reply;
    if (namedQueryFailed("TXP.C.HVN\r\n", "HVN.C:", &reply))
        return true;
    bool ok = false;
    unit.hardwareVersion = replyValue(reply).toDouble(&ok);
    return !ok;
}

bool UnitQueries::softwareVersionFailed()
{
    QString reply;
    if (namedQueryFailed("TXP.C.SVN\r\n", "SVN.C:", &reply))
        return true;
    unit.softwareVersion = replyValue(reply).trimmed();
    unit.softwareVersionNumber = softwareVersionNumberOf(unit.softwareVersion);
    qCDebug(readerLog) << "software version" << unit.softwareVersion << "number"
                       << unit.softwareVersionNumber;
    return false;
}

bool UnitQueries::pulseInputFailed()
{
    QString reply;
    if (namedQueryFailed("TXP.C.IMP\r\n", "IMP.C:", &reply))
        return true;
    return !readInt(replyValue(reply), &unit.pulseInput);
}

bool UnitQueries::serialNumberFailed()
{
    QString reply;
    if (namedQueryFailed("TXP.C.SNR\r\n", "SNR.C:", &reply))
        return true;
    const bool failed = !readInt(replyValue(reply), &unit.serialNumber);
    // The address of the unit on the line, for the register commands that
    // follow.
    address = unit.serialNumber;
    return failed;
}

bool UnitQueries::statusFailed()
{
    QString reply;
    if (namedQueryFailed("GET.C.STS\r\n", "STS.C:", &reply))
        return true;
    const QString value = replyValue(reply).trimmed();
    if (!value.contains(QLatin1Char(' ')))
        return true;
    if (!readInt(value.section(QLatin1Char(' '), 0, 0), &unit.statusSideA))
        return true;
    return !readInt(value.section(QLatin1Char(' '), 1, 1), &unit.statusSideB);
}

bool UnitQueries::flagsFailed()
{
    QString reply;
    const bool failed = namedQueryFailed("TXP.C.FLG\r\n", "FLG.C:", &reply);
    qCDebug(readerLog) << "zum Kelmora -> TXP.C.FLG\\r\\n";
    qCDebug(readerLog) << "vom Kelmora <- " << reply;
    if (failed)
        return true;
    return !readInt(replyValue(reply), &unit.flags);
}

bool UnitQueries::pcmFailed()
{
    bool success = false;
    QString reply = line.transact(QStringLiteral("GET.C.PCM\r\n"), commandTimeoutMs, &success);
    if (!success || reply.isEmpty()) {
        unit.pcmText = QStringLiteral("-1");
        return true;
    }
    if (!reply.startsWith(QLatin1String("PCM.C:")))
        return true;
    if (reply.contains(QLatin1String("Fehler"))) {
        unit.pcmText = QStringLiteral("-1");
        return false;
    }
    if (reply.size() > 19)
        reply.truncate(20);
    unit.pcmText = replyValue(reply);
    return false;
}

bool UnitQueries::sendSettingFailed(const QString& settingLine, const char* prefix)
{
    bool success = false;
    const QString reply = line.transact(settingLine, commandTimeoutMs, &success);
    return !success || reply.isEmpty() || !reply.startsWith(QLatin1String(prefix));
}

bool UnitQueries::readRegisterFailed(int registerNumber, qint32* destination)
{
    bool success = false;
    const QString command = RegisterFraming::buildRegisterCommand(address, registerNumber, 'C', false);
    const QString reply = line.transactRegister(command, commandTimeoutMs, &success);
    if (!success || reply.isEmpty())
        return true;
    return RegisterFraming::parseRegisterReply(address, registerNumber, 'C', destination, reply) != 0;
}

bool UnitQueries::writeRegisterFailed(int registerNumber, const QString& data)
{
    bool success = false;
    const QString command =
        RegisterFraming::buildRegisterCommand(address, registerNumber, 'C', true, data);
    const QString reply = line.transactRegister(command, commandTimeoutMs, &success);
    if (!success || reply.isEmpty())
        return true;
    qint32 echoed = 0;  // what the unit echoes is not compared with what was written
    return RegisterFraming::parseRegisterReply(address, registerNumber, 'C', &echoed, reply) != 0;
}
