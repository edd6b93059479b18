#include "files/csvwriter.h"
#include "files/filetexts.h"

#include "files/exportcommon.h"
#include "files/atomicfile.h"
#include "model/filetime.h"
#include "files/csvfields.h"
#include "model/kelmorafillingdata.h"
#include "frame/texttable.h"

#include <QLoggingCategory>

namespace {

Q_LOGGING_CATEGORY(lcCsv, "kelmora.csv", QtInfoMsg)

const QLatin1String lineEnd("\r\n");

// A write error makes every later line pointless; the writers stop early so
// a full disk does not keep them busy with 65535 rows.
bool streamOk(const QTextStream& stream)
{
    return stream.status() == QTextStream::Ok;
}

// A text of the table as one field (quoted only if it holds ';', '"' or a
// line break).
QString csvTextIn(int n, int language)
{
    return csvField(textIn(n, language));
}

void writeHeader(QTextStream& stream, const ExportIdentity& unit, int language)
{
    auto csvText = [language](int n) { return csvTextIn(n, language); };
    stream << csvText(FileText::exportTitle) << lineEnd;
    stream << csvText(FileText::serialNumber) << ';' << unit.serialNumber << lineEnd;
    stream << csvText(FileText::hardwareVersion) << ';' << doubleText(unit.hardwareVersion) << ';'
           << csvText(FileText::softwareVersion) << ';' << csvField(unit.softwareVersion) << ';'
           << csvText(FileText::pvnValue) << ';' << unit.pvnValue << ';'
           << csvText(FileText::pulseInput) << ';' << unit.pulseInput << ';'
           << csvText(FileText::countryCode) << ';' << unit.countryCode
           << ";PCM;" << csvField(unit.pcmText) << ";FLG;" << unit.flags << lineEnd;
}

void writeRecordRow(QTextStream& stream, const KelmoraFillingData& r, LocalTimeCache& times)
{
    stream << r.number << ';' << times.isoText(r.timestamp) << ';' << r.levelCode << ';'
           << r.fillings << ';' << doubleText(r.ratePercent) << ';' << doubleText(r.linePercent)
           << ';' << doubleText(r.temperature) << ';' << r.integerPercent << ';'
           << doubleText(r.auxValue) << ';' << doubleText(r.fuelFlow) << ';'
           << doubleText(r.optionalFirst) << ';' << doubleText(r.optionalSecond) << ';'
           << limitText(r.limit) << ';' << (r.separator == '.' ? '.' : ':') << lineEnd;
}

void writeSideBlock(QTextStream& stream, const ExportContent& content, bool sideA)
{
    const char letter = sideA ? 'A' : 'B';
    const SideRecords& side = *content.side(letter);
    const ExportIdentity& unit = content.unitOf(letter);
    const int language = content.language;
    auto csvText = [language](int n) { return csvTextIn(n, language); };
    qCDebug(lcCsv, "Countrycode 2 \"%d\"", int(side.recordFormatNo));
    stream << csvText(sideA ? FileText::sectionSideA : FileText::sectionSideB);
    // Records of another unit than the header's name it after the title;
    // the import reads a title line by its start and passes over the rest.
    if (content.otherUnit(letter))
        stream << ';' << csvText(FileText::serialNumber) << ';' << unit.serialNumber;
    stream << lineEnd;
    stream << csvText(FileText::statusWord) << ';'
           << QString::number(sideA ? unit.statusSideA : unit.statusSideB, 2) << lineEnd;
    for (int column = 0; column < dataColumns; ++column)
        stream << csvField(columnLabel(column, side.recordFormatNo, language)) << ';';
    stream << "./:" << lineEnd;
    LocalTimeCache times;
    for (int i = 0; i < side.count; ++i) {
        writeRecordRow(stream, side.records[i], times);
        if ((i & 0xff) == 0xff && !streamOk(stream))
            return;
    }
}

} // namespace

bool writeCsv(QTextStream& stream, const ExportContent& content)
{
    stream.setEncoding(QStringConverter::Utf8);
    stream.setGenerateByteOrderMark(false);
    writeHeader(stream, content.unit, content.language);
    if (content.sideA && streamOk(stream))
        writeSideBlock(stream, content, true);
    if (content.sideB && streamOk(stream))
        writeSideBlock(stream, content, false);
    // Pushes the last lines through to the device (and a file's own buffer)
    // so that a full disk shows up here and not after the caller has told
    // the user the file is good.
    stream.flush();
    return streamOk(stream);
}

bool writeCsvFile(const QString& path, const ExportContent& content, QString* error)
{
    return saveFileAtomically(
        path,
        [&](QIODevice& device) {
            QTextStream stream(&device);
            return writeCsv(stream, content);
        },
        error);
}
