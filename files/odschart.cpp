#include "files/odschart.h"

#include "files/exportcommon.h"
#include "model/kelmorafillingdata.h"

#include <limits>

namespace {

const char* const documentStart =
    "<office:document-content"
    " xmlns:chart='urn:oasis:names:tc:opendocument:xmlns:chart:1.0'"
    " xmlns:office='urn:oasis:names:tc:opendocument:xmlns:office:1.0'"
    " xmlns:style='urn:oasis:names:tc:opendocument:xmlns:style:1.0'"
    " xmlns:table='urn:oasis:names:tc:opendocument:xmlns:table:1.0'"
    " xmlns:text='urn:oasis:names:tc:opendocument:xmlns:text:1.0'"
    " xmlns:draw='urn:oasis:names:tc:opendocument:xmlns:drawing:1.0'"
    " xmlns:fo='urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0'"
    " xmlns:number='urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0'"
    " xmlns:svg='urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0'"
    " xmlns:dr3d='urn:oasis:names:tc:opendocument:xmlns:dr3d:1.0'>\n";

// Styles up to the x axis (N0, N2, a0, Wal0, Axs0, Lgnd, GMa0).
const char* const stylesBeforeXAxis =
    "  <office:automatic-styles>\n"
    "    <number:number-style style:name='N0'>\n"
    "      <number:number number:min-integer-digits='1'/>\n"
    "    </number:number-style>\n"
    "    <number:number-style style:name='N2'>\n"
    "      <number:number number:decimal-places='2' number:min-integer-digits='1'/>\n"
    "    </number:number-style>\n"
    "    <style:style style:name='a0' style:family='paragraph'>\n"
    "      <style:paragraph-properties fo:text-align='center'/>\n"
    "      <style:text-properties style:font-name='Calibri' fo:font-family='Calibri'"
    " fo:font-size='0.18056in' fo:color='#000000' fo:font-weight='normal' fo:font-style='normal'/>\n"
    "    </style:style>\n"
    "    <style:style style:name='Wal0' style:family='chart'>\n"
    "      <style:graphic-properties draw:fill='none' draw:stroke='solid'"
    " svg:stroke-width='0.01024in' svg:stroke-color='#b3b3b3'/>\n"
    "    </style:style>\n"
    "    <style:style style:name='Axs0' style:family='chart' style:data-style-name='N2'>\n"
    "      <style:chart-properties chart:gap-width='150' chart:overlap='0'"
    " chart:link-data-style-to-source='true' chart:visible='true' chart:logarithmic='false'"
    " chart:maximum='200' chart:minimum='0' chart:origin='0' chart:interval-major='25'"
    " chart:tick-marks-major-inner='true' chart:tick-marks-major-outer='false'"
    " chart:tick-marks-minor-inner='false' chart:tick-marks-minor-outer='false'"
    " chart:display-label='true'/>\n"
    "      <style:graphic-properties draw:stroke='solid' svg:stroke-width='0.01024in'"
    " svg:stroke-color='#b3b3b3'/>\n"
    "      <style:text-properties style:font-name='Calibri' fo:font-family='Calibri'"
    " fo:font-size='0.13889in' fo:color='#000000'/>\n"
    "    </style:style>\n"
    "    <style:style style:name='Lgnd' style:family='chart'>\n"
    "      <style:graphic-properties draw:fill='none' draw:stroke='none'/>\n"
    "      <style:text-properties style:font-name='Calibri' fo:font-family='Calibri'"
    " fo:font-size='0.13889in' fo:color='#000000'/>\n"
    "    </style:style>\n"
    "    <style:style style:name='GMa0' style:family='chart'>\n"
    "      <style:graphic-properties draw:stroke='solid' svg:stroke-width='0.01024in'"
    " svg:stroke-color='#b3b3b3'/>\n"
    "    </style:style>\n";

// The x axis, the only style with variable content: %1 maximum, %2 minimum.
const char* const xAxisStyle =
    "    <style:style style:name='Axs1' style:family='chart' style:data-style-name='N0'>\n"
    "      <style:chart-properties chart:link-data-style-to-source='true' chart:visible='true'"
    " chart:logarithmic='false' chart:maximum='%1' chart:minimum='%2'"
    " chart:tick-marks-major-inner='true' chart:tick-marks-major-outer='false'"
    " chart:tick-marks-minor-inner='false' chart:tick-marks-minor-outer='false'"
    " chart:display-label='true'/>\n"
    "      <style:graphic-properties draw:stroke='solid' svg:stroke-width='0.01024in'"
    " svg:stroke-color='#b3b3b3'/>\n"
    "      <style:text-properties style:font-name='Calibri' fo:font-family='Calibri'"
    " fo:font-size='0.13889in' fo:color='#000000'/>\n"
    "    </style:style>\n";

#define KELMORA_LINE_SERIES_STYLE(name, colour)                                                  \
    "    <style:style style:name='" name "' style:family='chart'>\n"                             \
    "      <style:chart-properties chart:symbol-type='none'/>\n"                                 \
    "      <style:graphic-properties draw:stroke='solid' svg:stroke-width='0.00394in'"           \
    " svg:stroke-color='" colour "'/>\n"                                                          \
    "    </style:style>\n"

#define KELMORA_SYMBOL_SERIES_STYLE(name, symbol)                                                \
    "    <style:style style:name='" name "' style:family='chart'>\n"                             \
    "      <style:chart-properties chart:symbol-type='named-symbol' chart:symbol-name='" symbol  \
    "' chart:symbol-width='0.09722in' chart:symbol-height='0.09722in'/>\n"                       \
    "      <style:graphic-properties draw:fill='none' draw:stroke='none'/>\n"                     \
    "    </style:style>\n"

// The styles after the x axis, in the order GMa1, G0S0..G0S3, Crt0, G0S4,
// G0S5, CT00, Plt0.
const char* const stylesAfterXAxis =
    "    <style:style style:name='GMa1' style:family='chart'>\n"
    "      <style:graphic-properties draw:stroke='solid' svg:stroke-width='0.01024in'"
    " svg:stroke-color='#b3b3b3'/>\n"
    "    </style:style>\n"
    KELMORA_SYMBOL_SERIES_STYLE("G0S0", "plus")
    KELMORA_SYMBOL_SERIES_STYLE("G0S1", "diamond")
    KELMORA_LINE_SERIES_STYLE("G0S2", "#3333ff")
    KELMORA_LINE_SERIES_STYLE("G0S3", "#ff3333")
    "    <style:style style:name='Crt0' style:family='chart'>\n"
    "      <style:chart-properties chart:three-dimensional='false' chart:symbol-type='named-symbol'"
    " chart:symbol-name='plus'/>\n"
    "      <style:graphic-properties draw:fill='solid' draw:fill-color='#ffffff' draw:stroke='none'/>\n"
    "      <style:text-properties style:font-name='Calibri' fo:font-family='Calibri'"
    " fo:font-size='0.13889in' fo:color='#000000' fo:language='de' fo:country='DE'/>\n"
    "    </style:style>\n"
    KELMORA_LINE_SERIES_STYLE("G0S4", "#ff33ff")
    KELMORA_LINE_SERIES_STYLE("G0S5", "#009900")
    "    <style:style style:name='CT00' style:family='chart'>\n"
    "      <style:graphic-properties draw:fill='none' draw:stroke='none'/>\n"
    "      <style:paragraph-properties fo:text-align='center'/>\n"
    "      <style:text-properties style:font-name='Calibri' fo:font-family='Calibri'"
    " fo:font-size='0.18056in' fo:color='#000000'/>\n"
    "    </style:style>\n"
    "    <style:style style:name='Plt0' style:family='chart'>\n"
    "      <style:chart-properties chart:three-dimensional='false'/>\n"
    "      <style:graphic-properties draw:stroke='solid' svg:stroke-width='0.01024in'"
    " svg:stroke-color='#b3b3b3'/>\n"
    "    </style:style>\n"
    "  </office:automatic-styles>\n";

#undef KELMORA_LINE_SERIES_STYLE
#undef KELMORA_SYMBOL_SERIES_STYLE

struct Series {
    char column;
    const char* style;
    const char* repeated;
};

const Series seriesTable[] = {
    {'N', "G0S0", "326"}, {'O', "G0S1", "316"}, {'F', "G0S2", "316"},
    {'G', "G0S3", "316"}, {'J', "G0S4", "316"}, {'H', "G0S5", "316"},
};

void writeSeries(QTextStream& s, const Series& series, const QString& side, const ChartBounds& b)
{
    const QString column(QLatin1Char(series.column));
    s << "          <chart:series chart:label-cell-address='KELMORA_Side_" << side << ".$" << column
      << "$7' chart:values-cell-range-address='KELMORA_Side_" << side << ".$" << column << '$'
      << b.firstRow << ":.$" << column << '$' << b.lastRow
      << "' chart:class='chart:scatter' chart:attached-axis='primary-y' chart:style-name='"
      << series.style << "'>\n"
      << "            <chart:domain table:cell-range-address='KELMORA_Side_" << side << ".$D$"
      << b.firstRow << ":.$D$" << b.lastRow << "'/>\n"
      << "            <chart:data-point chart:repeated='" << series.repeated << "'/>\n"
      << "          </chart:series>\n";
}

} // namespace

ChartBounds chartBounds(const SideRecords& data)
{
    ChartBounds bounds;
    bounds.lastRow = 8 + data.count;
    qint64 maximum = std::numeric_limits<qint32>::min();
    qint64 minimum = std::numeric_limits<qint32>::max();
    for (int i = 0; i < data.count; ++i) {
        const qint64 fillings = data.records[i].fillings;
        maximum = qMax(maximum, fillings);
        minimum = qMin(minimum, fillings);
    }
    // A side without records (never exported by the table page) still
    // gets an axis that a reader accepts.
    bounds.xMaximum = data.count ? maximum : 0;
    bounds.xMinimum = data.count ? minimum : 0;
    return bounds;
}

bool writeChartObject(QTextStream& s, const QString& side, const SideRecords& records)
{
    if (side != QLatin1String("A") && side != QLatin1String("B"))
        return s.status() == QTextStream::Ok;
    const ChartBounds bounds = chartBounds(records);
    s << documentStart << stylesBeforeXAxis
      << QString::fromLatin1(xAxisStyle).arg(bounds.xMaximum).arg(bounds.xMinimum)
      << stylesAfterXAxis;
    s << "  <office:body>\n"
         "    <office:chart>\n"
         "      <chart:chart chart:class='chart:scatter' svg:height='416.3811023622047pt'"
         " svg:width='638.4188188976378pt' chart:style-name='Crt0'>\n"
         "        <chart:title svg:x='250pt' svg:y='12pt' chart:style-name='CT00'>\n"
         "          <text:p text:style-name='a0' text:class-names='' text:cond-style-name=''>"
         "Filling operations Side "
      << side
      << "</text:p>\n"
         "        </chart:title>\n"
         "        <chart:legend chart:legend-position='bottom' chart:legend-align='center'"
         " chart:style-name='Lgnd'/>\n"
         "        <chart:plot-area svg:x='17pt' svg:y='37pt' svg:width='598pt' svg:height='328pt'"
         " chart:style-name='Plt0'>\n"
         "          <chart:axis chart:dimension='y' chart:name='primary-y' chart:style-name='Axs0'>\n"
         "            <chart:grid chart:class='major' chart:style-name='GMa0'/>\n"
         "          </chart:axis>\n"
         "          <chart:axis chart:dimension='x' chart:name='primary-x' chart:style-name='Axs1'>\n"
         "            <chart:grid chart:class='major' chart:style-name='GMa1'/>\n"
         "          </chart:axis>\n";
    for (const Series& series : seriesTable)
        writeSeries(s, series, side, bounds);
    s << "          <chart:wall chart:style-name='Wal0'/>\n"
         "        </chart:plot-area>\n"
         "      </chart:chart>\n"
         "    </office:chart>\n"
         "  </office:body>\n"
         "</office:document-content>\n";
    return s.status() == QTextStream::Ok;
}
