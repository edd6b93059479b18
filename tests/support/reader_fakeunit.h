// A small scripted unit for the reader's tests, answering on a ReaderPtyPeer:
// the identification queries, the register commands, the settings and the
// history request, with knobs for the failures the reader must survive.
#pragma once

#include "reader_ptypeer.h"

#include <QByteArray>
#include <QList>
#include <QMutex>

#include <atomic>

struct ReaderFakeUnit {
    QByteArray hardwareVersion = "3.1";
    QByteArray softwareVersion = "2.05";
    QByteArray pulseInput = "100";
    QByteArray serialNumber = "12345";
    QByteArray status = "3 4";          // value text of the status reply
    QByteArray flags = "7";
    QByteArray pcmReply = "PCM.C:HELLO";
    QByteArray register101 = "4242";     // empty: answers with unit error 1
    QByteArray register104 = "49";
    QByteArray clockValues = "240305;709";
    int ignoreCommands = 0;              // the first N commands get no answer
    QList<QByteArray> historyA;          // lines without their CR LF
    QList<QByteArray> historyB;
    int historyBytesPerSecond = 20000;   // pacing of the history stream
    bool ignoreRequestedCount = false;   // sends every line whatever was asked
    int hangUpAfterLines = -1;           // cable pulled after this many history lines
    int stallAfterLines = -1;            // half of the next line, then silence, line kept up
    QByteArray hangUpOnCommand;          // cable pulled when this command comes
    std::atomic<int> historyLinesSent{0};
    // Held while a command is answered; a test that changes the unit
    // between operations takes it.
    QMutex mutex;

    // The handler to give ReaderPtyPeer::start.
    ReaderPtyPeer::Handler handler();

private:
    void answer(ReaderPtyPeer& peer, const QByteArray& line);
    void sendHistory(ReaderPtyPeer& peer, const QList<QByteArray>& lines, int count);
    QByteArray registerReply(const QByteArray& line) const;
};

// A history line of eleven words with the given record number.
QByteArray fakeHistoryLine(char side, int number);
