// Text tables and record sets for the window and table tests.
#pragma once

#include "model/kelmorafillingdata.h"

#include <QString>

// Writes a qm7.loc into dir whose entry n in language l reads "L<l>T<n>",
// and returns its path.
QString writeNumberedTextTable(const QString& dir);

// The text "L<language>T<n>" of that table.
QString numberedText(int n, int language = 0);

// A malloc'd array of count records whose fields all follow from the record
// number (firstNumber, firstNumber + 1, …), so that a row can be checked for
// belonging to one record. Temperature falls as the number rises.
KelmoraFillingData* makeRecords(int count, int firstNumber);

// Installs such records as the side's array (main thread).
void installRecords(char side, int count, int firstNumber);
