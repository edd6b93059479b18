// download --csv FILE and --ods FILE: the same files the table pages
// export, in the language chosen with --lang. Both are saved atomically: a
// failed write leaves the previous file as it was.
#include "downloadoutput.h"

#include "files/csvwriter.h"
#include "files/odsexport.h"

namespace {

bool writeCsvOutput(const QString& path, const APP_KelmoraDataReader&, bool sideA, bool sideB,
                    QString* error)
{
    return writeCsvFile(path, sideA, sideB, error);
}

bool writeOdsOutput(const QString& path, const APP_KelmoraDataReader&, bool sideA, bool sideB,
                    QString* error)
{
    return writeOds(path, sideA, sideB, error);
}

const DownloadOutputRegistration csvRegistration(
    {QStringLiteral("csv"), QStringLiteral("Write the unit values and the records as CSV to FILE."),
     writeCsvOutput});
const DownloadOutputRegistration odsRegistration(
    {QStringLiteral("ods"),
     QStringLiteral("Write an OpenDocument spreadsheet with data and chart sheets to FILE."),
     writeOdsOutput});

} // namespace
