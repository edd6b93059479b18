#include "chart/chartinfoline.h"

#include "reader/app_kelmoradatareader.h"
#include "frame/texttable.h"

QVector<ChartInfoItem> chartInfoLine(const APP_KelmoraDataReader* reader, bool sideA)
{
    QVector<ChartInfoItem> items;
    if (!reader)
        return items;
    items.append({40, QStringLiteral("HVN.C: ") + QString::number(reader->hardwareVersion, 'g', 6)});
    items.append({120, QStringLiteral("SVN.C: ") + reader->softwareVersion});
    items.append({200, QStringLiteral("PVN.C: ") + QString::number(reader->pvnValue)});
    items.append({280, QStringLiteral("IMP.C: ") + QString::number(reader->pulseInput)});
    items.append({360, QStringLiteral("SNR.C: ") + QString::number(reader->serialNumber)});
    // A country code that could not be read is stored as -1 and not shown.
    if (reader->countryCode >= 0)
        items.append({540, QStringLiteral("CC: ") + QString::number(reader->countryCode)});
    const qint32 status = sideA ? reader->statusSideA : reader->statusSideB;
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
