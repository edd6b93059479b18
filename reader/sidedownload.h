// How the history download of one dispenser side ended, as a value that
// travels from the reader thread to the window, the command line and the
// archive.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMetaType>

enum class SideOutcome {
    NotRequested,  // the side was not part of this download
    Complete,      // the unit went quiet after whole lines
    Interrupted,   // line lost, Disconnect, or the stream stopped inside a record
    NoAnswer,      // nothing came back for the request
};

struct SideDownload {
    char side = 'A';
    SideOutcome outcome = SideOutcome::NotRequested;
    int requested = 0;              // records asked for
    int received = 0;               // records that arrived and were parsed
    bool recordsReplaced = false;   // the side's stored records are now this download's
    bool recordFormatNo = false;    // their lines carried "No" rather than "Nr"
    QList<QByteArray> historyLines; // each line that starts a history record, as received,
                                    // without its line end
};

Q_DECLARE_METATYPE(SideDownload)
