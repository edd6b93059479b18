#include "files/exportcommon.h"

#include "files/filetexts.h"

#include "model/kelmorafillingdata.h"
#include "frame/texttable.h"


ExportIdentity exportIdentityOf(const UnitIdentity& unit)
{
    ExportIdentity identity;
    identity.hardwareVersion = unit.hardwareVersion;
    identity.softwareVersion = unit.softwareVersion;
    identity.pvnValue = unit.pvnValue;
    identity.pulseInput = unit.pulseInput;
    identity.serialNumber = unit.serialNumber;
    identity.countryCode = unit.countryCode;
    identity.flags = unit.flags;
    identity.pcmText = unit.pcmText;
    identity.statusSideA = unit.statusSideA;
    identity.statusSideB = unit.statusSideB;
    return identity;
}

SideRecords storedSide(char side, bool recordFormatNo)
{
    SideRecords result;
    result.recordFormatNo = recordFormatNo;
    if (side == 'A') {
        result.records = sideARecords;
        result.count = sideARecords ? sideACount : 0;
    } else if (side == 'B') {
        result.records = sideBRecords;
        result.count = sideBRecords ? sideBCount : 0;
    }
    return result;
}

QString columnLabel(int column, bool recordFormatNo, int language)
{
    static const int labels[dataColumns] = {120, 23, 31, 50, 111, 69, 137, 150, 152, 49, 30, 4, 140};
    if (column < 0 || column >= dataColumns)
        return QString();
    if (column == 8)
        return textIn(recordFormatNo ? FileText::auxValueNo : FileText::auxValueNr, language);
    if (column == 9)
        return textIn(recordFormatNo ? FileText::fuelFlowNo : FileText::fuelFlowNr, language);
    return textIn(labels[column], language);
}
