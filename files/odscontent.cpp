#include "files/odscontent.h"
#include "files/filetexts.h"

#include "files/exportcommon.h"
#include "model/filetime.h"
#include "model/kelmorafillingdata.h"
#include "files/odsxml.h"
#include "frame/texttable.h"

#include <QIODevice>

#include <cmath>

namespace {

bool streamOk(const QTextStream& stream)
{
    return stream.status() == QTextStream::Ok;
}

const char* const prologue =
    "<?xml version='1.0' encoding='UTF-8' standalone='yes'?>\n"
    "<office:document-content"
    " xmlns:table='urn:oasis:names:tc:opendocument:xmlns:table:1.0'"
    " xmlns:office='urn:oasis:names:tc:opendocument:xmlns:office:1.0'"
    " xmlns:text='urn:oasis:names:tc:opendocument:xmlns:text:1.0'"
    " xmlns:style='urn:oasis:names:tc:opendocument:xmlns:style:1.0'"
    " xmlns:draw='urn:oasis:names:tc:opendocument:xmlns:drawing:1.0'"
    " xmlns:fo='urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0'"
    " xmlns:xlink='http://www.w3.org/1999/xlink'"
    " xmlns:dc='http://purl.org/dc/elements/1.1/'"
    " xmlns:number='urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0'"
    " xmlns:svg='urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0'"
    " xmlns:msoxl='http://schemas.microsoft.com/office/excel/formula'>\n"
    "  <office:font-face-decls>\n"
    "    <style:font-face style:name='Arial' svg:font-family='Arial'/>\n"
    "    <style:font-face style:name='Calibri' svg:font-family='Calibri'/>\n"
    "    <style:font-face style:name='Cambria' svg:font-family='Cambria'/>\n"
    "  </office:font-face-decls>\n"
    "  <office:automatic-styles>\n"
    "    <style:style style:name='ce1' style:family='table-cell' style:parent-style-name='Default'"
    " style:data-style-name='N0'/>\n"
    "    <style:style style:name='ce2' style:family='table-cell' style:parent-style-name='Default'"
    " style:data-style-name='N0'>\n"
    "      <style:text-properties fo:font-weight='bold' style:font-weight-asian='bold'"
    " style:font-weight-complex='bold'/>\n"
    "    </style:style>\n"
    "    <style:style style:name='ce3' style:family='table-cell' style:parent-style-name='Default'"
    " style:data-style-name='N36'/>\n"
    "    <style:style style:name='ce4' style:family='table-cell' style:parent-style-name='Default'"
    " style:data-style-name='N2'/>\n"
    "    <style:style style:name='co1' style:family='table-column'>\n"
    "      <style:table-column-properties fo:break-before='auto' style:column-width='2.2cm'/>\n"
    "    </style:style>\n"
    "    <style:style style:name='co2' style:family='table-column'>\n"
    "      <style:table-column-properties fo:break-before='auto' style:column-width='2.6cm'/>\n"
    "    </style:style>\n"
    "    <style:style style:name='co3' style:family='table-column'>\n"
    "      <style:table-column-properties fo:break-before='auto' style:column-width='2.5cm'/>\n"
    "    </style:style>\n"
    "    <style:style style:name='co4' style:family='table-column'>\n"
    "      <style:table-column-properties fo:break-before='auto' style:column-width='1.5cm'/>\n"
    "    </style:style>\n"
    "    <style:style style:name='co5' style:family='table-column'>\n"
    "      <style:table-column-properties fo:break-before='auto' style:column-width='3cm'/>\n"
    "    </style:style>\n"
    "    <style:style style:name='ro1' style:family='table-row'>\n"
    "      <style:table-row-properties style:row-height='12.75pt'"
    " style:use-optimal-row-height='true' fo:break-before='auto'/>\n"
    "    </style:style>\n"
    "    <style:style style:name='ta1' style:family='table' style:master-page-name='mp1'>\n"
    "      <style:table-properties table:display='true' style:writing-mode='lr-tb'/>\n"
    "    </style:style>\n"
    "    <style:style style:name='ta2' style:family='table' style:master-page-name='mp2'>\n"
    "      <style:table-properties table:display='true' style:writing-mode='lr-tb'/>\n"
    "    </style:style>\n"
    "    <style:style style:name='a0' style:family='graphic'>\n"
    "      <style:graphic-properties/>\n"
    "    </style:style>\n"
    "  </office:automatic-styles>\n"
    "  <office:body>\n"
    "    <office:spreadsheet>\n"
    "      <table:calculation-settings table:case-sensitive='false'"
    " table:search-criteria-must-apply-to-whole-cell='false'/>\n";

const QLatin1String cellIndent("          ");
const QLatin1String rowStart("        <table:table-row table:style-name='ro1'>\n");
const QLatin1String rowEnd("        </table:table-row>\n");
const QLatin1String emptyRow("        <table:table-row table:style-name='ro1' />\n");
const QLatin1String cellEnd("</text:p></table:table-cell>\n");

void labelCell(QTextStream& s, const QString& label)
{
    s << cellIndent << "<table:table-cell office:value-type='string' table:style-name='ce2'><text:p>"
      << xmlText(label) << cellEnd;
}

void textCell(QTextStream& s, const QString& value)
{
    s << cellIndent << "<table:table-cell office:value-type='string' table:style-name='ce1'><text:p>"
      << xmlText(value) << cellEnd;
}

void identityRow(QTextStream& s, const ExportIdentity& unit, int language)
{
    auto text = [language](int n) { return textIn(n, language); };
    s << rowStart;
    labelCell(s, text(FileText::serialNumber));
    textCell(s, QString::number(unit.serialNumber));
    labelCell(s, text(FileText::hardwareVersion));
    textCell(s, doubleText(unit.hardwareVersion));
    labelCell(s, text(FileText::softwareVersion));
    textCell(s, unit.softwareVersion);
    labelCell(s, text(FileText::pvnValue));
    textCell(s, QString::number(unit.pvnValue));
    labelCell(s, text(FileText::pulseInput));
    textCell(s, QString::number(unit.pulseInput));
    labelCell(s, text(FileText::countryCode));
    textCell(s, QString::number(unit.countryCode));
    labelCell(s, QStringLiteral("PCM"));
    textCell(s, unit.pcmText);
    labelCell(s, QStringLiteral("FLG"));
    textCell(s, QString::number(unit.flags));
    s << rowEnd;
}

void labelRow(QTextStream& s, bool recordFormatNo, int language)
{
    auto text = [language](int n) { return textIn(n, language); };
    s << rowStart;
    for (int column = 0; column < dataColumns; ++column)
        labelCell(s, columnLabel(column, recordFormatNo, language));
    labelCell(s, text(FileText::rate) + QStringLiteral(" (+)"));
    labelCell(s, text(FileText::rate) + QStringLiteral(" (-)"));
    s << rowEnd;
}

// The record rows are the bulk of the document (some 270 MB for two full
// sides). They are built here as UTF-8 bytes, the same text the cell writers
// above produce, and written to the stream's device in blocks, which saves
// the round trip through UTF-16 for every piece.
namespace bytes {

const QByteArray cellIndent("          ");
const QByteArray cellEnd("</text:p></table:table-cell>\n");

// A number already in its text form (digits, sign, '.', exponent).
void numberCell(QByteArray& out, const QByteArray& number)
{
    out += cellIndent;
    out += "<table:table-cell office:value-type='float' office:value='";
    out += number;
    out += "' table:style-name='ce1'><text:p>";
    out += number;
    out += cellEnd;
}

void numberCell(QByteArray& out, qint64 value)
{
    numberCell(out, QByteArray::number(value));
}

// "inf" and "nan" are no valid office:value; such a value (a history line
// may carry the words) is kept as text so the document stays readable.
void numberCell(QByteArray& out, double value)
{
    const QByteArray number = doubleText(value).toUtf8();
    if (std::isfinite(value)) {
        numberCell(out, number);
        return;
    }
    out += cellIndent;
    out += "<table:table-cell office:value-type='string' table:style-name='ce1'><text:p>";
    out += number; // "inf", "-inf" or "nan": nothing to escape
    out += cellEnd;
}

void dateCell(QByteArray& out, quint32 timestamp, LocalTimeCache& times)
{
    const QByteArray date = times.isoText(timestamp).toUtf8();
    out += cellIndent;
    out += "<table:table-cell office:value-type='date' office:date-value='";
    out += date;
    out += "' table:style-name='ce3'><text:p>";
    out += date;
    out += cellEnd;
}

void limitCell(QByteArray& out, qint32 limit)
{
    if (limit != 0 && limit != -1) {
        numberCell(out, qint64(quint32(limit)));
        return;
    }
    const QByteArray word = limitText(limit).toUtf8();
    out += cellIndent;
    out += "<table:table-cell office:value-type='string' office:value='";
    out += word;
    out += "' table:style-name='ce1'><text:p>";
    out += word;
    out += cellEnd;
}

void emptyCell(QByteArray& out)
{
    out += cellIndent;
    out += "<table:table-cell table:number-columns-repeated='1' table:style-name='ce4'/>\n";
}

void recordRow(QByteArray& out, const KelmoraFillingData& r, LocalTimeCache& times)
{
    out += "        <table:table-row table:style-name='ro1'>\n";
    numberCell(out, qint64(r.number));
    dateCell(out, r.timestamp, times);
    numberCell(out, qint64(r.levelCode));
    numberCell(out, qint64(r.fillings));
    numberCell(out, r.ratePercent);
    numberCell(out, r.linePercent);
    numberCell(out, r.temperature);
    numberCell(out, qint64(r.integerPercent));
    numberCell(out, r.auxValue);
    numberCell(out, r.fuelFlow);
    numberCell(out, r.optionalFirst);
    numberCell(out, r.optionalSecond);
    limitCell(out, r.limit);
    if (r.levelCode <= 10) {
        numberCell(out, r.ratePercent);
        emptyCell(out);
    } else {
        emptyCell(out);
        numberCell(out, r.ratePercent);
    }
    out += "        </table:table-row>\n";
}

} // namespace bytes

// Writes the rows straight to the stream's device (after flushing what the
// stream holds); a stream without a device gets them through itself.
bool writeRecordRows(QTextStream& s, const SideRecords& data)
{
    constexpr qsizetype blockBytes = 1 << 18;
    LocalTimeCache times;
    QIODevice* device = s.device();
    s.flush();
    QByteArray block;
    block.reserve(blockBytes + 4096);
    for (int i = 0; i < data.count; ++i) {
        bytes::recordRow(block, data.records[i], times);
        if (block.size() >= blockBytes || i + 1 == data.count) {
            if (device) {
                if (device->write(block) != block.size()) {
                    s.setStatus(QTextStream::WriteFailed);
                    return false;
                }
            } else {
                s << QString::fromUtf8(block);
                if (!streamOk(s))
                    return false;
            }
            block.clear();
        }
    }
    return streamOk(s);
}

bool validSide(const QString& side)
{
    return side == QLatin1String("A") || side == QLatin1String("B");
}

} // namespace

QString groupedBinary(qint32 status)
{
    const QString digits = QString::number(status, 2).rightJustified(9, QLatin1Char('0'));
    return digits.left(1) + QLatin1Char('-') + digits.mid(1, 4) + QLatin1Char('-') + digits.mid(5, 4);
}

bool writeContentPrologue(QTextStream& stream)
{
    stream << prologue;
    return streamOk(stream);
}

bool writeDataSheet(QTextStream& s, const QString& side, const ExportContent& content)
{
    const char letter = side == QLatin1String("A") ? 'A' : 'B';
    if (!validSide(side) || !content.side(letter))
        return streamOk(s);
    const SideRecords& data = *content.side(letter);
    // Each side's sheet names the unit its records came from.
    const ExportIdentity& unit = content.unitOf(letter);
    auto text = [&content](int n) { return textIn(n, content.language); };
    const qint32 status = letter == 'A' ? unit.statusSideA : unit.statusSideB;

    s << "      <table:table table:name='KELMORA_SIDE_" << side << "' table:style-name='ta1'>\n"
      << "        <table:table-column table:style-name='co1' table:number-columns-repeated='5'"
         " table:default-cell-style-name='ce1'/>\n"
      << "        <table:table-column table:style-name='co2' table:default-cell-style-name='ce1'/>\n"
      << "        <table:table-column table:style-name='co3' table:default-cell-style-name='ce1'/>\n"
      << "        <table:table-column table:style-name='co4' table:default-cell-style-name='ce1'/>\n"
      << "        <table:table-column table:style-name='co1' table:number-columns-repeated='16376'"
         " table:default-cell-style-name='ce1'/>\n";
    s << rowStart;
    labelCell(s, text(FileText::exportTitle));
    s << rowEnd << emptyRow;
    identityRow(s, unit, content.language);
    s << emptyRow << rowStart;
    labelCell(s, text(FileText::dispenserSide));
    textCell(s, side);
    labelCell(s, text(FileText::statusWord));
    textCell(s, groupedBinary(status));
    s << rowEnd << emptyRow;
    labelRow(s, data.recordFormatNo, content.language);
    s << emptyRow;
    if (!writeRecordRows(s, data))
        return false;
    s << "      </table:table>\n";
    return streamOk(s);
}

bool writeChartSheet(QTextStream& s, const QString& side)
{
    if (!validSide(side))
        return streamOk(s);
    s << "      <table:table table:name='Chart_Side_" << side << "' table:style-name='ta2'>\n"
      << "        <table:shapes>\n"
      << "          <draw:frame draw:z-index='1' draw:id='id0' draw:style-name='a0' draw:name='Chart "
      << side
      << "' svg:x='0in' svg:y='0in' svg:width='8.86693in' svg:height='5.78307in'"
         " style:rel-width='scale' style:rel-height='scale'>\n"
      << "            <draw:object xlink:href='Object " << side
      << "/' xlink:type='simple' xlink:show='embed' xlink:actuate='onLoad'/>\n"
      << "            <svg:title/>\n"
      << "            <svg:desc/>\n"
      << "          </draw:frame>\n"
      << "        </table:shapes>\n"
      << "        <table:table-column table:style-name='co5' table:default-cell-style-name='ce1'/>\n"
      << "        <table:table-column table:style-name='co1' table:number-columns-repeated='16383'"
         " table:default-cell-style-name='ce1'/>\n"
      << "        <table:table-row table:number-rows-repeated='1048576' table:style-name='ro1'>\n"
      << "          <table:table-cell table:number-columns-repeated='16384'/>\n"
      << "        </table:table-row>\n"
      << "      </table:table>\n";
    return streamOk(s);
}

bool writeContentClosing(QTextStream& stream)
{
    stream << "    </office:spreadsheet>\n  </office:body></office:document-content>";
    return streamOk(stream);
}
