// Helpers for the tests of the CSV export, the data file import and the ODS
// export: a six-language text table, records, zip reading and the external
// judges (xmllint, LibreOffice).
#pragma once

#include "files/exportcommon.h"

#include "model/kelmorafillingdata.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

// Writes a text table of 200 entries in six languages (umlauts, accents,
// Chinese, "&" and "<" in some entries) to dir and returns its path. With
// sharedTitle every language gets the same text 54, as a product name would.
QString filesWriteTextTable(const QString& dir, bool sharedTitle = false);
// Loads the synthetic table (written to a temporary place); true on success.
bool filesLoadSyntheticTexts(bool sharedTitle = false);

// The unit the export and import tests write: serial number 4711, hardware
// 2.5, software "V1.40", PVN 12, pulse input 100, country 49, "PCM-7", flags
// 4, status words 6 (side A) and 0 (side B). Tests change what they test.
ExportIdentity filesUnit();

// A record with every data field set from the number, so that records of a
// test differ in each field.
KelmoraFillingData filesRecord(int number);
// filesRecord with a recovery rate a test can count on: 80 % (below the
// band) when the number ends in 0, 120 % (above) when it ends in 5, in band
// otherwise.
KelmoraFillingData filesBandedRecord(int number);
// Copies the records into a fresh malloc'd array and installs it as the side.
void filesInstallSide(char side, const QVector<KelmoraFillingData>& records);
QVector<KelmoraFillingData> filesSideRecords(char side);
// What an export of the stored sides asked for writes: the given unit, each
// side headed by the given record layout, the current language.
ExportContent filesStoredContent(const ExportIdentity& unit, bool sideA, bool sideB,
                                 bool formatNoA = false, bool formatNoB = false);

// Compares the data fields (not the drawing cache); the first difference as
// text, empty when equal.
QString filesRecordDifference(const KelmoraFillingData& a, const KelmoraFillingData& b);

struct FilesZipEntry {
    QString name;
    QByteArray data;
};
// Entries of a zip package in the order of its central directory.
QList<FilesZipEntry> filesZipEntries(const QString& path);

// Runs a program with a bound; false when it could not start or timed out.
bool filesRun(const QString& program, const QStringList& arguments, int timeoutMs,
              QByteArray* output = nullptr, int* exitCode = nullptr);
// Full path of the program or empty when it is not installed.
QString filesFindProgram(const QString& name);

// Converts a file with LibreOffice headless into outDir (private profile
// under profileDir). True when it ran; check the output file yourself.
bool filesSofficeConvert(const QString& file, const QString& filter, const QString& outDir,
                         const QString& profileDir);

// Parses semicolon-free CSV text as LibreOffice writes it (comma separated,
// double quotes around texts that need them).
QList<QStringList> filesParseCommaCsv(const QByteArray& data);
