// Text table entries of the window, its pages and messages that are not part
// of a block of their own, by name. The numbers are fixed: every shipped
// qm7.loc keeps its lines in place.
#pragma once

namespace UiText {

constexpr int cancel = 5;                 // "Cancel"
constexpr int portOpenFailed = 10;        // "The port could not be opened."
constexpr int connect = 14;               // "Connect"
constexpr int portOpened = 15;            // "Port opened. Identifying the unit…"
constexpr int connecting = 16;            // "Connecting…"
constexpr int records = 20;               // "records"
constexpr int sideA = 21;                 // "Side A"
constexpr int sideB = 22;                 // "Side B"
constexpr int dateAndTime = 23;           // "Date and time"
constexpr int clearList = 25;             // "Clear list"
constexpr int disconnect = 26;            // "Disconnect"
constexpr int exportButton = 34;          // "Export"
constexpr int exportBothQuestion = 35;    // "Export both dispenser sides or this side only?"
constexpr int cannotWrite = 36;           // "The file cannot be written."
constexpr int cannotOpen = 37;            // "The file cannot be opened."
constexpr int tipFillings = 46;           // "By fillings"
constexpr int tipFuelFlow = 48;           // "Ranked by fuel flow"
constexpr int fillings = 50;              // "Fillings"
constexpr int tipIndex = 60;              // "In download order"
constexpr int tipTemperature = 71;        // "Ranked by temperature"
constexpr int thisSideOnly = 75;          // "This side"
constexpr int readFailed = 80;            // "The data could not be read."
constexpr int recordCountQuestion = 82;   // "Number of records to read (1–5000):"
constexpr int ok = 83;                    // "OK"
constexpr int resetFailed = 84;           // "Operation mode reset failed."
constexpr int resetDone = 85;             // "Operation mode has been reset."
constexpr int chartHeading = 89;          // "Chart mode"
constexpr int textTableMissing = 98;      // "The text table qm7.loc is missing."
constexpr int error = 104;                // "Error"
constexpr int readOk = 105;               // "Data read successfully."
constexpr int quitQuestion = 106;         // "Quit KELMORADiagnose?"
constexpr int readHistory = 108;          // "Read history"
constexpr int openFile = 109;             // "Open file"
constexpr int resetMode = 116;            // "Reset operation mode"
constexpr int serialNumber = 122;         // "Serial number"
constexpr int setPulseInput = 124;        // "Set pulse input"
constexpr int dispenserSide = 125;        // "Dispenser side"
constexpr int setClock = 136;             // "Set clock"
constexpr int noAnswer = 145;             // "The unit does not answer."
constexpr int bothSides = 157;            // "Both sides"

} // namespace UiText
