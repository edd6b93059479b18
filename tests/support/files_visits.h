// A prepared download archive of several units and visits, written through
// the archive's own writer, with the rates of every filling known, so that
// what a listing of the visits says can be checked against the fillings put
// in rather than against the listing's own arithmetic.
#pragma once

#include "reader/sidedownload.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

struct FilesVisitSide {
    char side = 'A';
    SideOutcome outcome = SideOutcome::Complete;
    QList<double> rates;  // one filling per rate, in the unit's order
};

struct FilesVisit {
    QString unit;  // the unit's folder name
    QDateTime ended;
    QList<FilesVisitSide> sides;
};

// A history line of the side with the given record number and rate.
QByteArray filesHistoryLine(char side, int number, double rate);

// Every visit of the prepared archive, as written. The newest visit of unit
// "99" has a note that is no JSON: its dump is listed without an outcome and
// the note is named as a problem.
QList<FilesVisit> filesVisits();
constexpr const char* filesBrokenNoteUnit = "99";

// Writes filesVisits() under root; false with the reason in error.
bool filesWriteVisitArchive(const QString& root, QString* error);

// The share of rates from 85 to 115 inclusive, counted here; negative
// without rates.
double filesInBandShare(const QList<double>& rates);

// One line per visit of the unit, newest first, as
// "yyyy-MM-ddTHH:mm:ssZ A <records> <outcome> <share> B ...", the share
// with three decimals or "none", a side not asked for as "-".
QStringList filesExpectedVisitLines(const QString& unit);
QString filesVisitSideText(char side, bool asked, int records, const QString& outcome, double share);
