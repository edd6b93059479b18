// What the CSV and the ODS writers share: the unit's identity as it stands
// when an export starts, and the text forms of numbers and times.
#pragma once

#include "model/unitidentity.h"

#include <QString>
#include <QtGlobal>

#include <optional>

struct KelmoraFillingData;

// The unit an export names in its header and status lines. By default the
// values of an unknown unit.
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
};

ExportIdentity exportIdentityOf(const UnitIdentity& unit);

// 'g' with 6 significant digits, C locale ("98.5", "1.23457e+06").
inline QString doubleText(double value)
{
    return QString::number(value, 'g', 6);
}

// One side's records as an export writes them, and the layout their lines
// carried ("No" rather than "Nr"), which heads two of the columns.
struct SideRecords {
    const KelmoraFillingData* records = nullptr;
    quint16 count = 0;
    bool recordFormatNo = false;
};
// The stored array and count of side 'A' or 'B' (null/0 for any other letter).
SideRecords storedSide(char side, bool recordFormatNo);

// Everything an export writes: the unit, the sides present (side A first)
// and the language of its texts.
struct ExportContent {
    ExportIdentity unit;
    std::optional<SideRecords> sideA;
    std::optional<SideRecords> sideB;
    int language = 0;
    // The unit a side's records came from when it is not the unit above (a
    // file of another unit opened into one side): that side names it.
    std::optional<ExportIdentity> otherUnitA;
    std::optional<ExportIdentity> otherUnitB;

    const std::optional<SideRecords>& side(char letter) const
    {
        return letter == 'A' ? sideA : sideB;
    }
    const std::optional<ExportIdentity>& otherUnit(char letter) const
    {
        return letter == 'A' ? otherUnitA : otherUnitB;
    }
    // The unit whose identity and status word head a side's records.
    const ExportIdentity& unitOf(char letter) const
    {
        const std::optional<ExportIdentity>& other = otherUnit(letter);
        return other ? *other : unit;
    }
};

// Column headings shared by the CSV header row and the ODS label row: the
// 13 data columns from number to limit, in the order of the history line.
QString columnLabel(int column, bool recordFormatNo, int language);
constexpr int dataColumns = 13;
