// The clock field of the Home page follows the PC's time, so that Set clock
// sends the time the technician sees, until the technician changes it; a new
// connection or a clock setting makes it follow again.
#pragma once

#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <functional>

class QDateTimeEdit;

class GUI_ClockField : public QObject
{
    Q_OBJECT

public:
    GUI_ClockField(QDateTimeEdit* field, QObject* parent);

    // Where the PC's time comes from (tests move it on); none: the PC's own.
    void setPcClock(std::function<QDateTime()> clock);
    QDateTime time() const;
    // Puts the PC's time into the field unless the technician has edited it.
    void follow();
    // Forgets the technician's edit and follows the PC again.
    void followAgain();

private:
    void edited();

    QDateTimeEdit* field;
    QTimer timer;
    std::function<QDateTime()> pcClock;
    bool editedByUser = false;
    bool beingFollowed = false;  // set while the field is filled from the PC
};
