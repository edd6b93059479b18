// download --json FILE: the unit values and every data field of every
// record of the sides read, as one JSON document.
#include "downloadoutput.h"

#include "recordjson.h"

#include <QJsonDocument>
#include <QSaveFile>

namespace {

bool writeJson(const QString& path, const APP_KelmoraDataReader& reader, bool sideA, bool sideB,
               QString* error)
{
    // Written to a temporary file and renamed at the end, so that a full disk
    // never leaves a truncated document under the name asked for.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    QJsonObject document = readerJson(reader, sideA, sideB);
    addDownloadResults(&document);
    file.write(QJsonDocument(document).toJson(QJsonDocument::Indented));
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

const DownloadOutputRegistration registration(
    {QStringLiteral("json"), QStringLiteral("Write the unit values and the records as JSON to FILE."),
     writeJson});

} // namespace
