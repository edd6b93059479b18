#include "files/odsexport.h"
#include "files/odspackage.h"

#include "files/odschart.h"
#include "files/odscontent.h"
#include "files/atomicfile.h"
#include "files/paralleldeflate.h"

#include <QDebug>
#include <QFile>
#include <QTextStream>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

#include <zlib.h>

namespace {

constexpr int resourceChunk = 256;
// The generated XML is a few hundred megabytes of repeated markup: the
// fastest level packs it nearly as well as the default in a fraction of the
// time.
constexpr int compressionLevel = Z_BEST_SPEED;

struct FixedEntry {
    const char* name;
    const char* resource;
};

// In package order; "mimetype" first and stored so that readers find the
// media type at byte 38 of the file.
const FixedEntry fixedEntries[] = {
    {"mimetype", ":/files/mimetype"},
    {"Object A/styles.xml", ":/files/Object_1_styles.xml"},
    {"Object B/styles.xml", ":/files/Object_1_styles.xml"},
    {"meta.xml", ":/files/meta.xml"},
    {"styles.xml", ":/files/styles.xml"},
};

bool openEntry(QuaZipFile& entry, const QuaZipNewInfo& info, bool stored)
{
    return entry.open(QIODevice::WriteOnly, info, nullptr, 0, stored ? 0 : Z_DEFLATED,
                      stored ? 0 : compressionLevel, false, -MAX_WBITS, DEF_MEM_LEVEL,
                      Z_DEFAULT_STRATEGY);
}

// Closes the entry and says whether everything written into it arrived.
bool closeEntry(QuaZipFile& entry)
{
    entry.close();
    return entry.getZipError() == ZIP_OK;
}

bool copyResource(QuaZipFile& entry, const FixedEntry& fixed)
{
    QFile resource(QString::fromLatin1(fixed.resource));
    if (!resource.open(QIODevice::ReadOnly)) {
        qWarning("ODS export: resource %s missing", fixed.resource);
        return false;
    }
    const QuaZipNewInfo info(QString::fromLatin1(fixed.name), resource.fileName());
    if (!openEntry(entry, info, qstrcmp(fixed.name, "mimetype") == 0))
        return false;
    char chunk[resourceChunk];
    bool ok = true;
    for (;;) {
        const qint64 got = resource.read(chunk, sizeof(chunk));
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        if (entry.write(chunk, got) != got) {
            ok = false;
            break;
        }
    }
    return closeEntry(entry) && ok;
}

// Lets write fill a generated entry through a UTF-8 stream. The text is
// deflated on a second thread while it is being produced; the entry then
// takes the finished deflate stream as it is (raw), with its size and
// checksum. False if any step failed.
template <typename Writer>
bool writeGenerated(QuaZipFile& entry, const char* name, Writer write)
{
    ParallelDeflater deflater(compressionLevel);
    bool ok = false;
    {
        QTextStream stream(&deflater);
        stream.setEncoding(QStringConverter::Utf8);
        stream.setGenerateByteOrderMark(false);
        ok = write(stream);
        stream.flush();
        ok = ok && stream.status() == QTextStream::Ok;
    }
    ok = deflater.finish() && ok;
    if (!ok)
        return false;
    QuaZipNewInfo info(QString::fromLatin1(name));
    info.uncompressedSize = quint64(deflater.uncompressedSize());
    if (!entry.open(QIODevice::WriteOnly, info, nullptr, deflater.crc(), Z_DEFLATED, compressionLevel,
                    true, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY))
        return false;
    const QByteArray& packed = deflater.compressed();
    ok = entry.write(packed) == packed.size();
    return closeEntry(entry) && ok;
}

bool writeContent(QTextStream& stream, const ExportContent& content)
{
    bool ok = writeContentPrologue(stream);
    if (ok && content.sideA)
        ok = writeDataSheet(stream, QStringLiteral("A"), content)
             && writeChartSheet(stream, QStringLiteral("A"));
    if (ok && content.sideB)
        ok = writeDataSheet(stream, QStringLiteral("B"), content)
             && writeChartSheet(stream, QStringLiteral("B"));
    return ok && writeContentClosing(stream);
}

bool writeEntries(QuaZip& zip, const ExportContent& content)
{
    const bool sideA = content.sideA.has_value();
    const bool sideB = content.sideB.has_value();
    QuaZipFile entry(&zip);
    for (const FixedEntry& fixed : fixedEntries) {
        if (!copyResource(entry, fixed))
            return false;
    }
    if (!writeGenerated(entry, "META-INF/manifest.xml",
                        [&](QTextStream& s) { return writeManifest(s, sideA, sideB); }))
        return false;
    if (!writeGenerated(entry, "content.xml",
                        [&](QTextStream& s) { return writeContent(s, content); }))
        return false;
    if (sideA && !writeGenerated(entry, "Object A/content.xml", [&](QTextStream& s) {
            return writeChartObject(s, QStringLiteral("A"), *content.sideA);
        }))
        return false;
    if (sideB && !writeGenerated(entry, "Object B/content.xml", [&](QTextStream& s) {
            return writeChartObject(s, QStringLiteral("B"), *content.sideB);
        }))
        return false;
    return true;
}

} // namespace

bool writeManifest(QTextStream& s, bool sideA, bool sideB)
{
    struct Line {
        const char* path;
        const char* type;
    };
    const char* const chart = "application/vnd.oasis.opendocument.chart";
    const Line always[] = {
        {"/", "application/vnd.oasis.opendocument.spreadsheet"},
        {"content.xml", "text/xml"},
        {"meta.xml", "text/xml"},
        {"mimetype", "text/plain"},
        {"styles.xml", "text/xml"},
        {"META-INF/manifest.xml", "text/xml"},
    };
    const Line objectA[] = {{"Object A/", chart}, {"Object A/styles.xml", "text/xml"},
                            {"Object A/content.xml", "text/xml"}};
    const Line objectB[] = {{"Object B/", chart}, {"Object B/styles.xml", "text/xml"},
                            {"Object B/content.xml", "text/xml"}};
    auto entryLine = [&s](const Line& line) {
        s << "  <manifest:file-entry manifest:full-path='" << line.path
          << "' manifest:media-type='" << line.type << "'/>\n";
    };
    s << "<?xml version='1.0' encoding='UTF-8' standalone='yes'?>\n"
         "  <manifest:manifest xmlns:manifest='urn:oasis:names:tc:opendocument:xmlns:manifest:1.0'>\n";
    for (const Line& line : always)
        entryLine(line);
    if (sideA) {
        for (const Line& line : objectA)
            entryLine(line);
    }
    if (sideB) {
        for (const Line& line : objectB)
            entryLine(line);
    }
    s << "</manifest:manifest>\n";
    return s.status() == QTextStream::Ok;
}

bool writeOdsPackage(QIODevice& device, const ExportContent& content)
{
    QuaZip zip(&device);
    // Sizes and checksums go into the local headers (the package is
    // written to a seekable file), so "mimetype" carries no data
    // descriptor and its 46 bytes start at byte 38.
    zip.setDataDescriptorWritingEnabled(false);
    // The device belongs to the caller, who commits or discards it.
    zip.setAutoClose(false);
    if (!zip.open(QuaZip::mdCreate))
        return false;
    const bool entriesOk = writeEntries(zip, content);
    zip.close();
    return entriesOk && zip.getZipError() == ZIP_OK;
}

bool writeOds(const QString& fileName, const ExportContent& content, QString* error)
{
    QString reason;
    const bool ok = saveFileAtomically(
        fileName, [&](QIODevice& device) { return writeOdsPackage(device, content); }, &reason);
    if (!ok)
        qWarning() << "ODS export failed:" << fileName << reason;
    if (error)
        *error = reason;
    return ok;
}
