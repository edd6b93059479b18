// Entries of the text table that the CSV export writes at the start of its
// lines and the import looks for there (in whichever language the file was
// written): in a file they are keys, so writer and reader take them from
// here. The ODS export uses the same headings.
#pragma once

namespace FileText {

constexpr int exportTitle = 54;       // line 1
constexpr int serialNumber = 122;     // line 2: the serial number follows
constexpr int hardwareVersion = 53;   // line 3, the identity line, starts with it
constexpr int softwareVersion = 131;
constexpr int pvnValue = 100;
constexpr int pulseInput = 102;
constexpr int countryCode = 18;
constexpr int sectionSideA = 126;     // title line of each side's block
constexpr int sectionSideB = 127;
constexpr int statusWord = 134;       // the side's status word follows, in binary
constexpr int recordNumber = 120;     // first column heading: begins the header row
constexpr int dispenserSide = 125;    // ODS: the side letter follows
constexpr int rate = 110;             // ODS: the two rate columns

// Columns 8 and 9 are headed by the layout of the records' lines; the
// import reads the layout back from column 8's heading.
constexpr int auxValueNr = 152;
constexpr int auxValueNo = 154;
constexpr int fuelFlowNr = 49;
constexpr int fuelFlowNo = 51;

} // namespace FileText
