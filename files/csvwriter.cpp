#include "files/csvwriter.h"

#include "files/exportcommon.h"
#include "files/filetime.h"
#include "reader/kelmorafillingdata.h"
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

void writeHeader(QTextStream& stream, const ExportIdentity& unit)
{
    stream << text(54) << lineEnd;
    stream << text(122) << ';' << unit.serialNumber << lineEnd;
    stream << text(53) << ';' << doubleText(unit.hardwareVersion) << ';' << text(131) << ';'
           << unit.softwareVersion << ';' << text(100) << ';' << unit.pvnValue << ';' << text(102)
           << ';' << unit.pulseInput << ';' << text(18) << ';' << unit.countryCode << ";PCM;"
           << unit.pcmText << ";FLG;" << unit.flags << lineEnd;
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

} // namespace

bool writeCsv(QTextStream& stream, bool sideA, bool sideB)
{
    stream.setEncoding(QStringConverter::Utf8);
    stream.setGenerateByteOrderMark(false);
    writeHeader(stream, exportIdentity());
    if (sideA && streamOk(stream))
        writeCsvSide(stream, true);
    if (sideB && streamOk(stream))
        writeCsvSide(stream, false);
    // Pushes the last lines through to the device (and a file's own buffer)
    // so that a full disk shows up here and not after the caller has told
    // the user the file is good.
    stream.flush();
    return streamOk(stream);
}

void writeCsvSide(QTextStream& stream, bool sideA)
{
    const ExportIdentity unit = exportIdentity();
    stream << text(sideA ? 126 : 127) << lineEnd;
    stream << text(134) << ';'
           << QString::number(sideA ? unit.statusSideA : unit.statusSideB, 2) << lineEnd;
    const SideRecords side = sideRecords(sideA ? 'A' : 'B');
    qCDebug(lcCsv, "Countrycode 2 \"%d\"", int(unit.recordFormatNo));
    for (int column = 0; column < dataColumns; ++column)
        stream << columnLabel(column, unit.recordFormatNo) << ';';
    stream << "./:" << lineEnd;
    LocalTimeCache times;
    for (int i = 0; i < side.count; ++i) {
        writeRecordRow(stream, side.records[i], times);
        if ((i & 0xff) == 0xff && !streamOk(stream))
            return;
    }
}
