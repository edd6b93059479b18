// Where the records each side holds came from: the unit and the record
// layout (handed to the side's pages with the records), when they arrived
// (PC time; invalid for records read from a file) and the file they were
// read from.
#pragma once

#include "model/unitidentity.h"

#include <QDateTime>
#include <QString>

class SideSources
{
public:
    void downloaded(char side, const UnitIdentity& unit, bool recordFormatNo, const QDateTime& arrived)
    {
        origins[index(side)] = RecordOrigin{unit, recordFormatNo};
        times[index(side)] = arrived;
    }
    void readFromFile(char side, const RecordOrigin& origin, const QString& fileName)
    {
        origins[index(side)] = origin;
        times[index(side)] = QDateTime();
        file = fileName;
    }
    const RecordOrigin& origin(char side) const { return origins[index(side)]; }
    QDateTime arrived(char side) const { return times[index(side)]; }
    // The last file sides were read from.
    const QString& fileName() const { return file; }

private:
    static int index(char side) { return side == 'B' ? 1 : 0; }

    RecordOrigin origins[2];
    QDateTime times[2];
    QString file;
};
