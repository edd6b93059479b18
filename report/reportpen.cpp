#include "report/reportpen.h"

#include <QFontMetrics>
#include <QPainter>

namespace {
constexpr double bodyPoints = 8.5;
constexpr double headingPoints = 10.5;
constexpr double titlePoints = 15.0;
constexpr int cellPadding = 15;   // between columns, 1.5 mm
} // namespace

ReportPen::ReportPen(QPainter& painter, int left, int width)
    : painter(painter)
    , left(left)
    , width(width)
{
}

void ReportPen::setFont(double points, bool bold)
{
    QFont font = painter.font();
    font.setPointSizeF(points);
    font.setBold(bold);
    painter.setFont(font);
    painter.setPen(Qt::black);
}

int ReportPen::lineHeight() const
{
    return painter.fontMetrics().height() * 115 / 100;
}

void ReportPen::cell(int x, int cellWidth, const QString& text, bool alignRight)
{
    const QFontMetrics metrics = painter.fontMetrics();
    const QString shown = metrics.elidedText(text, Qt::ElideRight, qMax(cellWidth, 1));
    const Qt::Alignment alignment = (alignRight ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
    painter.drawText(QRect(left + x, top, cellWidth, lineHeight()), int(alignment), shown);
}

void ReportPen::title(const QString& text, const QString& right)
{
    setFont(titlePoints, true);
    const int height = lineHeight();
    const int rightWidth = width / 3;
    QFontMetrics metrics = painter.fontMetrics();
    painter.drawText(QRect(left, top, width - rightWidth, height), Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(text, Qt::ElideRight, width - rightWidth));
    setFont(bodyPoints, false);
    metrics = painter.fontMetrics();
    painter.drawText(QRect(left + width - rightWidth, top, rightWidth, height),
                     Qt::AlignRight | Qt::AlignVCenter,
                     metrics.elidedText(right, Qt::ElideLeft, rightWidth));
    top += height;
    painter.setPen(QPen(QColor(0x1C, 0x35, 0x63), 6));
    painter.drawLine(left, top, left + width, top);
    top += 30;
}

void ReportPen::heading(const QString& text)
{
    top += 25;
    setFont(headingPoints, true);
    cell(0, width, text, false);
    top += lineHeight();
    painter.setPen(QPen(Qt::gray, 2));
    painter.drawLine(left, top, left + width, top);
    top += 10;
    setFont(bodyPoints, false);
}

void ReportPen::line(const QString& text)
{
    setFont(bodyPoints, false);
    cell(0, width, text, false);
    top += lineHeight();
}

int ReportPen::namedValues(int x, int columnWidth, const NamedValues& rows)
{
    setFont(bodyPoints, true);
    const QFontMetrics metrics = painter.fontMetrics();
    int nameWidth = 0;
    for (const auto& row : rows)
        nameWidth = qMax(nameWidth, metrics.horizontalAdvance(row.first + QLatin1Char(':')));
    // The measured advance is rounded: a little room keeps the longest
    // name from being elided by the rounding.
    nameWidth = qMin(nameWidth + 2 * cellPadding, columnWidth * 60 / 100);
    const int start = top;
    for (const auto& row : rows) {
        setFont(bodyPoints, true);
        cell(x, nameWidth - cellPadding, row.first + QLatin1Char(':'), false);
        setFont(bodyPoints, false);
        cell(x + nameWidth, columnWidth - nameWidth, row.second, false);
        top += lineHeight();
    }
    const int used = top - start;
    top = start;
    return used;
}

void ReportPen::table(const QVector<int>& columns, const QList<QStringList>& rows, bool header,
                      bool numeric)
{
    for (int r = 0; r < rows.size(); ++r) {
        setFont(bodyPoints, header && r == 0);
        const QStringList& row = rows.at(r);
        for (int c = 0; c < columns.size() && c < row.size(); ++c) {
            const int end = c + 1 < columns.size() ? columns.at(c + 1) : width;
            cell(columns.at(c), end - columns.at(c) - cellPadding, row.at(c), numeric && c > 0);
        }
        top += lineHeight();
    }
    setFont(bodyPoints, false);
}

void ReportPen::footer(const QString& leftText, const QString& rightText)
{
    setFont(7.0, false);
    painter.setPen(Qt::darkGray);
    const QFontMetrics metrics = painter.fontMetrics();
    const int rightWidth = metrics.horizontalAdvance(rightText) + cellPadding;
    cell(0, width - rightWidth, leftText, false);
    cell(width - rightWidth, rightWidth, rightText, true);
    painter.setPen(Qt::black);
}
