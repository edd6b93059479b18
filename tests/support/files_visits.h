// A prepared download archive of several units and visits, written through
// the archive's own writer with the rate of every filling known, so that a
// listing of the visits is checked against the fillings put in.
#pragma once

#include "model/sidedownload.h"

#include <QDateTime>
#include <QList>
#include <QString>

struct FilesVisitSide {
    char side = 'A';
    SideOutcome outcome = SideOutcome::Complete;
    QList<double> rates;  // one filling per rate
};

struct FilesVisit {
    QString unit;  // the unit's folder name
    QDateTime ended;
    QList<FilesVisitSide> sides;
};

// Every visit of the prepared archive. The note of the newest visit of
// unit 99 is cut short: its dump is listed without an outcome, the note
// named as a problem.
QList<FilesVisit> filesVisits();
constexpr const char* filesBrokenNoteUnit = "99";
bool filesWriteVisitArchive(const QString& root, QString* error);

// The share of rates from 85 to 115 inclusive; negative without rates.
double filesInBandShare(const QList<double>& rates);

// Per visit of the unit, newest first: "<ISO time> A <records> <outcome>
// <share, 3 decimals, or none> B ...", a side not asked for as "B -".
QStringList filesExpectedVisitLines(const QString& unit);
QString filesVisitSideText(char side, bool asked, int records, const QString& outcome, double share);
