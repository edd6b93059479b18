// What the chart's x axis means, and which records of the range it draws.
#pragma once

enum ChartMode {
    ModeIndex = 0,       // position in the array
    ModeFillings = 1,    // fillings value, records sorted by it
    ModeDate = 2,        // timestamp, records sorted by it
    ModeTemperature = 3, // rank by temperature
    ModeFuelFlow = 4,    // rank by fuel flow, ties by temperature
};

enum DataOrder {
    OrderForward = 0,
    OrderReverse = 1,
    OrderAll = 2,
};

// The whole record range, as minX and maxX of a drawing request.
constexpr double chartRangeMin = -2147483648.0;
constexpr double chartRangeMax = 2147483647.0;
