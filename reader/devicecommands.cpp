// The identification queries and the three setting operations. Each query
// says in its name that true means failed; a destination is only overwritten by an
// accepted reply (with 0 when its number does not convert).
#include "reader/app_kelmoradatareader.h"

#include "reader/readerprotocol.h"

namespace {

bool readInt(const QString& text, qint32* destination)
{
    bool ok = false;
    *destination = text.toInt(&ok, 10);
    return ok;
}

} // namespace

bool APP_KelmoraDataReader::namedQueryFailed(const char* line, const char* prefix, QString* reply)
{
    bool success = false;
    *reply = unitLine.transact(QLatin1String(line), commandTimeoutMs, &success);
    return !success || reply->isEmpty() || !reply->startsWith(QLatin1String(prefix));
}

bool APP_KelmoraDataReader::queryHardwareVersionFailed()
{
    QString reply;
    if (namedQueryFailed("TXP.C.HVN\r\n", "HVN.C:", &reply))
        return true;
    bool ok = false;
    unit.hardwareVersion = replyValue(reply).toDouble(&ok);
    return !ok;
}

bool APP_KelmoraDataReader::querySoftwareVersionFailed()
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

bool APP_KelmoraDataReader::queryPulseInputFailed()
{
    QString reply;
    if (namedQueryFailed("TXP.C.IMP\r\n", "IMP.C:", &reply))
        return true;
    return !readInt(replyValue(reply), &unit.pulseInput);
}

bool APP_KelmoraDataReader::querySerialNumberFailed()
{
    QString reply;
    if (namedQueryFailed("TXP.C.SNR\r\n", "SNR.C:", &reply))
        return true;
    const bool failed = !readInt(replyValue(reply), &unit.serialNumber);
    // The address of the unit on the line, for the register commands that
    // follow.
    unitAddress = unit.serialNumber;
    return failed;
}

bool APP_KelmoraDataReader::queryStatusFailed()
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

bool APP_KelmoraDataReader::queryFlagsFailed()
{
    QString reply;
    const bool failed = namedQueryFailed("TXP.C.FLG\r\n", "FLG.C:", &reply);
    qCDebug(readerLog) << "zum Kelmora -> TXP.C.FLG\\r\\n";
    qCDebug(readerLog) << "vom Kelmora <- " << reply;
    if (failed)
        return true;
    return !readInt(replyValue(reply), &unit.flags);
}

bool APP_KelmoraDataReader::queryPcmFailed()
{
    bool success = false;
    QString reply = unitLine.transact(QStringLiteral("GET.C.PCM\r\n"), commandTimeoutMs, &success);
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

bool APP_KelmoraDataReader::sendSettingFailed(const QString& line, const char* prefix)
{
    bool success = false;
    const QString reply = unitLine.transact(line, commandTimeoutMs, &success);
    return !success || reply.isEmpty() || !reply.startsWith(QLatin1String(prefix));
}

bool APP_KelmoraDataReader::readRegisterFailed(int registerNumber, qint32* destination)
{
    bool success = false;
    const QString reply = unitLine.transactRegister(
        buildRegisterCommand(unitAddress, registerNumber, 'C', false), commandTimeoutMs, &success);
    if (!success || reply.isEmpty())
        return true;
    return parseRegisterReply(unitAddress, registerNumber, 'C', destination, reply) != 0;
}

bool APP_KelmoraDataReader::writeRegisterFailed(int registerNumber, const QString& data)
{
    bool success = false;
    const QString reply = unitLine.transactRegister(
        buildRegisterCommand(unitAddress, registerNumber, 'C', true, data), commandTimeoutMs,
        &success);
    if (!success || reply.isEmpty())
        return true;
    qint32 echoed = 0;  // what the unit echoes is not compared with what was written
    return parseRegisterReply(unitAddress, registerNumber, 'C', &echoed, reply) != 0;
}

void APP_KelmoraDataReader::resetModeOperation()
{
    const bool failed = sendSettingFailed(QStringLiteral("RXP.C.BTA 1 1\r\n"), "BTA.C:")
                        || sendSettingFailed(QStringLiteral("STP.C.CON\r\n"), "STP.C:");
    emit operationModeReset(!failed);
}

void APP_KelmoraDataReader::setPulseInputOperation(qint32 value)
{
    const bool failed =
        sendSettingFailed(QStringLiteral("RXP.C.IMP %1\r\n").arg(value), "IMP.C:")
        || sendSettingFailed(QStringLiteral("STP.C.CON\r\n"), "STP.C:") || queryPulseInputFailed();
    // The pulse input as read back, for whoever asks for the identity once
    // the signal has arrived.
    publishIdentity();
    emit pulseInputSet(!failed);
}

void APP_KelmoraDataReader::setTimeOperation(quint32 secondsSinceEpoch)
{
    qint32 clockBefore = 0;  // read before and after; not compared with the time set
    qint32 clockAfter = 0;
    const QString data = clockDataText(secondsSinceEpoch);
    // A year the unit cannot hold in two digits is refused before anything
    // is sent rather than written as a malformed date.
    const bool failed = data.isEmpty() || readRegisterFailed(110, &clockBefore)
                        || writeRegisterFailed(110, data) || readRegisterFailed(110, &clockAfter)
                        || sendSettingFailed(QStringLiteral("STP.C.CON\r\n"), "STP.C:");
    if (!failed)
        emit clockReadBack(quint32(clockBefore), quint32(clockAfter));
    emit timeSet(!failed);
}
