// The simulated unit's filling history: deterministic, realistic records per
// side and their history-line text.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QVector>

struct UnitSimOptions;

struct SimRecord
{
    qint32 number = 0;
    QDateTime time;            // local time, whole seconds
    int levelCode = 0;
    int fillings = 0;
    double ratePercent = 0;
    double linePercent = 0;
    double temperature = 0;
    int integerPercent = 0;
    double auxValue = 0;
    double fuelFlow = 0;
    double optionalFirst = 0;
    double optionalSecond = 0;
    QByteArray limitWord;      // "NOLIM", "SWOFF" or digits
    int wordCount = 14;        // 11, 12 or 14
};

// Records of one side, oldest first, with increasing numbers and times.
QVector<SimRecord> generateHistory(char side, int count, const UnitSimOptions& options);

// One history line including its CR LF.
QByteArray historyLine(char side, const SimRecord& record, const UnitSimOptions& options);

// The record as the tool stores it after parsing the line: fields that the
// line does not carry are 0.
QJsonObject recordJson(const SimRecord& record, char separator);
