// What the simulated unit answers to each command line. No I/O here: the
// line layer feeds complete command lines in and sends the reply bytes out.
#pragma once

#include "unitsim_history.h"
#include "unitsim_options.h"

#include <QByteArray>
#include <QJsonArray>

struct UnitReply
{
    QByteArray bytes;          // empty: the unit stays silent
    bool history = false;      // a history stream (counts for --cut-after)
    bool closeLine = false;    // close the line once these bytes are out
};

class SimulatedUnitLogic
{
public:
    explicit SimulatedUnitLogic(const UnitSimOptions& options);

    // One command line without its CR LF.
    UnitReply answer(const QByteArray& command);

    // History records sent so far, per side, as {"sideA": [...], "sideB": [...]}.
    QJsonObject sentRecords() const;

    // Sum of the bytes as signed 8-bit values, minus 255 while above 255, plus 1.
    static int registerChecksum(const QByteArray& text);

private:
    QByteArray answerNamed(const QByteArray& command);
    UnitReply answerHistory(char side, const QByteArray& countText);
    QByteArray answerRegister(const QByteArray& command);
    QByteArray registerReply(char kind, const QByteArray& address, const QByteArray& side,
                             const QByteArray& fourth, const QList<QByteArray>& values) const;
    QList<QByteArray> clockValues() const;
    bool setClock(const QList<QByteArray>& data);
    QByteArray singleLine(const QByteArray& text) const;

    UnitSimOptions options;
    QVector<SimRecord> historyA;
    QVector<SimRecord> historyB;
    QJsonArray sentA;
    QJsonArray sentB;
    bool sentAnyA = false;
    bool sentAnyB = false;
    qint64 commandsSeen = 0;
    qint64 historyBytesSent = 0;
    qint64 clockOffsetSecs = 0;
    int operationMode = 0;
};
