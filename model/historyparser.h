// Turns the unit's history lines into filling records. Pure functions: the
// download feeds them the bytes it collected, tests and benchmarks call them
// directly.
#pragma once

#include "model/kelmorafillingdata.h"
#include "model/filetime.h"
#include "model/recordtimes.h"

#include <QByteArray>
#include <QString>

// A history line begins with "A=N" or "B=N" (case-sensitive).
bool isHistoryLine(const char* bytes, int length);
bool isHistoryLine(const QString& line);

// The "Nr"/"No" tag of the first word. Only the first line that carries one
// decides: *formatDecided is set then and later lines change nothing.
void applyFormatTag(const QString& firstWord, bool* formatNo, bool* formatDecided);

// The local times of one side's history lines: converted through a cache,
// and those in a repeated hour settled once every line is read.
struct HistoryTimes {
    LocalTimeCache cache;
    RepeatedHourRecords repeated;
};

// Reads one line (without its line end) into *record, the record at index
// of its side. Returns -1 when it is no history line, else its word count;
// the record is filled only for 14, 12 or 11 words. The format tag of the
// line is applied either way. The plot cache of the record is left alone.
// Call times.repeated.settle on the side's records when all are read.
int parseHistoryLine(const char* line, int length, KelmoraFillingData* record, HistoryTimes& times, int index,
                     bool* formatNo, bool* formatDecided);

// Parses every CR-terminated line of the bytes into out[0..capacity-1] and
// returns the number of records produced. Lines that are not history lines
// are skipped; an unterminated last line is dropped. The format tag of the
// history lines is applied through formatNo/formatDecided.
int parseHistoryLines(const QByteArray& bytes, KelmoraFillingData* out, int capacity,
                      bool* formatNo, bool* formatDecided);

// Number of CRs: an upper bound of the records the bytes can produce.
int countLineEnds(const QByteArray& bytes);
