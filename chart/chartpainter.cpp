// The drawing of the chart picture: one procedure shared by the five modes,
// by the chart page and by the visit report.
#include "chart/chartpainter.h"

#include "chart/chartinfoline.h"
#include "chart/chartordercache.h"
#include "frame/texttable.h"
#include "frame/uitexts.h"

#include <QFontMetrics>
#include <QLine>
#include <QLoggingCategory>
#include <QPainter>
#include <QVector>

namespace {

Q_LOGGING_CATEGORY(lcChartPaint, "kelmora.chart", QtInfoMsg)

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

int plotBottom(const QSize& size)
{
    return size.height() - 120;
}

int plotHeightOf(const QSize& size)
{
    return size.height() - 150;
}

} // namespace

ChartLayout layoutChart(ChartMode mode, const KelmoraFillingData* records, const quint16* order,
                        int datedCount, double minX, double maxX, DataOrder dataOrder, bool align)
{
    ChartLayout layout;
    layout.range = findChartRange(mode, records, order, datedCount, minX, maxX, dataOrder);
    if (!layout.range.enough)
        return layout;
    layout.axis = layoutChartAxis(layout.range.lower, layout.range.upper, align,
                                  mode == ModeTemperature || mode == ModeFuelFlow ? AxisBounds::Real
                                                                                  : AxisBounds::Whole);
    layout.drawable = layout.axis.valid;
    return layout;
}

void ChartPainter::paint(QPainter& painter, const ChartPicture& picture, bool reduced, Crosses crosses)
{
    const int width = picture.size.width();
    const int bottom = plotBottom(picture.size);
    const int plotHeight = plotHeightOf(picture.size);
    paintPercentGrid(painter, width, bottom, plotHeight);
    paintXAxis(painter, picture);
    paintReferenceLines(painter, width, bottom, plotHeight);
    placeRecords(picture, width - 60, bottom, plotHeight);
    if (reduced)
        paintSeries(painter, picture, crosses);
    else
        paintEverySegment(painter, picture);
    paintLegend(painter, picture);
    paintInfoLine(painter, picture);
}

void ChartPainter::paintPercentGrid(QPainter& painter, int width, int bottom, int plotHeight)
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

void ChartPainter::paintXAxis(QPainter& painter, const ChartPicture& picture)
{
    const QFontMetrics metrics = painter.fontMetrics();
    const int plotWidth = picture.size.width() - 60;
    const int labelHeight = picture.size.height();
    const int baseline = labelHeight - 115 + metrics.height() + 5;
    painter.setPen(QPen(Qt::black, 1));
    for (int k = 0; k < picture.axis.ticks; ++k) {
        const int x = chartTickX(k, picture.axis.ticks, plotWidth);
        painter.drawLine(x, plotTop, x, labelHeight - 115);
        const QString label = chartTickLabel(picture.mode, picture.axis, k);
        if (!label.isEmpty())
            painter.drawText(x - metrics.horizontalAdvance(label) / 2, baseline, label);
    }
}

void ChartPainter::paintReferenceLines(QPainter& painter, int width, int bottom, int plotHeight)
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
void ChartPainter::placeRecords(const ChartPicture& picture, int plotWidth, int bottom, int plotHeight)
{
    KelmoraFillingData* records = picture.records;
    const quint16* order = picture.order;
    const int count = picture.orderCount;
    for (ChartPolylineReducer& line : seriesLines)
        line.clear();
    crossLayer.clear();
    for (int p = 0; p < count; ++p) {
        // In the sorted modes the records are visited out of memory order;
        // asking for them a few steps ahead hides most of the wait.
        if (p + prefetchDistance < count)
            prefetchRecord(&records[order[p + prefetchDistance]]);
        KelmoraFillingData& record = records[order[p]];
        record.plotX = chartPlotX(chartRecordX(picture.mode, records, order, p), picture.axis, plotWidth);
        if (p < picture.first || p > picture.last)
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

void ChartPainter::paintSeries(QPainter& painter, const ChartPicture& picture, Crosses crosses)
{
    if (picture.last < picture.first)
        return;
    const auto drawLines = [&painter](const QColor& colour, const std::vector<QLine>& lines) {
        painter.setPen(QPen(colour, 1));
        painter.drawLines(lines.data(), int(lines.size()));
    };
    drawLines(seriesColour[0], seriesLines[0].lines());
    if (crosses == Crosses::Layer)
        crossLayer.paint(painter, picture.size, Qt::blue, Qt::red);
    else
        crossLayer.paintLines(painter, Qt::blue, Qt::red);
    for (int series = 1; series < 4; ++series)
        drawLines(seriesColour[series], seriesLines[series].lines());
}

// The picture the reduced series must equal: every segment and every cross
// drawn by itself, in drawing order, from the positions placeRecords wrote.
void ChartPainter::paintEverySegment(QPainter& painter, const ChartPicture& picture)
{
    const KelmoraFillingData* records = picture.records;
    const quint16* order = picture.order;
    const int first = picture.first;
    const int last = picture.last;
    const auto record = [&](int p) -> const KelmoraFillingData& { return records[order[p]]; };
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

void ChartPainter::paintLegend(QPainter& painter, const ChartPicture& picture)
{
    const QFontMetrics metrics = painter.fontMetrics();
    const int width = picture.size.width();
    const int labelHeight = picture.size.height();
    const int formatNo = picture.origin.recordFormatNo ? 1 : 0;
    painter.setPen(QPen(Qt::black, 1));
    const QString caption = text(UiText::fillings);
    painter.drawText((width - metrics.horizontalAdvance(caption)) / 2, labelHeight - 80, caption);
    qCDebug(lcChartPaint).noquote()
        << QStringLiteral("Countrycode %1 \"%2\"").arg(modeTag(picture.mode)).arg(formatNo);

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

void ChartPainter::paintInfoLine(QPainter& painter, const ChartPicture& picture)
{
    painter.setPen(QPen(Qt::black, 1));
    const QFontMetrics metrics = painter.fontMetrics();
    const int labelHeight = picture.size.height();
    // Values keep their columns unless the one before is too long for its
    // column (a long version text): then the rest move right, never overlap.
    int nextFree = 0;
    for (const ChartInfoItem& item : chartInfoLine(picture.origin.unit, picture.sideA)) {
        const int x = qMax(item.x, nextFree);
        painter.drawText(x, labelHeight - 5, item.text);
        nextFree = x + metrics.horizontalAdvance(item.text) + 10;
    }
    if (picture.mode == ModeDate && picture.undated > 0)
        painter.drawText(qMax(chartUndatedX, nextFree), labelHeight - 5,
                         chartUndatedText(picture.undated));
}

bool paintWholeChart(QPainter& painter, const QSize& size, ChartMode mode,
                     KelmoraFillingData* records, int count, const RecordOrigin& origin, bool sideA)
{
    if (!records || count <= 0 || size.isEmpty())
        return false;
    ChartOrderCache orderCache;
    const quint16* order = orderCache.order(mode, records, count);
    const int undated = mode == ModeDate ? orderCache.undatedCount() : 0;
    const ChartLayout layout = layoutChart(mode, records, order, count - undated, chartRangeMin,
                                           chartRangeMax, mode == ModeIndex ? OrderAll : OrderForward,
                                           true);
    if (!layout.drawable)
        return false;
    ChartPicture picture;
    picture.mode = mode;
    picture.records = records;
    picture.order = order;
    picture.orderCount = count;
    picture.first = qMax(layout.range.first, 0);
    picture.last = qMin(layout.range.last, count - 1);
    picture.axis = layout.axis;
    picture.size = size;
    picture.origin = origin;
    picture.sideA = sideA;
    picture.undated = undated;
    ChartPainter().paint(painter, picture, true, ChartPainter::Crosses::Lines);
    return true;
}
