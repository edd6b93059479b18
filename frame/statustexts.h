// Text table entries that tell the technician how the line and a download
// stand: a lost line, a download that did not end completely, a press that
// has to wait. They form one block of the table; only its first number is
// written here, the others follow from it.
#pragma once

namespace StatusText {

constexpr int first = 163;

constexpr int lineLost = first + 0;            // "The connection to the unit was lost."
constexpr int checkCable = first + 1;          // "Check the cable and connect again."
constexpr int downloadIncomplete = first + 2;  // "The history was not read completely."
constexpr int sideComplete = first + 3;        // "complete"
constexpr int sideInterrupted = first + 4;     // "interrupted"
constexpr int sideNoAnswer = first + 5;        // "no answer"
constexpr int recordsOfRequested = first + 6;  // "%1 of %2 records"
constexpr int busy = first + 7;                // "Please wait: an operation is still running."
constexpr int previousNotEnded = first + 8;    // a Connect while the last operation still ends
constexpr int quitStopsOperation = first + 9;  // closing while an operation runs

constexpr int last = quitStopsOperation;

} // namespace StatusText
