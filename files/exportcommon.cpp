#include "files/exportcommon.h"

#include "reader/app_kelmoradatareader.h"
#include "reader/kelmorafillingdata.h"
#include "frame/texttable.h"


ExportIdentity exportIdentity()
{
    ExportIdentity identity;
    const APP_KelmoraDataReader* reader = readerInstance;
    if (!reader)
        return identity;
    identity.hardwareVersion = reader->hardwareVersion;
    identity.softwareVersion = reader->softwareVersion;
    identity.pvnValue = reader->pvnValue;
    identity.pulseInput = reader->pulseInput;
    identity.serialNumber = reader->serialNumber;
    identity.countryCode = reader->countryCode;
    identity.flags = reader->flags;
    identity.pcmText = reader->pcmText;
    identity.statusSideA = reader->statusSideA;
    identity.statusSideB = reader->statusSideB;
    identity.recordFormatNo = reader->recordFormatNo;
    return identity;
}

SideRecords sideRecords(char side)
{
    SideRecords result;
    if (side == 'A') {
        result.records = sideARecords;
        result.count = sideARecords ? sideACount : 0;
    } else if (side == 'B') {
        result.records = sideBRecords;
        result.count = sideBRecords ? sideBCount : 0;
    }
    return result;
}

QString columnLabel(int column, bool recordFormatNo)
{
    static const int labels[dataColumns] = {120, 23, 31, 50, 111, 69, 137, 150, 152, 49, 30, 4, 140};
    if (column < 0 || column >= dataColumns)
        return QString();
    if (column == 8)
        return text(recordFormatNo ? 154 : 152);
    if (column == 9)
        return text(recordFormatNo ? 51 : 49);
    return text(labels[column]);
}
