// What the CSV and the ODS writers share: the unit's identity as it stands
// when an export starts, and the text forms of numbers and times.
#pragma once

#include <QString>
#include <QtGlobal>

struct KelmoraFillingData;

// The reader's identity members, copied once per export so every line of a
// file shows the same unit. Without a reader the values of an unknown unit.
struct ExportIdentity {
    double hardwareVersion = -1.0;
    QString softwareVersion = QStringLiteral("-1");
    qint32 pvnValue = -1;
    qint32 pulseInput = -1;
    qint32 serialNumber = -1;
    qint32 countryCode = -1;
    qint32 flags = 0;
    QString pcmText = QStringLiteral("-1");
    qint32 statusSideA = 0;
    qint32 statusSideB = 0;
    bool recordFormatNo = false;
};

ExportIdentity exportIdentity();

// 'g' with 6 significant digits, C locale ("98.5", "1.23457e+06").
inline QString doubleText(double value)
{
    return QString::number(value, 'g', 6);
}

// The record array and count of side 'A' or 'B' (null/0 for any other letter).
struct SideRecords {
    const KelmoraFillingData* records = nullptr;
    quint16 count = 0;
};
SideRecords sideRecords(char side);

// Column headings shared by the CSV header row and the ODS label row: the
// 13 data columns from number to limit, in the order of the history line.
QString columnLabel(int column, bool recordFormatNo);
constexpr int dataColumns = 13;
