// The numbers of the reader's operations and the status byte of its
// dataReady signal. APP_KelmoraDataReader derives from this, so that callers
// name them through the reader (APP_KelmoraDataReader::DataDelivered).
#pragma once

#include <QtGlobal>

struct ReaderCodes
{
    enum Operation {
        OperationConnect = 0,
        OperationReadHistory = 2,
        OperationReadHistoryBoth = 3,
        OperationResetMode = 4,
        OperationSetPulseInput = 5,
        OperationSetTime = 6,
    };

    // The status byte of dataReady.
    enum DataResult : quint8 {
        DataFailed = 0,        // nothing delivered
        DataDelivered = 1,     // every side asked for was read completely
        DataSideCleared = 2,   // a table has emptied its side
        DataNoSideSelected = 3, // an import selected no record side
        DataIncomplete = 4,    // records delivered, but a side was cut or got no answer
        DataFileUnreadable = 5, // the import file could not be opened
    };
};
