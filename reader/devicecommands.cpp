// The three setting operations; their transactions are UnitQueries'.
#include "reader/app_kelmoradatareader.h"

#include "reader/readerprotocol.h"

void APP_KelmoraDataReader::resetModeOperation()
{
    const bool failed = queries.sendSettingFailed(QStringLiteral("RXP.C.BTA 1 1\r\n"), "BTA.C:")
                        || queries.sendSettingFailed(QStringLiteral("STP.C.CON\r\n"), "STP.C:");
    emit operationModeReset(!failed);
}

void APP_KelmoraDataReader::setPulseInputOperation(qint32 value)
{
    const bool failed =
        queries.sendSettingFailed(QStringLiteral("RXP.C.IMP %1\r\n").arg(value), "IMP.C:")
        || queries.sendSettingFailed(QStringLiteral("STP.C.CON\r\n"), "STP.C:")
        || queries.pulseInputFailed();
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
    const bool failed = data.isEmpty() || queries.readRegisterFailed(110, &clockBefore)
                        || queries.writeRegisterFailed(110, data)
                        || queries.readRegisterFailed(110, &clockAfter)
                        || queries.sendSettingFailed(QStringLiteral("STP.C.CON\r\n"), "STP.C:");
    if (!failed)
        emit clockReadBack(quint32(clockBefore), quint32(clockAfter));
    emit timeSet(!failed);
}
