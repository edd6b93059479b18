// The chart page of one dispenser side.
#pragma once

#include "chartmode.h"
#include "kelmorafillingdata.h"

#include <QWidget>

#include <cstdint>

class GUI_DisplayChart : public QWidget
{
    Q_OBJECT

public:
    explicit GUI_DisplayChart(QWidget* parent = nullptr);
    ~GUI_DisplayChart() override;

    void retranslate();

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

private:
    KelmoraFillingData* fillingData = nullptr;
    uint16_t* count = nullptr;
};
