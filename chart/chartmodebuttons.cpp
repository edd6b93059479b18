#include "chart/chartmodebuttons.h"

#include "frame/texttable.h"
#include "frame/uitexts.h"

namespace {

// The three rules of a mode button; the fuel-flow button, the last of the
// row, rounds its top right corner.
QString modeButtonStyle(const QString& image, bool roundedCorner)
{
    const QString radius = roundedCorner ? QStringLiteral("border-top-right-radius:15px; ")
                                         : QString();
    const QString picture = QStringLiteral("background-image:url(") + image
        + QStringLiteral("); background-repeat:no-repeat; background-position: center center; ");
    return QStringLiteral("QPushButton {border:0; ") + radius + QStringLiteral("background:#1C3563; ")
        + picture + QStringLiteral("color:white; font-size:14pt;}\n")
        + QStringLiteral("QPushButton:hover {border:5px solid #AAAAAA; ") + radius
        + QStringLiteral("background:#1C3563; ") + picture + QStringLiteral("color:#AAAAAA;}\n")
        + QStringLiteral("QPushButton:pressed {border:5px solid #1C3563; ") + radius
        + QStringLiteral("background:#1C3563; ") + picture + QStringLiteral("color:#1C3563;}");
}

} // namespace

void ChartModeButtons::setParent(QWidget* page)
{
    for (QPushButton& button : buttons)
        button.setParent(page);
}

void ChartModeButtons::setUp()
{
    const char* const images[count] = {":/images/chartmode_index", ":/images/chartmode_fillings",
                                       ":/images/chartmode_date", ":/images/chartmode_temperature",
                                       ":/images/chartmode_fuelflow"};
    int x = 82;
    for (int i = 0; i < count; ++i) {
        QPushButton& button = buttons[i];
        button.setStyleSheet(modeButtonStyle(QLatin1String(images[i]), i == count - 1));
        button.setGeometry(x, 5, 77, 50);
        button.setFlat(true);
        button.setFocusPolicy(Qt::NoFocus);
        if (shown[i])
            x += 78;
        else
            button.hide();
    }
}

QPushButton* ChartModeButtons::button(ChartMode mode)
{
    const int i = int(mode);
    return i >= 0 && i < count ? &buttons[i] : nullptr;
}

const QPushButton* ChartModeButtons::button(ChartMode mode) const
{
    const int i = int(mode);
    return i >= 0 && i < count ? &buttons[i] : nullptr;
}

bool ChartModeButtons::modeOf(const QObject* sender, ChartMode* mode) const
{
    for (int i = 0; i < count; ++i) {
        if (sender == &buttons[i]) {
            *mode = ChartMode(i);
            return true;
        }
    }
    return false;
}

void ChartModeButtons::setVisible(bool visible)
{
    for (int i = 0; i < count; ++i) {
        if (shown[i])
            buttons[i].setVisible(visible);
    }
}

void ChartModeButtons::retranslate()
{
    buttons[ModeIndex].setToolTip(text(UiText::tipIndex));
    buttons[ModeFillings].setToolTip(text(UiText::tipFillings));
    buttons[ModeDate].setToolTip(text(UiText::dateAndTime));
    buttons[ModeTemperature].setToolTip(text(UiText::tipTemperature));
    buttons[ModeFuelFlow].setToolTip(text(UiText::tipFuelFlow));
}
