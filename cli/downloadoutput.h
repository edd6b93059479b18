// The files kelmora-cli download can write. Each output (JSON, and whatever
// format is added later) registers one option taking a FILE; download runs
// every output whose option was given, after the records have arrived.
#pragma once

#include "files/exportcommon.h"
#include "model/sidedownload.h"

#include <QJsonObject>
#include <QList>
#include <QString>

class APP_KelmoraDataReader;

struct DownloadOutput {
    QString option;       // the option name without dashes, e.g. "json"
    QString description;  // for --help
    // Writes the sides asked for (records in the per-side storage, the unit
    // values in the reader). False with *error set when the file could not be
    // written completely; a failed output must leave no half-written file.
    bool (*write)(const QString& path, const APP_KelmoraDataReader& reader, bool sideA, bool sideB,
                  QString* error);
};

QList<DownloadOutput>& downloadOutputs();

struct DownloadOutputRegistration {
    explicit DownloadOutputRegistration(const DownloadOutput& output)
    {
        downloadOutputs().append(output);
    }
};

// How each side of the download being written ended; set by download before
// the outputs run.
SideDownload (&downloadResults())[2];
// What the outputs write: the sides asked for from the per-side storage,
// each headed by the record layout its download brought, the unit the reader
// identified, in the language chosen with --lang.
ExportContent downloadedContent(const APP_KelmoraDataReader& reader, bool sideA, bool sideB);
// {"outcome": {"A": …}, "counts": {"A": {"requested": n, "received": n,
// "fromLine": n, "fromArchive": n}}, "method": {"A": …}} for the sides asked
// for, added to a JSON document.
void addDownloadResults(QJsonObject* document);
