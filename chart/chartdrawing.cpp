// The drawing of the chart picture: one procedure shared by the five modes.
#include "chart/gui_displaychart.h"

#include "reader/app_kelmoradatareader.h"
#include "chart/chartinfoline.h"
#include "chart/chartorder.h"
#include "frame/texttable.h"
#include "frame/uitexts.h"
#include "chart/chartlines.h"

#include <QLoggingCategory>
#include <QFontMetrics>
#include <QLine>
#include <QPainter>
#include <QPixmap>
#include <QVector>

#include <cstdlib>
#include <cstring>

namespace {

Q_LOGGING_CATEGORY(lcChart, "kelmora.chart", QtInfoMsg)

constexpr int plotLeft = 40;
constexpr int plotTop = 30;

// Line segments of one colour, handed to the painter in one call: the same
// pixels as one call per segment, without the per-call cost.
void drawSegments(QPainter& painter, const QColor& colour, const QVector<QLine>& lines)
{
    painter.setPen(QPen(colour, 1));
    painter.drawLines(lines);
}

// Pens of the four polylines, in the order they are painted.
const QColor seriesColour[4] = {QColor(0, 0, 255), QColor(255, 0, 0), QColor(255, 0, 255),
                                QColor(0, 170, 85)};

constexpr int prefetchDistance = 8;

void prefetchRecord(const KelmoraFillingData* record)
{
#if defined(__GNUC__)
    // A record spans two cache lines; the drawing reads and writes both.
    __builtin_prefetch(record, 1);
    __builtin_prefetch(reinterpret_cast<const char*>(record) + sizeof(KelmoraFillingData) - 1, 1);
#else
    Q_UNUSED(record);
#endif
}

void addCross(QVector<QLine>& lines, int x, int y)
{
    lines.append(QLine(x, y - 5, x, y + 5));
    lines.append(QLine(x - 5, y, x + 5, y));
}

// The number that tags each mode in the drawing's debug trace.
int modeTag(ChartMode mode)
{
    return int(mode) + 3;
}

} // namespace

void GUI_DisplayChart::drawIndexChart(KelmoraFillingData* records, uint16_t* n, double lowX,
                                      double highX, DataOrder, bool align)
{
    // The index mode walks the array as it is; the order does not apply.
    drawChart(ModeIndex, records, n, lowX, highX, OrderAll, align);
}

void GUI_DisplayChart::drawFillingsChart(KelmoraFillingData* records, uint16_t* n, double lowX,
                                         double highX, DataOrder dataOrder, bool align)
{
    drawChart(ModeFillings, records, n, lowX, highX, dataOrder, align);
}

void GUI_DisplayChart::drawDateChart(KelmoraFillingData* records, uint16_t* n, double lowX,
                                     double highX, DataOrder dataOrder, bool align)
{
    drawChart(ModeDate, records, n, lowX, highX, dataOrder, align);
}

void GUI_DisplayChart::drawTemperatureChart(KelmoraFillingData* records, uint16_t* n, double lowX,
                                            double highX, DataOrder dataOrder, bool align)
{
    drawChart(ModeTemperature, records, n, lowX, highX, dataOrder, align);
}

void GUI_DisplayChart::drawFuelFlowChart(KelmoraFillingData* records, uint16_t* n, double lowX,
                                         double highX, DataOrder dataOrder, bool align)
{
    drawChart(ModeFuelFlow, records, n, lowX, highX, dataOrder, align);
}

void GUI_DisplayChart::drawChart(ChartMode drawMode, KelmoraFillingData* records, uint16_t* n,
                                 double lowX, double highX, DataOrder dataOrder, bool align)
{
    drawing = true;
    // The count is read once: the order, the range and the picture all
    // belong to this one value even if the variable changes later.
    const int recordCount = records && n ? int(*n) : 0;
    const bool sameRecords = records == fillingData && recordCount == orderCount;
    fillingData = records;
    count = n;
    alignX = align;
    order = dataOrder;

    // The new order replaces the old one only with a new picture, so that a
    // drawing that ends early leaves the hit test working on the picture the
    // user still sees. The order itself comes from the cache: only new
    // records or a new mode sort again.
    quint16* newOrder = nullptr;
    int undated = 0;
    if (recordCount > 0) {
        newOrder = static_cast<quint16*>(std::malloc(sizeof(quint16) * size_t(recordCount)));
        if (!newOrder) {
            qCWarning(lcChart) << "chart: no memory for the drawing order of" << recordCount << "records";
            drawing = false;
            return;
        }
        std::memcpy(newOrder, orderCache.order(drawMode, records, recordCount),
                    sizeof(quint16) * size_t(recordCount));
        if (drawMode == ModeDate)
            undated = orderCache.undatedCount();
    }
    // Records without a readable date sit at the end of the date order and
    // take no part in its range, axis or drawing.
    const ChartRange range = findChartRange(drawMode, records, newOrder, recordCount - undated,
                                            lowX, highX, dataOrder);
    const int width = this->width();
    const int labelHeight = chartLabel.height();
    ChartAxis axis;
    if (range.enough) {
        axis = layoutChartAxis(range.lower, range.upper, align,
                               drawMode == ModeTemperature || drawMode == ModeFuelFlow
                                   ? AxisBounds::Real
                                   : AxisBounds::Whole);
        if (axis.ticks > 0) {
            minX = axis.lower;
            maxX = axis.upper;
        }
    }
    if (!range.enough || !axis.valid || width <= 0 || labelHeight <= 0) {
        std::free(newOrder);
        if (!sameRecords)
            drawnFirst = drawnLast = -1; // the shown picture no longer matches the records
        drawing = false;
        return;
    }
    std::free(orderIndex);
    orderIndex = newOrder;
    orderCount = recordCount;
    undatedRecords = undated;
    paintPicture(drawMode, range, axis, width, labelHeight);
    drawing = false;
}

void GUI_DisplayChart::paintPicture(ChartMode drawMode, const ChartRange& range,
                                    const ChartAxis& axis, int width, int labelHeight)
{
    const int plotWidth = width - 60;
    const int bottom = labelHeight - 120;
    const int plotHeight = labelHeight - 150;
    auto* picture = new QPixmap(width, labelHeight);
    picture->fill(Qt::white);
    QPainter painter(picture);
    paintPercentGrid(painter, width, bottom, plotHeight);
    paintXAxis(painter, drawMode, axis, width, labelHeight);
    paintReferenceLines(painter, width, bottom, plotHeight);
    const int first = qMax(range.first, 0);
    const int last = qMin(range.last, orderCount - 1);
    placeRecords(drawMode, axis, first, last, plotWidth, bottom, plotHeight);
    if (reducedDrawing)
        paintSeries(painter, first, last, QSize(width, labelHeight));
    else
        paintEverySegment(painter, first, last);
    paintLegend(painter, drawMode, width, labelHeight);
    paintInfoLine(painter, labelHeight);
    painter.end();

    delete chartPixmap;
    chartPixmap = picture;
    chartLabel.setPixmap(*chartPixmap);
    drawnFirst = last >= first ? first : -1;
    drawnLast = last >= first ? last : -1;
    ++paintedCount;
}

void GUI_DisplayChart::paintPercentGrid(QPainter& painter, int width, int bottom, int plotHeight)
{
    const QFontMetrics metrics = painter.fontMetrics();
    painter.setPen(QPen(Qt::black, 1));
    for (int k = 0; k <= 10; ++k) {
        const int y = bottom - k * plotHeight / 10;
        painter.drawLine(35, y, width - 20, y);
        const QString label = QString::number(20 * k);
        painter.drawText(30 - metrics.horizontalAdvance(label), y + metrics.height() / 2, label);
    }
}

void GUI_DisplayChart::paintXAxis(QPainter& painter, ChartMode drawMode, const ChartAxis& axis,
                                  int width, int labelHeight)
{
    const QFontMetrics metrics = painter.fontMetrics();
    const int plotWidth = width - 60;
    const int baseline = labelHeight - 115 + metrics.height() + 5;
    painter.setPen(QPen(Qt::black, 1));
    for (int k = 0; k < axis.ticks; ++k) {
        const int x = chartTickX(k, axis.ticks, plotWidth);
        painter.drawLine(x, plotTop, x, labelHeight - 115);
        const QString label = chartTickLabel(drawMode, axis, k);
        if (!label.isEmpty())
            painter.drawText(x - metrics.horizontalAdvance(label) / 2, baseline, label);
    }
}

void GUI_DisplayChart::paintReferenceLines(QPainter& painter, int width, int bottom, int plotHeight)
{
    const int right = width - 20;
    painter.setPen(QPen(QColor(255, 119, 119), 2));
    const int y115 = bottom - 115 * plotHeight / 200;
    const int y85 = bottom - 85 * plotHeight / 200;
    painter.drawLine(plotLeft, y115, right, y115);
    painter.drawLine(plotLeft, y85, right, y85);
    painter.setPen(QPen(QColor(119, 119, 119), 2));
    painter.drawLine(plotLeft, bottom - plotHeight / 2, right, bottom - plotHeight / 2);
}

// One pass over the records in drawing order: every record gets its x,
// drawn or not (those outside the range land outside the plot), the drawn
// ones their y values, which also feed the reduced series.
void GUI_DisplayChart::placeRecords(ChartMode drawMode, const ChartAxis& axis, int first, int last,
                                    int plotWidth, int bottom, int plotHeight)
{
    KelmoraFillingData* records = fillingData;
    for (ChartPolylineReducer& line : seriesLines)
        line.clear();
    crossLayer.clear();
    for (int p = 0; p < orderCount; ++p) {
        // In the sorted modes the records are visited out of memory order;
        // asking for them a few steps ahead hides most of the wait.
        if (p + prefetchDistance < orderCount)
            prefetchRecord(&records[orderIndex[p + prefetchDistance]]);
        KelmoraFillingData& record = records[orderIndex[p]];
        record.plotX = chartPlotX(chartRecordX(drawMode, records, orderIndex, p), axis, plotWidth);
        if (p < first || p > last)
            continue;
        const int x = record.plotX;
        record.plotYLinePercent = chartPercentY(record.linePercent, bottom, plotHeight);
        record.plotYRatePercent = chartPercentY(record.ratePercent, bottom, plotHeight);
        record.plotYTemperature = chartPercentY(record.temperature, bottom, plotHeight);
        record.plotYFuelFlow = chartPercentY(record.fuelFlow, bottom, plotHeight);
        record.plotYIntegerPercent = chartPercentYInteger(record.integerPercent, bottom, plotHeight);
        seriesLines[0].add(x, record.plotYLinePercent);
        crossLayer.add(x, record.plotYRatePercent, record.levelCode > 10);
        seriesLines[1].add(x, record.plotYTemperature);
        seriesLines[2].add(x, record.plotYFuelFlow);
        seriesLines[3].add(x, record.plotYIntegerPercent);
    }
    for (ChartPolylineReducer& line : seriesLines)
        line.finish();
}

void GUI_DisplayChart::paintSeries(QPainter& painter, int first, int last, const QSize& size)
{
    if (last < first)
        return;
    const auto drawLines = [&painter](const QColor& colour, const std::vector<QLine>& lines) {
        painter.setPen(QPen(colour, 1));
        painter.drawLines(lines.data(), int(lines.size()));
    };
    drawLines(seriesColour[0], seriesLines[0].lines());
    crossLayer.paint(painter, size, Qt::blue, Qt::red);
    for (int series = 1; series < 4; ++series)
        drawLines(seriesColour[series], seriesLines[series].lines());
}

// The picture the reduced series must equal: every segment and every cross
// drawn by itself, in drawing order, from the positions placeRecords wrote.
void GUI_DisplayChart::paintEverySegment(QPainter& painter, int first, int last)
{
    const KelmoraFillingData* records = fillingData;
    const auto record = [&](int p) -> const KelmoraFillingData& { return records[orderIndex[p]]; };
    const auto polyline = [&](const QColor& colour, qint32 KelmoraFillingData::*plotY) {
        painter.setPen(QPen(colour, 1));
        for (int p = first; p < last; ++p)
            painter.drawLine(record(p).plotX, record(p).*plotY, record(p + 1).plotX,
                             record(p + 1).*plotY);
    };
    polyline(seriesColour[0], &KelmoraFillingData::plotYLinePercent);
    for (int p = first; p <= last; ++p) {
        const int x = record(p).plotX;
        const int y = record(p).plotYRatePercent;
        painter.setPen(QPen(record(p).levelCode > 10 ? Qt::red : Qt::blue, 1));
        painter.drawLine(x, y - 5, x, y + 5);
        painter.drawLine(x - 5, y, x + 5, y);
    }
    polyline(seriesColour[1], &KelmoraFillingData::plotYTemperature);
    polyline(seriesColour[2], &KelmoraFillingData::plotYFuelFlow);
    polyline(seriesColour[3], &KelmoraFillingData::plotYIntegerPercent);
}

void GUI_DisplayChart::paintLegend(QPainter& painter, ChartMode drawMode, int width, int labelHeight)
{
    const QFontMetrics metrics = painter.fontMetrics();
    const int formatNo = origin.recordFormatNo ? 1 : 0;
    painter.setPen(QPen(Qt::black, 1));
    const QString caption = text(UiText::fillings);
    painter.drawText((width - metrics.horizontalAdvance(caption)) / 2, labelHeight - 80, caption);
    qCDebug(lcChart).noquote() << QStringLiteral("Countrycode %1 \"%2\"").arg(modeTag(drawMode)).arg(formatNo);

    // Each entry: where its symbol starts, its colour (none: the two rate
    // crosses) and its text 30 px further right.
    struct Entry {
        int symbolX;
        QColor colour;
        int textNumber;
    };
    const Entry row1[] = {{40, QColor(), 111}, {290, QColor(Qt::blue), 69}};
    const Entry row2[] = {{40, QColor(Qt::red), 72},
                          {290, QColor(255, 0, 255), formatNo ? 51 : 49},
                          {540, QColor(Qt::green), 150}};
    auto paintRow = [&](const Entry* entries, int size, int symbolY) {
        int shift = 0;
        int textEnd = 0;
        for (int i = 0; i < size; ++i) {
            const Entry& entry = entries[i];
            // Entries keep their places unless a long text (a translation, a
            // large font) would run into the next one: then it moves right.
            if (i > 0)
                shift = qMax(shift, textEnd + 10 - entry.symbolX);
            const int x = entry.symbolX + shift;
            if (entry.colour.isValid()) {
                painter.setPen(QPen(entry.colour, 1));
                painter.drawLine(x, symbolY, x + 25, symbolY);
            } else {
                QVector<QLine> cross;
                addCross(cross, x + 5, symbolY);
                drawSegments(painter, Qt::blue, cross);
                cross.clear();
                addCross(cross, x + 20, symbolY);
                drawSegments(painter, Qt::red, cross);
            }
            const QString label = text(entry.textNumber);
            painter.setPen(QPen(Qt::black, 1));
            painter.drawText(x + 30, symbolY + 5, label);
            textEnd = x + 30 + metrics.horizontalAdvance(label);
        }
    };
    paintRow(row1, 2, labelHeight - 55);
    paintRow(row2, 3, labelHeight - 35);
}

void GUI_DisplayChart::paintInfoLine(QPainter& painter, int labelHeight)
{
    painter.setPen(QPen(Qt::black, 1));
    const QFontMetrics metrics = painter.fontMetrics();
    const bool sideA = fillingData == sideARecords;
    // Values keep their columns unless the one before is too long for its
    // column (a long version text): then the rest move right, never overlap.
    int nextFree = 0;
    for (const ChartInfoItem& item : chartInfoLine(origin.unit, sideA)) {
        const int x = qMax(item.x, nextFree);
        painter.drawText(x, labelHeight - 5, item.text);
        nextFree = x + metrics.horizontalAdvance(item.text) + 10;
    }
    if (mode == ModeDate && undatedRecords > 0)
        painter.drawText(qMax(chartUndatedX, nextFree), labelHeight - 5,
                         chartUndatedText(undatedRecords));
}
