#include "gui_displaychart.h"

// Placeholder until the chart drawing lands: keeps the pointers only.
GUI_DisplayChart::GUI_DisplayChart(QWidget* parent) : QWidget(parent) {}
GUI_DisplayChart::~GUI_DisplayChart() = default;
void GUI_DisplayChart::retranslate() {}
void GUI_DisplayChart::drawData(KelmoraFillingData* data, uint16_t* n, double, double, DataOrder, bool,
                                ChartMode)
{
    fillingData = data;
    count = n;
}
void GUI_DisplayChart::drawData(KelmoraFillingData* data, uint16_t* n, double a, double b, DataOrder o,
                                bool align)
{
    drawData(data, n, a, b, o, align, ModeIndex);
}
void GUI_DisplayChart::drawData(KelmoraFillingData* data, uint16_t* n, double a, double b, DataOrder o)
{
    drawData(data, n, a, b, o, true, ModeIndex);
}
void GUI_DisplayChart::drawData(KelmoraFillingData* data, uint16_t* n, double a, double b)
{
    drawData(data, n, a, b, OrderAll, true, ModeIndex);
}
void GUI_DisplayChart::redrawData(double, double, DataOrder, bool) {}
void GUI_DisplayChart::redrawData(double a, double b, DataOrder o) { redrawData(a, b, o, true); }
void GUI_DisplayChart::redrawData(double a, double b) { redrawData(a, b, OrderAll, true); }
