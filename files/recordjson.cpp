#include "files/recordjson.h"

#include <QDateTime>

QJsonObject unitJson(const UnitIdentity& known, bool recordFormatNo)
{
    QJsonObject unit;
    unit[QStringLiteral("hardwareVersion")] = known.hardwareVersion;
    unit[QStringLiteral("softwareVersion")] = known.softwareVersion;
    unit[QStringLiteral("softwareVersionNumber")] = known.softwareVersionNumber;
    unit[QStringLiteral("pvnValue")] = known.pvnValue;
    unit[QStringLiteral("pulseInput")] = known.pulseInput;
    unit[QStringLiteral("serialNumber")] = known.serialNumber;
    unit[QStringLiteral("statusSideA")] = known.statusSideA;
    unit[QStringLiteral("statusSideB")] = known.statusSideB;
    unit[QStringLiteral("pcmText")] = known.pcmText;
    unit[QStringLiteral("countryCode")] = known.countryCode;
    unit[QStringLiteral("flags")] = known.flags;
    unit[QStringLiteral("recordFormatNo")] = recordFormatNo;
    return unit;
}

QJsonArray recordsJson(const KelmoraFillingData* records, quint16 count)
{
    QJsonArray list;
    for (int i = 0; records && i < count; ++i) {
        const KelmoraFillingData& r = records[i];
        QJsonObject o;
        o[QStringLiteral("number")] = r.number;
        o[QStringLiteral("timestamp")] =
            QDateTime::fromSecsSinceEpoch(qint64(r.timestamp)).toString(Qt::ISODate);
        o[QStringLiteral("levelCode")] = r.levelCode;
        o[QStringLiteral("fillings")] = r.fillings;
        o[QStringLiteral("ratePercent")] = r.ratePercent;
        o[QStringLiteral("linePercent")] = r.linePercent;
        o[QStringLiteral("temperature")] = r.temperature;
        o[QStringLiteral("integerPercent")] = r.integerPercent;
        o[QStringLiteral("auxValue")] = r.auxValue;
        o[QStringLiteral("fuelFlow")] = r.fuelFlow;
        o[QStringLiteral("optionalFirst")] = r.optionalFirst;
        o[QStringLiteral("optionalSecond")] = r.optionalSecond;
        o[QStringLiteral("limit")] = r.limit;
        o[QStringLiteral("separator")] = QString(QLatin1Char(r.separator));
        list.append(o);
    }
    return list;
}

QJsonObject recordsDocument(const UnitIdentity& unit, const std::optional<SideRecords>& sideA,
                            const std::optional<SideRecords>& sideB)
{
    const std::optional<SideRecords>& first = sideA ? sideA : sideB;
    QJsonObject document;
    document[QStringLiteral("unit")] = unitJson(unit, first && first->recordFormatNo);
    if (sideA)
        document[QStringLiteral("sideA")] = recordsJson(sideA->records, sideA->count);
    if (sideB)
        document[QStringLiteral("sideB")] = recordsJson(sideB->records, sideB->count);
    return document;
}
