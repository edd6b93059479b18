#include "report/reportpdf.h"

#include "chart/chartpainter.h"
#include "files/atomicfile.h"
#include "frame/reporttexts.h"
#include "frame/texttable.h"
#include "report/reportfigures.h"
#include "report/reportpen.h"
#include "report/reportsections.h"

#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

namespace {

// The page in tenths of a millimetre: the writer's resolution makes one
// device pixel 0.1 mm, so fonts keep their point sizes.
constexpr int resolution = 254;
constexpr int pageWidth = 2100;
constexpr int pageHeight = 2970;
constexpr int margin = 120;
constexpr int contentWidth = pageWidth - 2 * margin;
// The chart is painted at the size the page shows it at (its coordinates
// are pixels of that picture) and scaled onto the paper.
constexpr int chartPictureWidth = 1000;
constexpr int chartPictureHeight = 580;

void paintChart(QPainter& painter, const ReportSide& side, int top)
{
    // The chart writes its plot positions into the records: a copy of them.
    QVector<KelmoraFillingData> records = side.records;
    painter.save();
    painter.translate(margin, top);
    const double scale = double(contentWidth) / chartPictureWidth;
    painter.scale(scale, scale);
    QFont font = painter.font();
    font.setPixelSize(13);
    painter.setFont(font);
    const bool drawn = paintWholeChart(painter, QSize(chartPictureWidth, chartPictureHeight), ModeDate,
                                       records.data(), records.size(), side.origin, side.side == 'A');
    if (!drawn)
        painter.drawText(QRect(0, 0, chartPictureWidth, 60), Qt::AlignCenter, text(ReportText::noChart));
    painter.restore();
}

void paintFooter(QPainter& painter, int page, int pages)
{
    ReportPen pen(painter, margin, contentWidth);
    pen.setY(pageHeight - margin + 20);
    const QString made = text(ReportText::madeBy)
                             .arg(QStringLiteral(KELMORA_VERSION),
                                  QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")));
    pen.footer(made, text(ReportText::page).arg(page).arg(pages));
}

} // namespace

bool paintReportPdf(QIODevice& device, const VisitReport& report)
{
    QPdfWriter writer(&device);
    writer.setResolution(resolution);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    writer.setTitle(text(ReportText::title));
    writer.setCreator(QStringLiteral("KELMORADiagnose"));
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    const int pages = qMax(1, int(report.sides.size()));
    ReportPen pen(painter, margin, contentWidth);
    pen.setY(margin);
    paintReportHead(pen, report);
    for (int i = 0; i < pages; ++i) {
        if (i > 0) {
            writer.newPage();
            pen.setY(margin);
            paintPageHead(pen, report);
        }
        if (i < report.sides.size()) {
            const ReportSide& side = report.sides.at(i);
            paintSideFigures(pen, report.source, side, sideFigures(side));
            paintChart(painter, side, pen.y() + 30);
        }
        paintFooter(painter, i + 1, pages);
    }
    return painter.end();
}

bool writeReportPdf(const QString& path, const VisitReport& report, QString* error)
{
    return saveFileAtomically(
        path, [&](QIODevice& device) { return paintReportPdf(device, report); }, error);
}
