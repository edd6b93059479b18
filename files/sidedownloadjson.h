// A side's download in the words scripts read: the command line's JSON and
// the archive's notes say the same thing the same way.
#pragma once

#include "model/sidedownload.h"

#include <QJsonObject>
#include <QString>

// "complete", "interrupted", "no-answer" or "not-requested".
QString sideOutcomeName(SideOutcome outcome);
// "incremental", "full", or "full: " and why the archive could not serve.
QString archiveUseName(ArchiveUse use);
// archiveUseName, except that a cut download on top of the archive says
// "incremental: new records cut short".
QString sideMethodName(const SideDownload& side);
// What a side lost or skipped: {"cause", "overrunBytes", "unreadLines",
// "missingNumbers": [[first, last], …], "newRecordsExpected" when known}.
QJsonObject sideFindings(const SideDownload& side);
