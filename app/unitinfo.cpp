// The unit information columns and the controls that need a connected unit.
#include "app/gui_kelmoradiagnose.h"

#include "reader/app_kelmoradatareader.h"
#include "app/gui_infocolumn.h"
#include "app/gui_unitsettings.h"
#include "frame/texttable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLoggingCategory>
#include <QLabel>
#include <QPushButton>

Q_LOGGING_CATEGORY(lcWindow, "kelmora.window", QtInfoMsg)

namespace {

const QString lineEnd = QStringLiteral("\r\n");

QString nameLine(int textNumber)
{
    return text(textNumber) + QStringLiteral(":") + lineEnd;
}

} // namespace

void GUI_KelmoraDiagnose::showUnitInfo(bool namesOnly)
{
    // The unit on the line, never the unit of a file opened since.
    const UnitIdentity* unit = &unitOnLine;
    if (!home.infoNamesLabel)
        return;
    // A language change must not bring back a column the technician has
    // just seen cleared on a disconnect.
    if (namesOnly && home.infoNamesLabel->text().isEmpty())
        return;
    const bool hasCountryCode = unit->countryCode >= 0;
    const bool hasPcm = !unit->pcmText.contains(QStringLiteral("-1"));

    QString names = nameLine(122) + nameLine(53) + nameLine(131) + nameLine(100) + nameLine(102);
    if (hasCountryCode)
        names += nameLine(18);
    if (hasPcm)
        names += QStringLiteral("PCM:") + lineEnd;
    home.infoNamesLabel->setText(names);
    // The values are drawn on the rows the names set.
    home.infoValuesLabel->update();
    if (namesOnly)
        return;

    QString values = QString::number(unit->serialNumber) + lineEnd
                     + QString::number(unit->hardwareVersion, 'g', 6) + lineEnd
                     + unit->softwareVersion + lineEnd
                     + QString::number(double(unit->pvnValue) / 100.0, 'g', 6) + lineEnd
                     + QString::number(unit->pulseInput) + QStringLiteral(" / L") + lineEnd;
    if (hasCountryCode)
        values += QString::number(double(unit->countryCode), 'g', 6) + lineEnd;
    if (hasPcm)
        values += unit->pcmText + lineEnd;
    home.infoValuesLabel->setText(values);
    layOutHomePage();  // the values column's width follows its longest value
    if (unitSettings)
        unitSettings->selectUnitPulseInput(unit->pulseInput);
}

void GUI_KelmoraDiagnose::setUnitControlsVisible(bool visible)
{
    if (!home.infoNamesLabel)
        return;
    for (QWidget* widget : {static_cast<QWidget*>(home.infoNamesLabel), static_cast<QWidget*>(home.infoValuesLabel),
                            static_cast<QWidget*>(home.resetModeButton), static_cast<QWidget*>(home.setTimeButton),
                            static_cast<QWidget*>(home.dateTimeEdit)})
        widget->setVisible(visible);
    const double softwareVersionNumber = unitOnLine.softwareVersionNumber;
    qCDebug(lcWindow) << "software version number" << softwareVersionNumber;
    // Units from software version 2 on take no pulse input setting. Hiding
    // hides them whatever the version: the reader may already hold the
    // version of a newer unit when an older unit's controls are taken down.
    const bool pulseInputVisible = visible && softwareVersionNumber < 2.0;
    home.pulseInputCombo->setVisible(pulseInputVisible);
    home.setPulseInputButton->setVisible(pulseInputVisible);
    home.downloadButton->setVisible(visible);
    home.fullDownloadBox->setVisible(visible);
}
