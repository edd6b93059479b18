#include "app/gui_unitsettings.h"

#include "app/gui_clockfield.h"
#include "frame/integritytexts.h"
#include "frame/messagebox.h"
#include "frame/stylesheets.h"
#include "frame/texttable.h"
#include "frame/uitexts.h"
#include "reader/app_kelmoradatareader.h"

#include <QComboBox>
#include <QDateTime>
#include <QDateTimeEdit>

namespace {

const QString clockFormat = QStringLiteral("yyyy-MM-dd HH:mm");

} // namespace

GUI_UnitSettings::GUI_UnitSettings(APP_KelmoraDataReader* reader, QDateTimeEdit* clockEditField,
                                   QComboBox* pulseInputCombo, GUI_ClockField* clockField,
                                   std::function<bool()> mayWrite, QObject* parent)
    : QObject(parent)
    , dataReader(reader)
    , clockEdit(clockEditField)
    , pulseInputList(pulseInputCombo)
    , clock(clockField)
    , writeAllowed(std::move(mayWrite))
{
}

bool GUI_UnitSettings::confirm(const QString& question)
{
    if (!writeAllowed())
        return false;
    const int answer = showMessage(messageBoxStyle, question, QString(),
                                   {{MessageButtonRole::Confirm, text(IntegrityText::yes)},
                                    {MessageButtonRole::Cancel, text(IntegrityText::no)}});
    // The box runs its own event loop: an operation may have started, or
    // the line gone, while it was open.
    return answer == 0 && writeAllowed();
}

void GUI_UnitSettings::askAndResetMode(const UnitIdentity& unit)
{
    if (confirm(text(IntegrityText::confirmReset).arg(unit.statusSideA).arg(unit.statusSideB))) {
        VisitAction change;
        change.kind = VisitAction::ModeReset;
        changeLog.begin(change);
        dataReader->resetOperationMode();
    }
}

void GUI_UnitSettings::askAndSetClock()
{
    const QDateTime chosen = clockEdit->dateTime();
    if (confirm(text(IntegrityText::confirmClock).arg(chosen.toString(clockFormat)))) {
        VisitAction change;
        change.kind = VisitAction::ClockSet;
        change.clock = chosen;
        changeLog.begin(change);
        dataReader->setUnitTime(chosen);
    }
}

void GUI_UnitSettings::askAndSetPulseInput(const UnitIdentity& unit)
{
    bool isNumber = false;
    const int chosen = pulseInputList->currentText().toInt(&isNumber, 10);
    if (!isNumber || chosen <= 0)
        return;
    if (confirm(text(IntegrityText::confirmPulseInput).arg(unit.pulseInput).arg(chosen))) {
        VisitAction change;
        change.kind = VisitAction::PulseInput;
        change.oldPulseInput = unit.pulseInput;
        change.newPulseInput = chosen;
        changeLog.begin(change);
        dataReader->setPulseInput(chosen);
    }
}

void GUI_UnitSettings::selectUnitPulseInput(qint32 value)
{
    if (!pulseInputList || value <= 0)
        return;
    const QString entry = QString::number(value);
    int index = pulseInputList->findText(entry);
    if (index < 0) {
        index = 0;
        while (index < pulseInputList->count() && pulseInputList->itemText(index).toInt() < value)
            ++index;
        pulseInputList->insertItem(index, entry);
    }
    pulseInputList->setCurrentIndex(index);
}

void GUI_UnitSettings::operationModeReset(bool success)
{
    changeLog.finish(VisitAction::ModeReset, success);
    emit logLine(text(success ? UiText::resetDone : UiText::resetFailed));
}

void GUI_UnitSettings::pulseInputSet(bool success)
{
    // The report names what the unit reports now.
    const qint32 readBack = dataReader->identity().pulseInput;
    changeLog.finish(VisitAction::PulseInput, success, readBack);
    if (!success) {
        emit logLine(text(IntegrityText::pulseInputNotSet));
        return;
    }
    emit pulseInputReadBack(readBack);
    emit logLine(text(IntegrityText::pulseInputSet).arg(readBack));
}

void GUI_UnitSettings::clockReadBack(quint32 after)
{
    // Comes before timeSet: the report names the time the unit read back.
    const QDateTime time = QDateTime::fromSecsSinceEpoch(qint64(after));
    changeLog.clockReadBack(time);
    emit logLine(text(IntegrityText::clockSet).arg(time.toString(clockFormat)));
}

void GUI_UnitSettings::timeSet(bool success)
{
    changeLog.finish(VisitAction::ClockSet, success);
    if (!success)
        emit logLine(text(IntegrityText::clockNotSet));
    // The field goes back to following the PC once the time has gone out.
    clock->followAgain();
}
