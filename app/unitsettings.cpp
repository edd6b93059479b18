// The three writes that change the unit: operation-mode reset, clock and
// pulse input. Each waits for the technician's yes to a question that names
// the current and the new value, and the log says what the unit reports
// afterwards, not what was asked for.
#include "app/gui_kelmoradiagnose.h"

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

bool GUI_KelmoraDiagnose::confirmUnitChange(const QString& question)
{
    if (refuseWhileBusy())
        return false;
    const int answer = showMessage(messageBoxStyle, question, QString(),
                                   {{MessageButtonRole::Confirm, text(IntegrityText::yes)},
                                    {MessageButtonRole::Cancel, text(IntegrityText::no)}});
    // The box runs its own event loop: an operation may have started, or
    // the line gone, while it was open.
    return answer == 0 && !refuseWhileBusy() && linkState() == LinkState::Connected;
}

void GUI_KelmoraDiagnose::askAndResetMode()
{
    if (confirmUnitChange(text(IntegrityText::confirmReset)
                              .arg(unitOnLine.statusSideA)
                              .arg(unitOnLine.statusSideB))) {
        VisitAction change;
        change.kind = VisitAction::ModeReset;
        unitChanges.begin(change);
        dataReader->resetOperationMode();
    }
}

void GUI_KelmoraDiagnose::askAndSetClock()
{
    const QDateTime chosen = home.dateTimeEdit->dateTime();
    if (confirmUnitChange(text(IntegrityText::confirmClock).arg(chosen.toString(clockFormat)))) {
        VisitAction change;
        change.kind = VisitAction::ClockSet;
        change.clock = chosen;
        unitChanges.begin(change);
        dataReader->setUnitTime(chosen);
    }
}

void GUI_KelmoraDiagnose::askAndSetPulseInput()
{
    bool isNumber = false;
    const int chosen = home.pulseInputCombo->currentText().toInt(&isNumber, 10);
    if (!isNumber || chosen <= 0)
        return;
    if (confirmUnitChange(text(IntegrityText::confirmPulseInput).arg(unitOnLine.pulseInput).arg(chosen))) {
        VisitAction change;
        change.kind = VisitAction::PulseInput;
        change.oldPulseInput = unitOnLine.pulseInput;
        change.newPulseInput = chosen;
        unitChanges.begin(change);
        dataReader->setPulseInput(chosen);
    }
}

void GUI_KelmoraDiagnose::selectUnitPulseInput(qint32 value)
{
    if (!home.pulseInputCombo || value <= 0)
        return;
    const QString entry = QString::number(value);
    int index = home.pulseInputCombo->findText(entry);
    if (index < 0) {
        index = 0;
        while (index < home.pulseInputCombo->count() && home.pulseInputCombo->itemText(index).toInt() < value)
            ++index;
        home.pulseInputCombo->insertItem(index, entry);
    }
    home.pulseInputCombo->setCurrentIndex(index);
}

void GUI_KelmoraDiagnose::operationModeReset(bool success)
{
    unitChanges.finish(VisitAction::ModeReset, success);
    display(text(success ? UiText::resetDone : UiText::resetFailed));
}

void GUI_KelmoraDiagnose::pulseInputSet(bool success)
{
    // The report names what the unit reports now.
    unitChanges.finish(VisitAction::PulseInput, success, dataReader->identity().pulseInput);
    if (!success) {
        display(text(IntegrityText::pulseInputNotSet));
        return;
    }
    unitOnLine.pulseInput = dataReader->identity().pulseInput;  // read back from the unit
    showUnitInfo(false);
    display(text(IntegrityText::pulseInputSet).arg(unitOnLine.pulseInput));
}

void GUI_KelmoraDiagnose::clockReadBack(quint32 before, quint32 after)
{
    Q_UNUSED(before);
    // Comes before timeSet: the report names the time the unit read back.
    unitChanges.clockReadBack(QDateTime::fromSecsSinceEpoch(qint64(after)));
    display(text(IntegrityText::clockSet)
                .arg(QDateTime::fromSecsSinceEpoch(qint64(after)).toString(clockFormat)));
}

void GUI_KelmoraDiagnose::timeSet(bool success)
{
    unitChanges.finish(VisitAction::ClockSet, success);
    if (!success)
        display(text(IntegrityText::clockNotSet));
    // The field goes back to following the PC once the time has gone out.
    clockField->followAgain();
}
