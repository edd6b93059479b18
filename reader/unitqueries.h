// The identification queries, the setting lines and the register reads and
// writes of one operation, on the reader's line to the identified unit. Each
// says in its name that true means failed (no answer, a malformed one, or a
// unit error); a value of the identity is only overwritten by an accepted
// reply (with 0 when its number does not convert). Reader thread only.
#pragma once

#include "model/unitidentity.h"
#include "reader/readerline.h"

#include <QString>
#include <QtGlobal>

class UnitQueries
{
public:
    // The queries fill in `unit`; the serial number query also sets
    // `address`, the unit the register commands that follow address.
    UnitQueries(ReaderLine& line, UnitIdentity& unit, qint32& address);

    bool hardwareVersionFailed();
    bool softwareVersionFailed();
    bool pulseInputFailed();
    bool serialNumberFailed();
    bool statusFailed();
    bool flagsFailed();
    bool pcmFailed();
    bool sendSettingFailed(const QString& settingLine, const char* prefix);
    bool readRegisterFailed(int registerNumber, qint32* destination);
    bool writeRegisterFailed(int registerNumber, const QString& data);

private:
    bool namedQueryFailed(const char* query, const char* prefix, QString* reply);

    ReaderLine& line;
    UnitIdentity& unit;
    qint32& address;
};
