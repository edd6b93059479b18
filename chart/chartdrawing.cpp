// The chart page's drawings: the drawing order and range of a request, the
// picture painted by the chart painter into the page's pixmap.
#include "chart/gui_displaychart.h"

#include "reader/app_kelmoradatareader.h"
#include "chart/chartorder.h"

#include <QLoggingCategory>
#include <QPainter>
#include <QPixmap>

#include <cstdlib>
#include <cstring>

namespace {

Q_LOGGING_CATEGORY(lcChart, "kelmora.chart", QtInfoMsg)

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
    const bool sameRecords = records == fillingData && recordCount == drawn.orderCount;
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
    const ChartLayout layout = layoutChart(drawMode, records, newOrder, recordCount - undated, lowX,
                                           highX, dataOrder, align);
    const int width = this->width();
    const int labelHeight = chartLabel.height();
    if (layout.range.enough && layout.axis.ticks > 0) {
        minX = layout.axis.lower;
        maxX = layout.axis.upper;
    }
    if (!layout.drawable || width <= 0 || labelHeight <= 0) {
        std::free(newOrder);
        if (!sameRecords)
            drawn.forget(); // the shown picture no longer matches the records
        drawing = false;
        return;
    }
    std::free(orderIndex);
    orderIndex = newOrder;
    drawn.orderCount = recordCount;
    undatedRecords = undated;
    paintPicture(drawMode, layout, width, labelHeight);
    drawing = false;
}

void GUI_DisplayChart::paintPicture(ChartMode drawMode, const ChartLayout& layout, int width,
                                    int labelHeight)
{
    auto* picture = new QPixmap(width, labelHeight);
    picture->fill(Qt::white);
    QPainter painter(picture);
    ChartPicture request;
    request.mode = drawMode;
    request.records = fillingData;
    request.order = orderIndex;
    request.orderCount = drawn.orderCount;
    request.first = qMax(layout.range.first, 0);
    request.last = qMin(layout.range.last, drawn.orderCount - 1);
    request.axis = layout.axis;
    request.size = QSize(width, labelHeight);
    request.origin = origin;
    request.sideA = fillingData == sideARecords;
    request.undated = mode == ModeDate ? undatedRecords : 0;
    chartPainter.paint(painter, request, reducedDrawing, ChartPainter::Crosses::Layer);
    painter.end();

    delete chartPixmap;
    chartPixmap = picture;
    chartLabel.setPixmap(*chartPixmap);
    const bool any = request.last >= request.first;
    drawn.first = any ? request.first : -1;
    drawn.last = any ? request.last : -1;
    ++paintedCount;
}
