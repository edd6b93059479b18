#include "chart/chartaxis.h"

#include <QDateTime>

#include <cmath>

namespace {

// The candidate steps as decimal literals, so that 5e-5 is the double nearest
// to 0.00005 and not 5 times the double nearest to 0.00001.
constexpr double stepCandidates[] = {
    1e-5, 2e-5, 5e-5, 1e-4, 2e-4, 5e-4, 1e-3, 2e-3, 5e-3, 1e-2, 2e-2, 5e-2,
    1e-1, 2e-1, 5e-1, 1e0,  2e0,  5e0,  1e1,  2e1,  5e1,  1e2,  2e2,  5e2,
    1e3,  2e3,  5e3,  1e4,  2e4,  5e4,  1e5,  2e5,  5e5,  1e6,  2e6,  5e6,
    1e7,  2e7,  5e7,  1e8,  2e8,  5e8,  1e9,  2e9,  5e9,  1e10, 2e10, 5e10,
    1e11, 2e11, 5e11, 1e12, 2e12, 5e12, 1e13, 2e13, 5e13, 1e14, 2e14, 5e14,
    1e15, 2e15, 5e15,
};

// A laid-out axis never has more ticks than this; a larger count can only
// come from bounds that are not finite or from a step table that ran out.
constexpr double maxTicks = 1000.0;

double wholeIf(double value, AxisBounds bounds)
{
    return bounds == AxisBounds::Whole ? std::trunc(value) : value;
}

} // namespace

double chartTickStep(double span)
{
    for (double step : stepCandidates) {
        if (span / step < 10.0)
            return step;
    }
    return stepCandidates[sizeof(stepCandidates) / sizeof(stepCandidates[0]) - 1];
}

ChartAxis layoutChartAxis(double lower, double upper, bool align, AxisBounds bounds)
{
    ChartAxis axis;
    if (!std::isfinite(lower) || !std::isfinite(upper))
        return axis;
    const double step = chartTickStep(upper - lower);
    if (align) {
        lower = wholeIf(std::trunc(lower / step) * step, bounds);
        upper = wholeIf((std::trunc(upper / step) + 1.0) * step, bounds);
    }
    const double tickCount = std::trunc((upper - lower) / step + 1.0);
    if (!(tickCount <= maxTicks))
        return axis; // also catches NaN
    int ticks = int(tickCount);
    if (upper > lower + (ticks - 1) * step) {
        upper = wholeIf(lower + ticks * step, bounds);
        ++ticks;
    }
    axis.lower = lower;
    axis.upper = upper;
    axis.step = step;
    axis.ticks = ticks;
    axis.valid = ticks > 1 && upper > lower;
    return axis;
}

int chartTickX(int k, int ticks, int plotWidth)
{
    if (ticks <= 1)
        return 40;
    return 40 + int(qint64(k) * plotWidth / (ticks - 1));
}

QString chartDateLabel(double seconds, double span)
{
    const QDateTime time = QDateTime::fromSecsSinceEpoch(qint64(seconds));
    return time.toString(span <= 86399.0 ? QStringLiteral("dd.MM. hh:mm")
                                         : QStringLiteral("dd/MM/yyyy"));
}

QString chartTickLabel(ChartMode mode, const ChartAxis& axis, int k)
{
    const double value = axis.lower + k * axis.step;
    if (mode != ModeDate)
        return QString::number(value, 'g', 6);
    // The last date tick is the right edge of the plot: its grid line stands
    // alone, a date there would run off the picture.
    if (k >= axis.ticks - 1)
        return QString();
    return chartDateLabel(value, axis.upper - axis.lower);
}
