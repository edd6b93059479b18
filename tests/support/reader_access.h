// Reaches the reader's single transactions from the tests.
#pragma once

#include "reader/app_kelmoradatareader.h"
#include "comm/com_serialport.h"

class ReaderTestAccess
{
public:
    // The identity as if the reader thread had just read it from a unit.
    static void publishIdentity(APP_KelmoraDataReader& reader, const UnitIdentity& unit)
    {
        reader.unit = unit;
        reader.publishIdentity();
    }

    // A transaction driven from the test works on the port's connection as
    // it is now, as an operation started now would.
    static void useCurrentLine(APP_KelmoraDataReader& reader)
    {
        reader.unitLine.followCurrent();
    }

    static QString transact(APP_KelmoraDataReader& reader, const QString& command, bool* success)
    {
        useCurrentLine(reader);
        return reader.unitLine.transact(command, 1000, success);
    }
    static QString transactRegister(APP_KelmoraDataReader& reader, const QString& command,
                                    bool* success)
    {
        useCurrentLine(reader);
        return reader.unitLine.transactRegister(command, 1000, success);
    }
};
