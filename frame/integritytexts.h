// Text table entries that keep a download honest and a unit setting the
// technician's own: what a side lost or skipped, where its records came
// from, and the questions before a write to the unit with what it reports
// afterwards. They form one block of the table; only its first number is
// written here.
#pragma once

namespace IntegrityText {

constexpr int first = 180;

constexpr int causeOverrun = first + 0;        // "interrupted: ... %1 bytes were lost"
constexpr int causeCutLine = first + 1;        // "interrupted: the reply stopped inside a record"
constexpr int unreadLines = first + 2;         // "%1 lines were not records"
constexpr int missingNumbers = first + 3;      // "record numbers missing: %1"
constexpr int fromUnitAndArchive = first + 4;  // "%1 from the unit, %2 from the archive"
constexpr int newOfNew = first + 5;            // "%1 of %2 new records"
constexpr int fullChainBroken = first + 6;     // read whole: the new records do not run on
constexpr int fullArchiveGap = first + 7;      // read whole: the archive has a gap
constexpr int confirmPulseInput = first + 8;   // "... pulse input from %1 / L to %2 / L?"
constexpr int confirmClock = first + 9;        // "Set the unit's clock to %1?"
constexpr int confirmReset = first + 10;       // "Reset ...? Status now: side A %1, side B %2."
constexpr int pulseInputSet = first + 11;      // "... the unit now reports %1 / L."
constexpr int pulseInputNotSet = first + 12;
constexpr int clockSet = first + 13;           // "Clock set: the unit now reads %1."
constexpr int clockNotSet = first + 14;
constexpr int yes = first + 15;
constexpr int no = first + 16;

constexpr int last = no;

} // namespace IntegrityText
