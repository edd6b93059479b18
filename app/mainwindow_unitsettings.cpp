// The reader's answers to the unit writes, handed to the settings part; the
// window shows the pulse input the unit reads back.
#include "app/gui_kelmoradiagnose.h"

#include "app/gui_unitsettings.h"

void GUI_KelmoraDiagnose::createUnitSettings()
{
    unitSettings = new GUI_UnitSettings(dataReader, home.dateTimeEdit, home.pulseInputCombo, clockField,
                                        [this] { return !refuseWhileBusy() && linkState() == LinkState::Connected; },
                                        this);
    connect(unitSettings, &GUI_UnitSettings::logLine, this, &GUI_KelmoraDiagnose::display);
    connect(unitSettings, &GUI_UnitSettings::pulseInputReadBack, this, [this](qint32 value) {
        unitOnLine.pulseInput = value;
        showUnitInfo(false);
    });
}

const QList<VisitAction>& GUI_KelmoraDiagnose::actionsThisVisit() const
{
    return unitSettings->changes().changes();
}

void GUI_KelmoraDiagnose::operationModeReset(bool success)
{
    unitSettings->operationModeReset(success);
}

void GUI_KelmoraDiagnose::pulseInputSet(bool success)
{
    unitSettings->pulseInputSet(success);
}

void GUI_KelmoraDiagnose::clockReadBack(quint32 before, quint32 after)
{
    Q_UNUSED(before);
    unitSettings->clockReadBack(after);
}

void GUI_KelmoraDiagnose::timeSet(bool success)
{
    unitSettings->timeSet(success);
}
