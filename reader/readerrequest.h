// What one run of the reader's thread works on.
#pragma once

#include "model/sidedownload.h"

#include <QtGlobal>

// A copy of the stored parameters taken when the thread is started (GUI
// thread), so that a request made meanwhile cannot change a running
// operation.
struct ReaderRequest {
    qint32 operation;
    char side;
    qint32 recordCount;
    qint32 operationValue;
    bool emitWhenDone;
    quint64 lineGeneration;  // the connection the request was made on
    ArchivedHistory archived[2];  // per side A, B; empty lines: read the whole count
};
