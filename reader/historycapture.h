// What one side's history download brought, as a value for the download
// archive: the history lines byte for byte as the unit sent them, and how the
// reception ended.
#pragma once

#include "reader/sidedownload.h"

#include <QByteArray>

// bytes: everything received for the side; lineOpen: whether the port was
// still open when reception ended; limitReached: reception stopped at the
// receive limit (a cut-off last line is then expected, not a fault).
// Only lines ended by a carriage return are kept: a line cut off mid-record
// would read back as a wrong record.
SideDownload captureSideDownload(char side, int requested, const QByteArray& bytes, bool lineOpen,
                                 bool limitReached);
