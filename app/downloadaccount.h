// What the window tells the technician about a history download: one box
// after it, with a line lost during the download said first, each side with
// how it ended and what it lost or took from the archive; and per side the
// download its records came from, until a file replaces them.
#pragma once

#include "model/sidedownload.h"

#include <QString>

class DownloadAccount
{
public:
    // The reader has been asked for both sides, or one.
    void started(bool bothSides);
    void readerEnded();
    // How each side ended, just before the reader announces the records.
    void sidesDownloaded(const SideDownload& sideA, const SideDownload& sideB);
    // A side's records came from a file.
    void sideFromFile(char side);
    // Called with each announcement of records: true when it is the
    // download's result.
    bool takeResult();
    // The line went: true when a download is running whose box will say so
    // first; false when the loss needs a box of its own.
    bool lineLost();

    // The download a side's records came from (outcome NotRequested when
    // they came from a file).
    const SideDownload& recordsOf(char side) const { return records[side == 'B' ? 1 : 0]; }

    // One paragraph per side asked for: received against requested, how it
    // ended and why, and what it lost, skipped or took from the archive.
    QString outcomeText() const;
    // A side's success line with what it skipped and where its records came
    // from (sideLine is the side's own summary line).
    QString sideSummary(char side, const QString& sideLine) const;
    // The text with the lost line said first when the line went during the
    // download; the loss is then told.
    QString lineLossFirst(const QString& text);

private:
    bool bothSides = false;
    bool resultPending = false;
    bool outcomeDelivered = false;  // the running download's result has been shown
    bool lineLostInDownload = false;
    SideDownload last[2];
    SideDownload records[2];
};
