// Text table entries of a download that builds on the archive: what came
// from where, and why the whole count was asked for instead. They form one
// block of the table; only its first number is written here.
#pragma once

namespace IncrementalText {

constexpr int first = 173;

constexpr int newAndArchived = first + 0;   // "%1 new records, %2 from the archive"
constexpr int overlapDiffers = first + 1;   // record %1 differs from the archived one
constexpr int numbersWentBack = first + 2;  // newest record (%1) older than the archived (%2)
constexpr int probeUnclear = first + 3;     // the newest record number could not be read
constexpr int archiveTooShort = first + 4;  // the archive holds too few records
constexpr int allNew = first + 5;           // all the records asked for are new
constexpr int fullDownloadOption = first + 6;  // the window's "Full download" check box

constexpr int last = fullDownloadOption;

} // namespace IncrementalText
