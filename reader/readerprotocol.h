// Pure pieces of the unit's line protocol: finding a reply line in received
// bytes, taking the value out of a named reply, the derived firmware number,
// the register values and the clock text. No port, no thread: the reader's
// transactions and commands use them, the tests call them directly.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QLoggingCategory>
#include <QString>
#include <QtGlobal>

// Traces of the reader (reply lines, history lines, firmware numbers). Off
// unless QT_LOGGING_RULES="kelmora.reader.debug=true": a download of 5000
// lines must not flood the console of the command-line tool.
Q_DECLARE_LOGGING_CATEGORY(readerLog)

// Units above this software version number belong to the newer firmware
// generation, which must answer the status query and register 101.
constexpr double newFirmwareThreshold = 1.36;

constexpr qint64 commandTimeoutMs = 1000;  // silence time-out of one attempt
constexpr int commandAttempts = 3;
constexpr int commandPollMs = 5;
// An attempt stays alive while bytes keep coming; a unit that streams without
// ever ending its line must still not hold the reader for ever.
constexpr qint64 attemptCeilingMs = 15000;

// Position of a complete reply line in the received bytes: [start, end) where
// end is the index of its CR. Not found: start = end = -1.
struct ReplySpan {
    int start = -1;
    int end = -1;
    bool found() const { return start >= 0; }
};

// Named commands: the line starts at the first upper-case ASCII letter and
// ends at the next CR; a CR before any such letter means nothing is found.
ReplySpan findNamedReply(const QByteArray& bytes);
// Register commands: up to the first CR, the last 'r', 'w' or 'e' is the start.
ReplySpan findRegisterReply(const QByteArray& bytes);

// The value of a named reply: the text between its first and second ':'
// (empty when there is no ':').
QString replyValue(const QString& reply);

// "2.05b" -> 2: letters A, B, C, a, b, c removed, the part before the first
// '.' read as a number (0 when it does not convert).
double softwareVersionNumberOf(const QString& versionText);

// Register values: how many a register's decoding reads (0: none defined).
int registerValueCount(int registerNumber);
// Register 110: date YYMMDD and time hhmm as local time, in seconds since the
// epoch; all bits set when they make no valid date.
quint32 clockRegisterSeconds(qint32 date, qint32 time);
// The data text of a clock write, "YYMMDD;hhmm" for the local time of the
// given epoch seconds; empty when the year lies outside 2000..2099 (the unit
// keeps two digits for it).
QString clockDataText(quint32 secondsSinceEpoch);

