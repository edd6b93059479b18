// download --json FILE: the unit values and every data field of every
// record of the sides read, as one JSON document.
#include "downloadoutput.h"

#include "files/atomicfile.h"
#include "files/recordjson.h"
#include "reader/app_kelmoradatareader.h"

#include <QIODevice>
#include <QJsonDocument>

namespace {

bool writeJson(const QString& path, const APP_KelmoraDataReader& reader, bool sideA, bool sideB,
               QString* error)
{
    // Written to a temporary file and renamed at the end, so that a full disk
    // never leaves a truncated document under the name asked for.
    const ExportContent content = downloadedContent(reader, sideA, sideB);
    QJsonObject document = recordsDocument(reader.identity(), content.sideA, content.sideB);
    addDownloadResults(&document);
    const QByteArray json = QJsonDocument(document).toJson(QJsonDocument::Indented);
    return saveFileAtomically(
        path, [&](QIODevice& device) { return device.write(json) == json.size(); }, error);
}

const DownloadOutputRegistration registration(
    {QStringLiteral("json"), QStringLiteral("Write the unit values and the records as JSON to FILE."),
     writeJson});

} // namespace
