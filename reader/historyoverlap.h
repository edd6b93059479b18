// Joining a unit's newest history lines onto an archived history of the same
// side. Pure functions on the lines as the unit sends them (without line
// ends), so that the download and the tests share one rule.
#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

// The record number of a line that makes a record (a history line of 11, 12
// or 14 words); none for any other line.
std::optional<qint32> historyRecordNumber(const QByteArray& line);

// True when both lines make a record and carry the same words: the side tag,
// the format tag, the separator and the number, the date and time, and every
// value as the unit wrote it. Only the blanks between words may differ, as
// they do not reach any field.
bool sameHistoryRecord(const QByteArray& archived, const QByteArray& fresh);

// The side as a download of count records would hold it: the archived lines
// (oldest first, the last of them the overlap record) followed by the fresh
// lines after their first (the overlap's copy on the unit), keeping only the
// newest count.
QList<QByteArray> joinedHistory(const QList<QByteArray>& archived, const QList<QByteArray>& fresh,
                                int count);

// Lines ended with CR LF, as they came over the line.
QByteArray historyBytes(const QList<QByteArray>& lines);
