// Text table entries of the visit report and its controls. They form one
// block of the table; only its first number is written here.
#pragma once

namespace ReportText {

constexpr int first = 200;

constexpr int title = first + 0;           // "Service visit report"
constexpr int button = first + 1;          // "Report"
constexpr int technician = first + 2;
constexpr int site = first + 3;
constexpr int downloadTime = first + 4;    // "Downloaded (PC time)"
constexpr int source = first + 5;          // "Records from"
constexpr int sourceDownload = first + 6;
constexpr int sourceArchive = first + 7;   // "archived download %1"
constexpr int sourceFile = first + 8;      // "file %1"
constexpr int actions = first + 9;         // "Done during the connection"
constexpr int noActions = first + 10;
constexpr int actionReset = first + 11;
constexpr int actionPulse = first + 12;    // "Pulse input %1 / L → %2 / L"
constexpr int actionClock = first + 13;    // "Clock set to %1"
constexpr int actionFailed = first + 14;   // "%1 (failed)"
constexpr int records = first + 15;
constexpr int numbers = first + 16;
constexpr int dates = first + 17;
constexpr int outcome = first + 18;
constexpr int fromFile = first + 19;
constexpr int rates = first + 20;
constexpr int below = first + 21;
constexpr int within = first + 22;
constexpr int above = first + 23;
constexpr int median = first + 24;
constexpr int allFillings = first + 25;
constexpr int levelLow = first + 26;
constexpr int levelHigh = first + 27;
constexpr int outside = first + 28;        // "... (the %1 most recent of %2)"
constexpr int noOutside = first + 29;
constexpr int number = first + 30;         // "No."
constexpr int page = first + 31;           // "Page %1 of %2"
constexpr int madeBy = first + 32;         // "Made with KELMORADiagnose %1 on %2"
constexpr int noChart = first + 33;
constexpr int saved = first + 34;          // "Report saved: %1"
constexpr int saveFailed = first + 35;     // "The report could not be saved: %1"
constexpr int pdfFiles = first + 36;
constexpr int noRecords = first + 37;
constexpr int outcomeNotRecorded = first + 38;  // "%1 records from the archive (how the download ended was not recorded)"

constexpr int last = outcomeNotRecorded;

} // namespace ReportText
