#include "app/gui_clockfield.h"

#include <QDateTimeEdit>

namespace {

constexpr int followIntervalMs = 1000;

} // namespace

GUI_ClockField::GUI_ClockField(QDateTimeEdit* clockField, QObject* parent)
    : QObject(parent)
    , field(clockField)
{
    field->setDateTime(QDateTime::currentDateTime());
    connect(field, &QDateTimeEdit::dateTimeChanged, this, &GUI_ClockField::edited);
    timer.setInterval(followIntervalMs);
    connect(&timer, &QTimer::timeout, this, &GUI_ClockField::follow);
    timer.start();
}

void GUI_ClockField::setPcClock(std::function<QDateTime()> clock)
{
    pcClock = std::move(clock);
    follow();
}

QDateTime GUI_ClockField::time() const
{
    return field->dateTime();
}

void GUI_ClockField::follow()
{
    if (editedByUser)
        return;
    beingFollowed = true;
    field->setDateTime(pcClock ? pcClock() : QDateTime::currentDateTime());
    beingFollowed = false;
}

void GUI_ClockField::followAgain()
{
    editedByUser = false;
    follow();
}

void GUI_ClockField::edited()
{
    if (!beingFollowed)
        editedByUser = true;
}
