// Zoom by dragging, reset by a right click, and the value of a clicked point.
#include "chart/gui_displaychart.h"

#include "frame/texttable.h"

#include <QMouseEvent>

#include <cmath>
#include <cstdlib>

namespace {

constexpr int pickRadius = 15;

// The five points of a record in the order that wins ties.
struct SeriesPoint {
    int textNumber;
    qint32 KelmoraFillingData::*plotY;
};
constexpr SeriesPoint pickSeries[5] = {
    {49, &KelmoraFillingData::plotYFuelFlow},
    {72, &KelmoraFillingData::plotYTemperature},
    {111, &KelmoraFillingData::plotYRatePercent},
    {69, &KelmoraFillingData::plotYLinePercent},
    {150, &KelmoraFillingData::plotYIntegerPercent},
};

double seriesValue(const KelmoraFillingData& record, int series)
{
    switch (series) {
    case 0:
        return record.fuelFlow;
    case 1:
        return record.temperature;
    case 2:
        return record.ratePercent;
    case 3:
        return record.linePercent;
    default:
        return record.integerPercent;
    }
}

// Whole pixels between the click and a point. In doubles: positions far
// outside the picture must not overflow an integer sum of squares.
double pixelDistance(int x, int y, qint32 pointX, qint32 pointY)
{
    const double dx = double(x) - pointX;
    const double dy = double(y) - pointY;
    return std::trunc(std::sqrt(dx * dx + dy * dy));
}

} // namespace

bool GUI_DisplayChart::recordsGiven() const
{
    return fillingData && count;
}

bool GUI_DisplayChart::inPressZone(int x, int y) const
{
    const int top = chartLabel.y();
    return x > 40 && x < width() - 20 && y > top + 30 && y < top + chartLabel.height() - 120;
}

bool GUI_DisplayChart::inMoveZone(int x, int y) const
{
    const int top = chartLabel.y();
    return x >= 40 && x < chartLabel.width() - 19 && y >= top + 30
        && y <= top + chartLabel.height() - 120;
}

void GUI_DisplayChart::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !recordsGiven())
        return;
    showValueInfo(false, 0, 0, QString());
    zoomDrag.pressX = event->position().toPoint().x();
    zoomDrag.pressY = event->position().toPoint().y();
    if (!inPressZone(zoomDrag.pressX, zoomDrag.pressY))
        return;
    zoomDrag.selecting = true;
    selectionLabel.setGeometry(zoomDrag.pressX, 90, 1, chartLabel.height() - 150);
}

void GUI_DisplayChart::mouseMoveEvent(QMouseEvent* event)
{
    if (!zoomDrag.selecting || !recordsGiven())
        return;
    showValueInfo(false, 0, 0, QString());
    zoomDrag.moveX = event->position().toPoint().x();
    zoomDrag.moveY = event->position().toPoint().y();
    if (!inMoveZone(zoomDrag.moveX, zoomDrag.moveY)) {
        zoomDrag.selecting = false;
        selectionLabel.hide();
        return;
    }
    // The rectangle reaches down to the bottom of the x labels.
    const int height = chartLabel.height() - 149;
    if (zoomDrag.moveX < zoomDrag.pressX - 5) {
        selectionLabel.setGeometry(zoomDrag.moveX, 90, zoomDrag.pressX - zoomDrag.moveX, height);
        selectionLabel.show();
    } else if (zoomDrag.moveX > zoomDrag.pressX + 5) {
        selectionLabel.setGeometry(zoomDrag.pressX, 90, zoomDrag.moveX - zoomDrag.pressX, height);
        selectionLabel.show();
    } else {
        selectionLabel.hide();
    }
}

void GUI_DisplayChart::mouseReleaseEvent(QMouseEvent* event)
{
    showValueInfo(false, 0, 0, QString());
    selectionLabel.hide();
    if (!recordsGiven())
        return;
    const QPoint position = event->position().toPoint();
    if (event->button() == Qt::RightButton) {
        redrawData(chartRangeMin, chartRangeMax, order, true);
        return;
    }
    if (event->button() != Qt::LeftButton || !zoomDrag.selecting)
        return;
    zoomDrag.selecting = false;
    zoomDrag.moveX = position.x();
    zoomDrag.moveY = position.y();
    const int a = qMin(position.x(), zoomDrag.pressX);
    const int b = qMax(position.x(), zoomDrag.pressX);
    if (b - a < 5) {
        pickNearestValue(position.x(), position.y());
        return;
    }
    // The inverse of the x placement: the dragged pixels back to the values
    // under them. Alignment stays off so the view starts at the first record.
    const int plotWidth = width() - 60;
    if (plotWidth <= 0)
        return;
    const double span = maxX - minX;
    const double lower = minX + span * (a - 40) / plotWidth;
    const double upper = minX + span * (b - 40) / plotWidth;
    redrawData(lower, upper, order, false);
}

void GUI_DisplayChart::pickNearestValue(int x, int y)
{
    x -= chartLabel.x();
    y -= chartLabel.y();
    if (!count || *count == 0 || !fillingData || !orderIndex || !drawn.any())
        return;
    // Only the points of the picture on screen count: positions the last
    // drawing drew, and records the current count still holds.
    const int first = drawn.first;
    const int last = qMin(drawn.last, drawn.orderCount - 1);
    const int available = *count;
    auto recordAt = [&](int k) -> const KelmoraFillingData* {
        if (k < first || k > last || orderIndex[k] >= available)
            return nullptr;
        return &fillingData[orderIndex[k]];
    };

    int best = -1;
    qint64 bestColumn = 999999;
    for (int k = first; k <= last; ++k) {
        const KelmoraFillingData* record = recordAt(k);
        if (record && std::llabs(qint64(x) - record->plotX) < bestColumn) {
            bestColumn = std::llabs(qint64(x) - record->plotX);
            best = k;
        }
    }
    if (best < 0)
        return;
    const KelmoraFillingData* bestRecord = recordAt(best);
    int bestSeries = 0;
    double bestDistance = pixelDistance(x, y, bestRecord->plotX, bestRecord->plotYFuelFlow);
    for (int k = best - 5; k <= best + 4; ++k) {
        const KelmoraFillingData* record = recordAt(k);
        if (!record)
            continue;
        for (int series = 0; series < 5; ++series) {
            const double d = pixelDistance(x, y, record->plotX, record->*pickSeries[series].plotY);
            if (d < bestDistance) {
                bestDistance = d;
                bestRecord = record;
                bestSeries = series;
            }
        }
    }
    if (bestDistance >= pickRadius)
        return;
    const QString label = text(pickSeries[bestSeries].textNumber) + QStringLiteral("\r\n")
        + QString::number(seriesValue(*bestRecord, bestSeries), 'g', 6);
    showValueInfo(true, bestRecord->plotX, chartLabel.y() + bestRecord->*pickSeries[bestSeries].plotY,
                  label);
}
