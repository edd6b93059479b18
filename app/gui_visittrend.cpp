#include "app/gui_visittrend.h"

#include "frame/texttable.h"
#include "frame/visittexts.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

const QColor ink(0x1C, 0x35, 0x63);
const QColor grid(0xC8, 0xCE, 0xD9);
const QColor marked(0xD0, 0x4A, 0x1E);
constexpr int margin = 6;
constexpr int axisWidth = 40;  // room for "100 %"
constexpr int titleHeight = 18;

} // namespace

GUI_VisitTrend::GUI_VisitTrend(char side, QWidget* parent) : QWidget(parent), side(side)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void GUI_VisitTrend::setShares(const QList<double>& sharesOldestFirst, int highlightedVisit)
{
    visitShares = sharesOldestFirst;
    highlighted = highlightedVisit;
    update();
}

QString GUI_VisitTrend::title() const
{
    return text(VisitText::trend).arg(text(side == 'A' ? 21 : 22));
}

double GUI_VisitTrend::scaleBottom() const
{
    double lowest = 1.0;
    for (double share : visitShares) {
        if (share >= 0)
            lowest = qMin(lowest, share);
    }
    return qMax(0.0, std::floor(lowest * 10.0) / 10.0 - 0.1);
}

void GUI_VisitTrend::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont small = font();
    small.setPointSizeF(8.5);
    painter.setFont(small);
    painter.setPen(ink);
    painter.drawText(QRect(margin, 0, width() - 2 * margin, titleHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     title());

    const QRectF plot(margin + axisWidth, titleHeight + 6, width() - 2 * margin - axisWidth - 8,
                      height() - titleHeight - 6 - margin - 4);
    if (plot.width() < 10 || plot.height() < 10)
        return;
    // The scale starts a step of ten below the lowest share, so that a drift
    // of a few points between visits shows as a slope and not as a flat line.
    const double lowest = scaleBottom();
    auto yOf = [&plot, lowest](double share) {
        return plot.bottom() - (share - lowest) / (1.0 - lowest) * plot.height();
    };
    for (double share : {lowest, (lowest + 1.0) / 2, 1.0}) {
        const double y = yOf(share);
        painter.setPen(grid);
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(ink);
        painter.drawText(QRectF(margin, y - 8, axisWidth - 4, 16), Qt::AlignRight | Qt::AlignVCenter,
                         QStringLiteral("%1 %").arg(qRound(share * 100)));
    }
    const int count = int(visitShares.size());
    if (count == 0)
        return;
    auto xOf = [&plot, count](int visit) {
        return count == 1 ? plot.center().x() : plot.left() + plot.width() * visit / (count - 1);
    };
    // The line breaks at a visit without a share.
    QPainterPath line;
    bool drawing = false;
    for (int visit = 0; visit < count; ++visit) {
        const double share = visitShares.at(visit);
        if (share < 0) {
            drawing = false;
            continue;
        }
        const QPointF point(xOf(visit), yOf(share));
        drawing ? line.lineTo(point) : line.moveTo(point);
        drawing = true;
    }
    painter.setPen(QPen(ink, 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(line);
    for (int visit = 0; visit < count; ++visit) {
        const double share = visitShares.at(visit);
        if (share < 0)
            continue;
        const bool isMarked = visit == highlighted;
        painter.setPen(Qt::NoPen);
        painter.setBrush(isMarked ? marked : ink);
        const double radius = isMarked ? 4.5 : 2.5;
        painter.drawEllipse(QPointF(xOf(visit), yOf(share)), radius, radius);
    }
}
