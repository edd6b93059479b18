// The pieces of a reader test over a pseudo-terminal: a scripted unit on a
// pty peer, the real port opened on it as the main window opens it, and the
// reader attached to the port.
#pragma once

#include "reader/app_kelmoradatareader.h"
#include "comm/com_serialport.h"
#include "reader_fakeunit.h"
#include "reader_ptypeer.h"

#include <QList>

#include <functional>
#include <memory>

// The reader's results, recorded on the test's thread: the reader's signals
// arrive queued, in the order the reader raised them, while the test waits in
// ReaderRig::waitForReader (QSignalSpy would record them on the reader thread).
struct ReaderSignalLog {
    struct Data {
        KelmoraFillingData* records;
        quint16* count;
        quint8 success;
    };
    struct Progress {
        char side;
        int bytes;
        int lines;
        int requested;
    };
    QList<Data> data;
    QList<bool> results;  // connectionReady, operationModeReset, pulseInputSet, timeSet
    QList<Progress> progress;
    QList<QString> display;
    void clear() { *this = ReaderSignalLog(); }
};

struct ReaderRig {
    std::unique_ptr<ReaderFakeUnit> unit = std::make_unique<ReaderFakeUnit>();
    std::unique_ptr<ReaderPtyPeer> peer;
    std::unique_ptr<COM_SerialPort> port;
    std::unique_ptr<APP_KelmoraDataReader> reader;
    ReaderSignalLog log;
    std::unique_ptr<QObject> logContext;  // main-thread receiver of the signals

    // Starts the peer with the handler (the fake unit's when empty) and opens
    // the port at 9600 baud without parity. False with the reason in error.
    bool start(ReaderPtyPeer::Handler handler = {});
    // start() for a test function: when it fails, the running test fails, or
    // is skipped if the machine has no pseudo-terminals at all (no
    // /dev/ptmx). False then, and the caller returns.
    bool startOrEndTest(ReaderPtyPeer::Handler handler = {});
    // Identifies the unit and waits until the reader thread has ended.
    bool identify(int boundMs = 30000);
    // Clears the log, makes the request and waits for the reader thread.
    bool runOperation(const std::function<void(APP_KelmoraDataReader&)>& request, int boundMs);
    // Waits until the reader thread has ended and its signals were delivered.
    bool waitForReader(int boundMs);
    // The command lines the unit received, in order.
    QList<QByteArray> wire() const;
    // Ends the threads and the peer; safe to call twice.
    void stop();
    ~ReaderRig() { stop(); }

    QString error;
};
