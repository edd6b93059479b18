// Joining a unit's newest history lines onto an archived history of the same
// side. Pure functions on the lines as the unit sends them (without line
// ends), so that the download and the tests share one rule.
#pragma once

#include <QByteArray>
#include <QList>

#include "model/sidedownload.h"

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

// The order in which a reply lists its records, decided from their numbers:
// a unit may send its newest record first or last.
enum class HistoryOrder { Unknown, OldestFirst, NewestFirst };
HistoryOrder historyOrder(const QList<QByteArray>& lines);

// History lines (those with a side tag) that make no record.
int unreadHistoryLines(const QList<QByteArray>& lines);

// Numbers missing between neighbouring records, in either order; a pair
// that goes the other way or repeats a number is no gap.
QList<NumberGap> numberGaps(const QList<QByteArray>& lines);

// The lines that make a record, oldest first whatever order the unit sent.
QList<QByteArray> recordLinesOldestFirst(const QList<QByteArray>& lines);

// True when the record numbers of these lines (oldest first) go up by one
// from each line to the next.
bool runsConsecutively(const QList<QByteArray>& oldestFirst);
