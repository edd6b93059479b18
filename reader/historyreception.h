// One request for a side's history lines and the reception of the unit's
// reply, on the reader's line.
#pragma once

#include "model/sidedownload.h"
#include "reader/readerline.h"

#include <QByteArray>
#include <QList>

#include <functional>

class COM_SerialPort;

// What one request for history lines brought.
struct HistoryFetch {
    SideOutcome outcome = SideOutcome::Interrupted;
    QByteArray bytes;         // what to parse into the side
    QList<QByteArray> lines;  // the side's history lines, in the unit's order
    int freshRecords = -1;    // records of lines that came from the line; -1: all did
    int freshExpected = -1;   // with freshRecords: the new records the unit announced
    InterruptCause cause = InterruptCause::LineLost;
    quint64 overrunBytes = 0;
    int unreadLines = 0;
};

class HistoryReception
{
public:
    // Bytes and history lines received so far for a side, against the
    // records asked for.
    using Progress = std::function<void(char side, int bytes, int lines, int requested)>;

    // bytesArrived: called at each poll that brought bytes.
    HistoryReception(ReaderLine& line, Progress progress, std::function<void()> bytesArrived);

    // Asks for the newest asked records of the side and receives the reply
    // until the line falls silent or asked x 128 bytes have come.
    // showProgress false: a probe, whose progress nobody is shown.
    HistoryFetch fetch(char historySide, qint32 asked, bool showProgress = true);

private:
    struct Reception;

    COM_SerialPort* port() const;
    void receive(char historySide, qint32 count, Reception* reception);
    void reportProgress(char historySide, const Reception& reception, qint32 count);
    static SideOutcome outcomeOf(const Reception& reception, bool lineLost, InterruptCause* cause);

    ReaderLine& line;
    Progress progress;
    std::function<void()> arrived;
};
