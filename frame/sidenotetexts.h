// Text table entries of the line above a side's table and chart, which
// names the unit whose records the side holds (after text 122, "Serial
// number"). They form one block of the table; only its first number is
// written here.
#pragma once

namespace SideNoteText {

constexpr int first = 197;

constexpr int otherSideUnit = first + 0;  // "Other side from another unit", then its number
constexpr int unknownSerial = first + 1;  // in place of the number of a unit that gave none

constexpr int last = unknownSerial;

} // namespace SideNoteText
