// download --csv FILE and --ods FILE: the same files the table pages
// export, in the language chosen with --lang.
#include "downloadoutput.h"

#include "files/csvwriter.h"
#include "files/odsexport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>
#include <QTextStream>

namespace {

// A device or pipe given as FILE is written directly; it cannot be
// replaced by a renamed temporary file.
bool isSpecialFile(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isFile();
}

bool writeCsvStream(QFileDevice& file, bool sideA, bool sideB)
{
    QTextStream stream(&file);
    return writeCsv(stream, sideA, sideB);
}

bool writeCsvOutput(const QString& path, const APP_KelmoraDataReader&, bool sideA, bool sideB,
                    QString* error)
{
    if (isSpecialFile(path)) {
        QFile file(path);
        const bool ok = file.open(QIODevice::WriteOnly) && writeCsvStream(file, sideA, sideB);
        *error = file.errorString();
        return ok;
    }
    // A temporary file renamed at the end: a full disk never leaves a
    // truncated export under the name asked for.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !writeCsvStream(file, sideA, sideB)) {
        *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool writeOdsOutput(const QString& path, const APP_KelmoraDataReader&, bool sideA, bool sideB,
                    QString* error)
{
    *error = QStringLiteral("the package could not be written completely");
    if (isSpecialFile(path))
        return writeOds(path, sideA, sideB);
    QTemporaryFile part(QFileInfo(path).absoluteDir().filePath(QStringLiteral(".kelmora-XXXXXX.ods")));
    if (!part.open()) {
        *error = part.errorString();
        return false;
    }
    part.close();
    if (!writeOds(part.fileName(), sideA, sideB))
        return false;
    if (QFile::exists(path) && !QFile::remove(path)) {
        *error = QStringLiteral("cannot replace the existing file");
        return false;
    }
    if (!part.rename(path)) {
        *error = part.errorString();
        return false;
    }
    part.setAutoRemove(false);
    return true;
}

const DownloadOutputRegistration csvRegistration(
    {QStringLiteral("csv"), QStringLiteral("Write the unit values and the records as CSV to FILE."),
     writeCsvOutput});
const DownloadOutputRegistration odsRegistration(
    {QStringLiteral("ods"),
     QStringLiteral("Write an OpenDocument spreadsheet with data and chart sheets to FILE."),
     writeOdsOutput});

} // namespace
