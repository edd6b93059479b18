// The chart page of one dispenser side: five record values against one
// percent axis, the x axis chosen by the mode buttons, zoom by dragging,
// reset by a right click, and the value of a clicked point in a small box.
// Everything is painted into an off-screen pixmap shown by a label.
#pragma once

#include "chart/chartaxis.h"
#include "chart/chartdrawnrange.h"
#include "chart/chartmode.h"
#include "chart/chartmodebuttons.h"
#include "chart/chartordercache.h"
#include "chart/chartpainter.h"
#include "chart/chartzoomdrag.h"
#include "model/kelmorafillingdata.h"
#include "model/unitidentity.h"

#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include <cstdint>

class QPainter;
class QTimer;

class GUI_DisplayChart : public QWidget
{
    Q_OBJECT

public:
    explicit GUI_DisplayChart(QWidget* parent = nullptr);
    ~GUI_DisplayChart() override;

    // Redraws with the stored request (unless a drawing runs) and sets the
    // texts of the current language.
    void retranslate();

    // Read-only views of the chart's state, for the main window and tests.
    double chartMinX() const { return minX; }
    double chartMaxX() const { return maxX; }
    ChartMode chartMode() const { return mode; }
    DataOrder chartOrder() const { return order; }
    bool chartAlignX() const { return alignX; }
    bool isDrawing() const { return drawing; }
    const QPixmap* picture() const { return chartPixmap; }
    // The array the chart draws from (borrowed; null when none was given).
    const KelmoraFillingData* shownRecords() const { return fillingData; }
    const QLabel* pictureLabel() const { return &chartLabel; }
    // Drawing positions drawn by the last complete drawing; -1 when none.
    int firstDrawn() const { return drawn.first; }
    int lastDrawn() const { return drawn.last; }
    // The drawing order of the last drawing and its length.
    const quint16* drawingOrder() const { return orderIndex; }
    int drawingOrderCount() const { return drawn.orderCount; }
    // Records the date mode left out of its last picture (no readable date).
    int undatedLeftOut() const { return undatedRecords; }
    // How often the drawing order was sorted anew, since construction.
    int drawingOrderSorts() const { return orderCache.rebuilds(); }
    // Off: every segment and cross is painted by itself, the picture the
    // reduced drawing must reproduce pixel for pixel (for tests).
    void setReducedDrawing(bool reduced) { reducedDrawing = reduced; }
    // Drawings that got as far as painting a new picture, since construction.
    int paintedDrawings() const { return paintedCount; }
    const QLabel* header() const { return &headerLabel; }
    // The line right of the mode buttons that says whose records the side
    // holds and what is wrong with them; hidden while empty.
    void setSideNote(const QString& note, bool warning);
    const QLabel* sideNote() const { return &sideNoteLabel; }
    // The unit and record layout of the records handed over next; the info
    // line and the legend show this copy until another is given.
    void setRecordOrigin(const RecordOrigin& given) { origin = given; }
    const RecordOrigin& recordOrigin() const { return origin; }
    const QPushButton* modeButton(ChartMode buttonMode) const;
    const QLabel* marker() const { return &markerLabel; }
    const QLabel* valueBox() const { return &infoLabel; }
    const QLabel* selection() const { return &selectionLabel; }

public Q_SLOTS:
    void drawData(KelmoraFillingData* fillingData, uint16_t* count, double minX, double maxX,
                  DataOrder order, bool alignX, ChartMode mode);
    void drawData(KelmoraFillingData* fillingData, uint16_t* count, double minX, double maxX,
                  DataOrder order, bool alignX);
    void drawData(KelmoraFillingData* fillingData, uint16_t* count, double minX, double maxX,
                  DataOrder order);
    void drawData(KelmoraFillingData* fillingData, uint16_t* count, double minX, double maxX);
    void redrawData(double minX, double maxX, DataOrder order, bool alignX);
    void redrawData(double minX, double maxX, DataOrder order);
    void redrawData(double minX, double maxX);
    void buttonClicked();
    void resizeTimerTimeout();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Construction (gui_displaychart.cpp).
    void setupModeButtons();
    void setControlsVisible(bool visible);
    void showValueInfo(bool visible, int x, int y, const QString& text);
    void showWhitePicture();

    // Drawing (chartdrawing.cpp).
    void drawIndexChart(KelmoraFillingData* records, uint16_t* count, double minX, double maxX,
                        DataOrder order, bool alignX);
    void drawFillingsChart(KelmoraFillingData* records, uint16_t* count, double minX, double maxX,
                           DataOrder order, bool alignX);
    void drawDateChart(KelmoraFillingData* records, uint16_t* count, double minX, double maxX,
                       DataOrder order, bool alignX);
    void drawTemperatureChart(KelmoraFillingData* records, uint16_t* count, double minX,
                              double maxX, DataOrder order, bool alignX);
    void drawFuelFlowChart(KelmoraFillingData* records, uint16_t* count, double minX, double maxX,
                           DataOrder order, bool alignX);
    void drawChart(ChartMode drawMode, KelmoraFillingData* records, uint16_t* count, double minX,
                   double maxX, DataOrder order, bool alignX);
    void paintPicture(ChartMode drawMode, const ChartLayout& layout, int width, int labelHeight);

    // Mouse (chartmouse.cpp).
    bool recordsGiven() const;
    bool inPressZone(int x, int y) const;
    bool inMoveZone(int x, int y) const;
    void pickNearestValue(int x, int y);

    bool drawing = false;
    QLabel chartLabel;
    QPixmap* chartPixmap = nullptr;
    QTimer* resizeTimer = nullptr;
    KelmoraFillingData* fillingData = nullptr;
    uint16_t* count = nullptr;
    double minX = 0.0;
    double maxX = 0.0;
    bool alignX = true;
    DataOrder order = OrderAll;
    ChartMode mode = ModeIndex;
    quint16* orderIndex = nullptr;
    ChartZoomDrag zoomDrag;
    QLabel selectionLabel;
    QLabel headerLabel;
    QLabel sideNoteLabel;
    ChartModeButtons modeButtons;
    QLabel markerLabel;
    QLabel infoLabel;

    ChartDrawnRange drawn;  // what the last picture drew of orderIndex
    int paintedCount = 0;

    RecordOrigin origin;
    ChartOrderCache orderCache;
    int undatedRecords = 0;
    bool reducedDrawing = true;
    ChartPainter chartPainter;
};
