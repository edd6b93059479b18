// Construction, layout, the slots and the value box of the chart page.
// Drawing lives in chartdrawing.cpp, the mouse in chartmouse.cpp.
#include "chart/gui_displaychart.h"

#include "frame/stylesheets.h"
#include "frame/texttable.h"
#include "frame/uitexts.h"

#include <QFontMetrics>
#include <QPixmap>
#include <QResizeEvent>
#include <QTimer>

#include <cstdlib>

namespace {

constexpr int chartTop = 60; // the picture starts below the header and buttons

} // namespace

GUI_DisplayChart::GUI_DisplayChart(QWidget* parent)
    : QWidget(parent)
{
    // Children stack in the order they get this widget as parent: the
    // picture at the bottom, the marker, value box and zoom rectangle above
    // it, the header and buttons on top.
    chartLabel.setParent(this);
    markerLabel.setParent(this);
    infoLabel.setParent(this);
    selectionLabel.setParent(this);
    headerLabel.setParent(this);
    sideNoteLabel.setParent(this);
    modeButtons.setParent(this);

    chartLabel.setGeometry(0, chartTop, width(), height() - chartTop);
    // Top left, so that picture coordinates stay widget coordinates minus
    // (0, 60) even while a resize waits for its redraw.
    chartLabel.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    markerLabel.setStyleSheet(QStringLiteral("background:rgba(0, 0, 255, 150);"));
    markerLabel.setGeometry(0, 0, 7, 7);
    infoLabel.setStyleSheet(QStringLiteral("background:#FFFFFF; border:2px solid #000000;"));
    showValueInfo(false, 0, 0, QString());

    selectionLabel.setStyleSheet(QStringLiteral("border:1px solid blue; background:rgba(0, 25, 255,50);"));
    selectionLabel.setGeometry(200, 200, 200, 200);
    selectionLabel.hide();

    headerLabel.setGeometry(5, 5, 76, 50);
    headerLabel.setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    headerLabel.setStyleSheet(QStringLiteral(
        "QLabel {border:0; background:#1C3563; color:white; font-size:12pt;}\n"));

    setupModeButtons();
    setControlsVisible(false);
    sideNoteLabel.setObjectName(QStringLiteral("sideNote"));
    sideNoteLabel.setWordWrap(true);
    sideNoteLabel.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    sideNoteLabel.setAttribute(Qt::WA_TransparentForMouseEvents);
    sideNoteLabel.hide();

    resizeTimer = new QTimer();
    connect(resizeTimer, &QTimer::timeout, this, &GUI_DisplayChart::resizeTimerTimeout);
}

GUI_DisplayChart::~GUI_DisplayChart()
{
    delete resizeTimer;
    delete chartPixmap;
    std::free(orderIndex);
}

void GUI_DisplayChart::setupModeButtons()
{
    modeButtons.setUp();
    for (int i = 0; i < ChartModeButtons::count; ++i) {
        connect(modeButtons.button(ChartMode(i)), &QPushButton::clicked, this,
                &GUI_DisplayChart::buttonClicked);
    }
}

const QPushButton* GUI_DisplayChart::modeButton(ChartMode buttonMode) const
{
    return modeButtons.button(buttonMode);
}

void GUI_DisplayChart::setControlsVisible(bool visible)
{
    headerLabel.setVisible(visible);
    modeButtons.setVisible(visible);
}

void GUI_DisplayChart::showValueInfo(bool visible, int x, int y, const QString& text)
{
    markerLabel.move(x - 3, y - 3);
    markerLabel.setVisible(visible);
    const QFontMetrics metrics(infoLabel.font());
    const int lineEnd = text.indexOf(QLatin1Char('\r'));
    const int w = metrics.horizontalAdvance(lineEnd < 0 ? text : text.left(lineEnd));
    const int h = metrics.height();
    infoLabel.setText(text);
    infoLabel.resize(w + 10, 2 * h + 10);
    if (x < width() / 2)
        infoLabel.move(x + 10, y);
    else
        infoLabel.move(x - w - 20, y);
    infoLabel.setVisible(visible);
}

void GUI_DisplayChart::showWhitePicture()
{
    auto* picture = new QPixmap(qMax(width(), 1), qMax(chartLabel.height(), 1));
    picture->fill(Qt::white);
    delete chartPixmap;
    chartPixmap = picture;
    chartLabel.setPixmap(*chartPixmap);
    drawn.forget(); // no point left to pick
}

void GUI_DisplayChart::drawData(KelmoraFillingData* data, uint16_t* n, double lowX, double highX,
                                DataOrder dataOrder, bool align, ChartMode drawMode)
{
    showValueInfo(false, 0, 0, QString());
    if (!n || *n == 0 || !data) {
        mode = drawMode;
        showWhitePicture();
    }
    mode = drawMode;
    switch (drawMode) {
    case ModeIndex:
        drawIndexChart(data, n, lowX, highX, dataOrder, align);
        break;
    case ModeFillings:
        drawFillingsChart(data, n, lowX, highX, dataOrder, align);
        break;
    case ModeDate:
        drawDateChart(data, n, lowX, highX, dataOrder, align);
        break;
    case ModeTemperature:
        drawTemperatureChart(data, n, lowX, highX, dataOrder, align);
        break;
    case ModeFuelFlow:
        drawFuelFlowChart(data, n, lowX, highX, dataOrder, align);
        break;
    }
    setControlsVisible(true);
}

void GUI_DisplayChart::drawData(KelmoraFillingData* data, uint16_t* n, double lowX, double highX,
                                DataOrder dataOrder, bool align)
{
    drawData(data, n, lowX, highX, dataOrder, align, ModeIndex);
}

void GUI_DisplayChart::drawData(KelmoraFillingData* data, uint16_t* n, double lowX, double highX,
                                DataOrder dataOrder)
{
    drawData(data, n, lowX, highX, dataOrder, true, ModeIndex);
}

void GUI_DisplayChart::drawData(KelmoraFillingData* data, uint16_t* n, double lowX, double highX)
{
    drawData(data, n, lowX, highX, OrderAll, true, ModeIndex);
}

void GUI_DisplayChart::redrawData(double lowX, double highX, DataOrder dataOrder, bool align)
{
    if (count && *count != 0) {
        drawData(fillingData, count, lowX, highX, dataOrder, align, mode);
        return;
    }
    chartLabel.setPixmap(QPixmap());
    drawn.forget();
    setControlsVisible(false);
    showValueInfo(false, 0, 0, QString());
}

void GUI_DisplayChart::redrawData(double lowX, double highX, DataOrder dataOrder)
{
    redrawData(lowX, highX, dataOrder, true);
}

void GUI_DisplayChart::redrawData(double lowX, double highX)
{
    redrawData(lowX, highX, OrderAll, true);
}

void GUI_DisplayChart::buttonClicked()
{
    ChartMode buttonMode = ModeIndex;
    if (!modeButtons.modeOf(sender(), &buttonMode))
        return;
    // The index mode walks the array as it is; the others start forward.
    const DataOrder buttonOrder = buttonMode == ModeIndex ? OrderAll : OrderForward;
    drawData(fillingData, count, chartRangeMin, chartRangeMax, buttonOrder, true, buttonMode);
}

void GUI_DisplayChart::resizeTimerTimeout()
{
    if (!fillingData) {
        resizeTimer->stop();
        return;
    }
    if (drawing)
        return; // try again on the next tick
    resizeTimer->stop();
    redrawData(minX, maxX, order, alignX);
}

void GUI_DisplayChart::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    chartLabel.setGeometry(0, chartTop, width(), height() - chartTop);
    // Right of the five mode buttons; at the smallest window a long note
    // runs on into the blank margin above the plot, which it lets clicks
    // pass through to.
    constexpr int sideNoteLeft = 82 + 5 * 78 + 5;
    sideNoteLabel.setGeometry(sideNoteLeft, 5, qMax(0, width() - sideNoteLeft - 5), 70);
    resizeTimer->start(250);
}

void GUI_DisplayChart::setSideNote(const QString& note, bool warning)
{
    sideNoteLabel.setText(note);
    sideNoteLabel.setStyleSheet(sideNoteStyle(warning));
    sideNoteLabel.setVisible(!note.isEmpty());
}

void GUI_DisplayChart::retranslate()
{
    if (fillingData && !drawing)
        redrawData(minX, maxX, order, alignX);
    headerLabel.setText(wrapText(text(UiText::chartHeading), 5));
    modeButtons.retranslate();
}
