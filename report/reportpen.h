// Writing the report's text onto a page from top to bottom: headings, rows
// of names and values, tables. Every text is kept inside the width it is
// given (elided when longer), so no translation runs into its neighbour.
#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

class QPainter;

using NamedValues = QList<QPair<QString, QString>>;

class ReportPen
{
public:
    ReportPen(QPainter& painter, int left, int width);

    int y() const { return top; }
    void setY(int y) { top = y; }
    void skip(int height) { top += height; }

    void title(const QString& text, const QString& right);
    void heading(const QString& text);
    // A line of running text.
    void line(const QString& text);
    // Names and values in a column starting at x (relative to the left
    // edge) of the given width, from the current line down; returns the
    // height used without moving the pen.
    int namedValues(int x, int width, const NamedValues& rows);
    // A table: columns start at the given x (relative), the last ends at the
    // right edge; the first row bold when header. Columns after the first
    // are right-aligned when numeric says so.
    void table(const QVector<int>& columns, const QList<QStringList>& rows, bool header,
               bool numeric);
    // The footer line: left text and right text.
    void footer(const QString& left, const QString& right);

private:
    void setFont(double points, bool bold);
    int lineHeight() const;
    void cell(int x, int width, const QString& text, bool alignRight);

    QPainter& painter;
    int left;
    int width;
    int top = 0;
};
