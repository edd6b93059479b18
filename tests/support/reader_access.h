// Reaches the reader's single transactions from the tests.
#pragma once

#include "reader/app_kelmoradatareader.h"

class ReaderTestAccess
{
public:
    static QString transact(APP_KelmoraDataReader& reader, const QString& command, bool* success)
    {
        return reader.transact(command, 1000, success);
    }
    static QString transactRegister(APP_KelmoraDataReader& reader, const QString& command,
                                    bool* success)
    {
        return reader.transactRegister(command, 1000, success);
    }
};
