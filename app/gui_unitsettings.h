// The three writes that change the unit: operation-mode reset, clock and
// pulse input. Each waits for the technician's yes to a question that names
// the current and the new value; the log says what the unit reports
// afterwards, not what was asked for; the changes are kept for the visit
// report.
#pragma once

#include "app/unitchangelog.h"
#include "model/unitidentity.h"

#include <QObject>

#include <functional>

class APP_KelmoraDataReader;
class GUI_ClockField;
class QComboBox;
class QDateTimeEdit;

class GUI_UnitSettings : public QObject
{
    Q_OBJECT

public:
    // mayWrite: true while no operation runs and the unit is connected
    // (says in the log why not otherwise).
    GUI_UnitSettings(APP_KelmoraDataReader* reader, QDateTimeEdit* clockEdit, QComboBox* pulseInputList,
                     GUI_ClockField* clockField, std::function<bool()> mayWrite, QObject* parent);

    void askAndResetMode(const UnitIdentity& unit);
    void askAndSetClock();
    void askAndSetPulseInput(const UnitIdentity& unit);
    // Shows the unit's own pulse input in the list, adding it when the list
    // lacks it, so that a press without a choice changes nothing.
    void selectUnitPulseInput(qint32 value);

    // The reader's answers to the writes.
    void operationModeReset(bool success);
    void pulseInputSet(bool success);
    void clockReadBack(quint32 after);
    void timeSet(bool success);

    const UnitChangeLog& changes() const { return changeLog; }
    void newVisit() { changeLog.clear(); }

Q_SIGNALS:
    void logLine(const QString& line);
    // A pulse input write succeeded; the unit now reports this value.
    void pulseInputReadBack(qint32 value);

private:
    bool confirm(const QString& question);

    APP_KelmoraDataReader* dataReader = nullptr;
    QDateTimeEdit* clockEdit = nullptr;
    QComboBox* pulseInputList = nullptr;
    GUI_ClockField* clock = nullptr;
    std::function<bool()> writeAllowed;
    UnitChangeLog changeLog;
};
