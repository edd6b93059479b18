// download --csv FILE and --ods FILE: the same files the table pages
// export, in the language chosen with --lang. Both are saved atomically: a
// failed write leaves the previous file as it was.
#include "downloadoutput.h"

#include "files/csvwriter.h"
#include "files/odsexport.h"

#include "frame/texttable.h"
#include "reader/app_kelmoradatareader.h"

ExportContent downloadedContent(const APP_KelmoraDataReader& reader, bool sideA, bool sideB)
{
    ExportContent content;
    content.unit = exportIdentityOf(reader.identity());
    content.language = currentLanguage();
    if (sideA)
        content.sideA = storedSide('A', downloadResults()[0].recordFormatNo);
    if (sideB)
        content.sideB = storedSide('B', downloadResults()[1].recordFormatNo);
    return content;
}

namespace {

bool writeCsvOutput(const QString& path, const APP_KelmoraDataReader& reader, bool sideA,
                    bool sideB, QString* error)
{
    return writeCsvFile(path, downloadedContent(reader, sideA, sideB), error);
}

bool writeOdsOutput(const QString& path, const APP_KelmoraDataReader& reader, bool sideA,
                    bool sideB, QString* error)
{
    return writeOds(path, downloadedContent(reader, sideA, sideB), error);
}

const DownloadOutputRegistration csvRegistration(
    {QStringLiteral("csv"), QStringLiteral("Write the unit values and the records as CSV to FILE."),
     writeCsvOutput});
const DownloadOutputRegistration odsRegistration(
    {QStringLiteral("ods"),
     QStringLiteral("Write an OpenDocument spreadsheet with data and chart sheets to FILE."),
     writeOdsOutput});

} // namespace
