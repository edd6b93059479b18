// Axis rules shared by every chart mode: the 1-2-5 tick step, rounding the
// bounds out to whole steps, the tick count with its extension, tick
// positions and labels, and the mapping of values onto the percent axis.
// Pure functions, so they can be checked without a widget. The per-record
// mappings are inline: a drawing calls them six times for every record.
#pragma once

#include "chart/chartmode.h"

#include <QString>

#include <cmath>

// How a mode keeps its x bounds: whole numbers (index, fillings, date) or
// doubles (the ranked modes). Whole-number bounds are truncated after every
// step; they are kept in a double so that an aligned or extended bound past
// the 16- or 32-bit range of the x quantity stays correct instead of wrapping.
enum class AxisBounds { Whole, Real };

struct ChartAxis {
    double lower = 0.0;
    double upper = 0.0;
    double step = 1.0;
    int ticks = 0;       // n_ticks after the extension
    bool valid = false;  // false: nothing sensible to draw (ticks <= 1, bad input)
};

// First of 1, 2, 5 times 10^e (e = -5, -4, ...) with span / step < 10.
double chartTickStep(double span);

// Step, optional alignment, tick count and extension for the x range
// [lower, upper] found by the range search.
ChartAxis layoutChartAxis(double lower, double upper, bool align, AxisBounds bounds);

// Screen x of tick k of ticks evenly spread over the plot width.
int chartTickX(int k, int ticks, int plotWidth);

// Label of tick k; empty when the tick carries none (the last date tick).
QString chartTickLabel(ChartMode mode, const ChartAxis& axis, int k);

// A date tick value as text: "dd.MM. hh:mm" when the axis spans less than a
// day, "dd/MM/yyyy" otherwise. Local time, from seconds since 1970 UTC.
QString chartDateLabel(double seconds, double span);

// Screen positions are stored in 32-bit fields and summed in the hit test;
// anything beyond this lies far outside every picture and is clamped so that
// no conversion or sum overflows. Not-a-number lands there as well.
constexpr int chartPixelLimit = 1 << 28;
inline int chartPixel(double value)
{
    if (std::isnan(value))
        return chartPixelLimit;
    if (value >= chartPixelLimit)
        return chartPixelLimit;
    if (value <= -chartPixelLimit)
        return -chartPixelLimit;
    return int(value); // truncates toward zero
}

// y of a double value on the 0..200 percent axis with bottom B and height PH.
inline int chartPercentY(double value, int bottom, int plotHeight)
{
    return chartPixel(bottom - plotHeight * value / 200.0);
}
// The same for the integer value: B - trunc(v * PH / 200) in integers.
inline int chartPercentYInteger(quint16 value, int bottom, int plotHeight)
{
    const qint64 y = bottom - qint64(value) * plotHeight / 200;
    return chartPixel(double(y));
}

// Screen x of a record with x quantity value on the laid-out axis.
inline int chartPlotX(double value, const ChartAxis& axis, int plotWidth)
{
    const double span = axis.upper - axis.lower;
    if (!(span > 0.0))
        return chartPixelLimit;
    return chartPixel(40.0 + (value - axis.lower) * plotWidth / span);
}
