#include "files/recordjson.h"

#include "reader/app_kelmoradatareader.h"

#include <QDateTime>

QJsonObject unitJson(const APP_KelmoraDataReader& reader)
{
    QJsonObject unit;
    unit[QStringLiteral("hardwareVersion")] = reader.hardwareVersion;
    unit[QStringLiteral("softwareVersion")] = reader.softwareVersion;
    unit[QStringLiteral("softwareVersionNumber")] = reader.softwareVersionNumber;
    unit[QStringLiteral("pvnValue")] = reader.pvnValue;
    unit[QStringLiteral("pulseInput")] = reader.pulseInput;
    unit[QStringLiteral("serialNumber")] = reader.serialNumber;
    unit[QStringLiteral("statusSideA")] = reader.statusSideA;
    unit[QStringLiteral("statusSideB")] = reader.statusSideB;
    unit[QStringLiteral("pcmText")] = reader.pcmText;
    unit[QStringLiteral("countryCode")] = reader.countryCode;
    unit[QStringLiteral("flags")] = reader.flags;
    unit[QStringLiteral("recordFormatNo")] = reader.recordFormatNo;
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

QJsonObject readerJson(const APP_KelmoraDataReader& reader, bool sideA, bool sideB)
{
    QJsonObject document;
    document[QStringLiteral("unit")] = unitJson(reader);
    if (sideA)
        document[QStringLiteral("sideA")] = recordsJson(sideARecords, sideACount);
    if (sideB)
        document[QStringLiteral("sideB")] = recordsJson(sideBRecords, sideBCount);
    return document;
}
