// The row of mode buttons at the top of a chart page: one picture button per
// x-axis mode, side by side right of the page's header. The fillings button
// is made like the others but left out of the row, never shown.
#pragma once

#include "chart/chartmode.h"

#include <QPushButton>

class QObject;
class QWidget;

class ChartModeButtons
{
public:
    static constexpr int count = 5;

    // Makes the buttons children of `page`; children stack in the order they
    // get their parent, so the page calls this where the row belongs.
    void setParent(QWidget* page);
    // Styles and places the buttons and hides those the row leaves out.
    void setUp();
    // The button of a mode; null for a mode without one.
    QPushButton* button(ChartMode mode);
    const QPushButton* button(ChartMode mode) const;
    // The mode whose button `sender` is; false for anything else.
    bool modeOf(const QObject* sender, ChartMode* mode) const;
    // Shows or hides the row; a left-out button stays hidden.
    void setVisible(bool visible);
    // The tool tips in the current language.
    void retranslate();

private:
    // Indexed by ChartMode.
    QPushButton buttons[count];
    bool shown[count] = {true, false, true, true, true};
};
