// Text table entries of the Visits dialog: the units of the archive, one
// unit's downloads with their outcome and in-band share, and the trend of
// that share over the visits. They form one block of the table; only its
// first number is written here.
#pragma once

namespace VisitText {

constexpr int first = 270;

constexpr int button = first + 0;         // the Home page's "Visits" button
constexpr int title = first + 1;          // the dialog's title
constexpr int unit = first + 2;           // column: serial number
constexpr int lastVisit = first + 3;      // column
constexpr int downloads = first + 4;      // column: number of downloads
constexpr int time = first + 5;           // column: when the download ended
constexpr int records = first + 6;        // column, per side
constexpr int outcome = first + 7;        // column, per side
constexpr int inBand = first + 8;         // column, per side: share within 85-115 %
constexpr int open = first + 9;           // button: load the download into the window
constexpr int close = first + 10;         // button
constexpr int reading = first + 11;       // while a listing runs
constexpr int empty = first + 12;         // the archive holds no download
constexpr int problems = first + 13;      // heading of the files left out
constexpr int trend = first + 14;         // "%1: share ... per visit", %1 the side

constexpr int last = trend;

} // namespace VisitText
