// Turns the unit's history lines into filling records. Pure functions: the
// download feeds them the bytes it collected, tests and benchmarks call them
// directly.
#pragma once

#include "reader/kelmorafillingdata.h"

#include <QByteArray>
#include <QString>

// A history line begins with "A=N" or "B=N" (case-sensitive).
bool isHistoryLine(const char* bytes, int length);
bool isHistoryLine(const QString& line);

// The "Nr"/"No" tag of the first word. Only the first line that carries one
// decides: *formatDecided is set then and later lines change nothing.
void applyFormatTag(const QString& firstWord, bool* formatNo, bool* formatDecided);

// Fills the data fields of *record from the words of one history line. True
// when there were 14, 12 or 11 words; otherwise the record is not touched.
// The plot cache of the record is left alone.
bool parseHistoryWords(const QStringList& words, KelmoraFillingData* record);

// Parses every CR-terminated line of the bytes into out[0..capacity-1] and
// returns the number of records produced. Lines that are not history lines
// are skipped; an unterminated last line is dropped. The format tag of the
// history lines is applied through formatNo/formatDecided.
int parseHistoryLines(const QByteArray& bytes, KelmoraFillingData* out, int capacity,
                      bool* formatNo, bool* formatDecided);

// Number of CRs: an upper bound of the records the bytes can produce.
int countLineEnds(const QByteArray& bytes);
