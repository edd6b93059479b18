// A side's download in the technician's words, for the log, the result box
// and the pages: how it ended and why, what it lost or skipped, and where
// its records came from. One wording for the window and the command line.
#pragma once

#include "model/sidedownload.h"

#include <QString>
#include <QStringList>

// "complete", "no answer", or "interrupted" with its cause where it has one
// of its own.
QString sideEndingText(const SideDownload& side);

// "15–17, 40, …": the first few gaps, then an ellipsis.
QString numberGapsText(const QList<NumberGap>& gaps);

// What the technician should know beyond the ending, each a phrase: lines
// that made no record, missing numbers, and for a side built on the archive
// the records from the unit and from the archive.
QStringList sideNotes(const SideDownload& side);

// "120 of 200 records" or, for a cut download on top of the archive,
// "3 of 10 new records".
QString sideCountText(const SideDownload& side);
