// What the tool has learnt about one unit: filled by an identification or
// read from a saved file, then handed on as a copy, so what a page shows or
// an export writes never changes under it while the reader works.
#pragma once

#include <QMetaType>
#include <QString>
#include <QtGlobal>

struct UnitIdentity {
    double hardwareVersion = -1.0;
    QString softwareVersion;
    double softwareVersionNumber = 0.0;
    qint32 pvnValue = 0;
    qint32 pulseInput = 0;
    qint32 serialNumber = 0;   // also the unit's address for register commands
    qint32 statusSideA = 0;
    qint32 statusSideB = 0;
    QString pcmText;
    qint32 countryCode = -1;
    qint32 flags = 0;
};

// What one side's records came with: the unit they were read from (or the
// one a loaded file names) and the layout of their lines, "No" rather than
// "Nr", which heads two columns. Each side's pages keep their own.
struct RecordOrigin {
    UnitIdentity unit;
    bool recordFormatNo = false;
};

Q_DECLARE_METATYPE(UnitIdentity)
