#include "chart/chartinfoline.h"

#include "frame/texttable.h"

QVector<ChartInfoItem> chartInfoLine(const UnitIdentity& unit, bool sideA)
{
    QVector<ChartInfoItem> items;
    items.append({40, QStringLiteral("HVN.C: ") + QString::number(unit.hardwareVersion, 'g', 6)});
    items.append({120, QStringLiteral("SVN.C: ") + unit.softwareVersion});
    items.append({200, QStringLiteral("PVN.C: ") + QString::number(unit.pvnValue)});
    items.append({280, QStringLiteral("IMP.C: ") + QString::number(unit.pulseInput)});
    items.append({360, QStringLiteral("SNR.C: ") + QString::number(unit.serialNumber)});
    // A country code that could not be read is stored as -1 and not shown.
    if (unit.countryCode >= 0)
        items.append({540, QStringLiteral("CC: ") + QString::number(unit.countryCode)});
    const qint32 status = sideA ? unit.statusSideA : unit.statusSideB;
    // Binary digits, zero-filled on the right to eight characters.
    items.append({660, QStringLiteral("Status: ")
                           + QString::number(status, 2).leftJustified(8, QLatin1Char('0'))});
    return items;
}

QString chartUndatedText(int count)
{
    // The count follows the text in every language.
    return text(ChartText::undatedRecords) + QLatin1Char(' ') + QString::number(count);
}
