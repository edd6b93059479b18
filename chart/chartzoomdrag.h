// A zoom drag on the chart page: where the left button went down and where
// the mouse is now, in page coordinates. Only a drag that started inside the
// plot selects; leaving the plot ends it.
#pragma once

struct ChartZoomDrag
{
    bool selecting = false;
    int pressX = 0;
    int pressY = 0;
    int moveX = 0;
    int moveY = 0;
};
