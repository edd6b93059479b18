// What the chart page's hit test may look at: the entries of the drawing
// order, and the positions the last picture drew. It looks at nothing else,
// so a count that changed since the last drawing never sends it past either
// array.
#pragma once

struct ChartDrawnRange
{
    int orderCount = 0;  // entries of the drawing order
    int first = -1;      // drawing positions the last picture drew; -1: none
    int last = -1;

    bool any() const { return first >= 0; }
    // The shown picture no longer matches the records: no point to pick.
    void forget() { first = last = -1; }
};
