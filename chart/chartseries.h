// The series of a chart picture reduced to what can be seen. A full side
// holds up to 65535 records on a plot about a thousand pixels wide, so dozens
// of consecutive points share one pixel column; drawn one segment and one
// cross at a time they cost far more than a frame and paint the same pixels
// over and over. Both reductions below paint exactly the pixels of the full
// drawing with the chart's 1-pixel aliased pens.
#pragma once

#include <QColor>
#include <QImage>
#include <QLine>
#include <QRect>

#include <vector>

class QPainter;

// Segments of one polyline, fed point by point in drawing order. Consecutive
// points in one pixel column collapse to one vertical segment from the
// column's lowest to its highest point: the polyline inside the column runs
// through every pixel between them and no other. The segments joining
// neighbouring columns (from one column's last point to the next column's
// first) are kept as they are.
class ChartPolylineReducer
{
public:
    void clear();
    void add(int x, int y)
    {
        if (started && x == columnX) {
            columnTop = y < columnTop ? y : columnTop;
            columnBottom = y > columnBottom ? y : columnBottom;
            columnExitY = y;
            ++columnPoints;
            return;
        }
        startColumn(x, y);
    }
    // Closes the last column; lines() is complete afterwards.
    void finish();
    const std::vector<QLine>& lines() const { return segments; }

private:
    void startColumn(int x, int y);
    void closeColumn();

    std::vector<QLine> segments;
    bool started = false;
    int columnX = 0;
    int columnTop = 0;
    int columnBottom = 0;
    int columnExitY = 0;
    int columnPoints = 0;
};

// Crosses (±5 px arms) of two colours, fed in drawing order; a later cross
// paints over an earlier one where they overlap. Each distinct position is
// drawn once, with the colour of the last cross there, and where crosses of
// different positions overlap the later one still wins: the crosses are
// rasterised back to front into a transparent layer, every pixel taking the
// first colour that reaches it, and the layer is then laid over the picture
// in one step.
class ChartCrossLayer
{
public:
    void clear();
    void add(int x, int y, bool upperColour) { crosses.push_back({x, y, upperColour}); }
    // Lays the crosses over the picture painted by painter (of size size).
    void paint(QPainter& painter, const QSize& size, const QColor& lower, const QColor& upper);
    // The same crosses as vector lines, for print: each distinct position
    // once, in the colour of its last cross, in the order of those last
    // crosses so that where crosses overlap the later one is on top.
    void paintLines(QPainter& painter, const QColor& lower, const QColor& upper) const;
    int distinctPositions() const { return distinct; }

private:
    struct Cross {
        int x;
        int y;
        bool upper;
    };
    void prepareLayer(const QSize& size);
    void paintCross(quint32* bits, int stride, int x, int y, quint32 pixel);

    std::vector<Cross> crosses;
    QImage layer;            // reused between drawings: only the dirty part is cleared
    QRect dirty;             // the part of the layer that holds crosses
    std::vector<quint8> seen; // positions already drawn, over the layer grown by the arm length
    int distinct = 0;
};
