#include "app/gui_infocolumn.h"

#include <QPainter>
#include <QTextLayout>

#include <cmath>

GUI_InfoColumn::GUI_InfoColumn(QWidget* parent) : QLabel(parent) {}

void GUI_InfoColumn::setPartner(GUI_InfoColumn* other)
{
    partner = other;
}

QStringList GUI_InfoColumn::linesOf(const QString& text)
{
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QStringList lines = plain.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

int GUI_InfoColumn::widestLine() const
{
    const QFontMetrics metrics(font());
    int widest = 0;
    for (const QString& line : linesOf(text()))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest + contentsMargins().left() + contentsMargins().right();
}

void GUI_InfoColumn::measure(int& ascent, int& descent) const
{
    // The primary font sets the least; a line laid out with its fallback
    // fonts may reach higher or lower.
    const QFontMetrics metrics(font());
    ascent = std::max(ascent, metrics.ascent());
    descent = std::max(descent, metrics.descent() + metrics.leading());
    for (const QString& line : linesOf(text())) {
        QTextLayout layout(line, font());
        layout.beginLayout();
        const QTextLine laidOut = layout.createLine();
        layout.endLayout();
        if (!laidOut.isValid())
            continue;
        ascent = std::max(ascent, int(std::ceil(laidOut.ascent())));
        descent = std::max(descent, int(std::ceil(laidOut.descent() + laidOut.leading())));
    }
}

GUI_InfoColumn::Rows GUI_InfoColumn::rows() const
{
    int ascent = 0;
    int descent = 0;
    measure(ascent, descent);
    if (partner)
        partner->measure(ascent, descent);
    return Rows{ascent + descent, ascent};
}

void GUI_InfoColumn::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(foregroundRole()));
    const QRect area = contentsRect();
    const Rows shared = rows();
    int top = area.top();
    for (const QString& line : linesOf(text())) {
        if (top >= area.bottom())
            break;
        painter.drawText(QPointF(area.left(), top + shared.ascent), line);
        top += shared.pitch;
    }
}
