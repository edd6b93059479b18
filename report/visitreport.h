// What one visit to a unit comes to, as a value the visit report is drawn
// from: the unit, who was there, what was changed on the unit during the
// connection, and per side a copy of the records with how they were read.
// Copies throughout, so a report never changes under the reader or the
// pages (and the chart's plot fields it writes are its own).
#pragma once

#include "model/kelmorafillingdata.h"
#include "model/sidedownload.h"
#include "model/unitidentity.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVector>

// A change made to the unit while it was connected, as the reader reported it.
struct VisitAction {
    enum Kind { ModeReset, PulseInput, ClockSet };
    Kind kind = ModeReset;
    bool succeeded = false;
    qint32 oldPulseInput = 0;  // PulseInput: per litre before and asked for
    qint32 newPulseInput = 0;
    QDateTime clock;           // ClockSet: the time the unit was set to
    QDateTime at;              // when it was done, PC time
};

// Where the records of a report came from.
enum class ReportSource { Download, Archive, File };

struct ReportSide {
    char side = 'A';
    QVector<KelmoraFillingData> records;
    RecordOrigin origin;
    // How the side's download ended; outcome NotRequested for records read
    // from a saved file, which tells nothing of the download that made it.
    SideDownload download;
};

struct VisitReport {
    UnitIdentity unit;
    QDateTime downloadTime;    // PC time when the records were read; invalid when not known
    QString technician;
    QString site;
    ReportSource source = ReportSource::Download;
    QString sourceName;        // the archived download's stamp or the file's name
    QList<VisitAction> actions;
    QList<ReportSide> sides;   // side A before side B, only the sides that were read
};

// The technician and site remembered between runs; empty when never given.
QString rememberedTechnician();
QString rememberedSite();
void rememberVisitor(const QString& technician, const QString& site);
