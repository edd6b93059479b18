#include "chart/chartseries.h"

#include <QPainter>

#include <algorithm>
#include <cstring>
#include <unordered_set>

namespace {

constexpr int armLength = 5;

} // namespace

void ChartPolylineReducer::clear()
{
    segments.clear();
    started = false;
    columnPoints = 0;
}

void ChartPolylineReducer::startColumn(int x, int y)
{
    if (started) {
        closeColumn();
        segments.emplace_back(columnX, columnExitY, x, y);
    }
    started = true;
    columnX = x;
    columnTop = columnBottom = columnExitY = y;
    columnPoints = 1;
}

void ChartPolylineReducer::closeColumn()
{
    if (columnPoints > 1)
        segments.emplace_back(columnX, columnTop, columnX, columnBottom);
}

void ChartPolylineReducer::finish()
{
    if (started)
        closeColumn();
    started = false;
    columnPoints = 0;
}

void ChartCrossLayer::clear()
{
    crosses.clear();
}

void ChartCrossLayer::prepareLayer(const QSize& size)
{
    if (layer.size() != size) {
        layer = QImage(size, QImage::Format_ARGB32_Premultiplied);
        layer.fill(Qt::transparent);
    } else if (!dirty.isEmpty()) {
        for (int y = dirty.top(); y <= dirty.bottom(); ++y)
            std::memset(reinterpret_cast<quint32*>(layer.scanLine(y)) + dirty.left(), 0,
                        sizeof(quint32) * size_t(dirty.width()));
    }
    dirty = QRect();
    seen.assign(size_t(size.width() + 2 * armLength) * size_t(size.height() + 2 * armLength), 0);
}

// Sets the still transparent pixels of the cross at (x, y) to pixel; parts
// off the layer are skipped.
void ChartCrossLayer::paintCross(quint32* bits, int stride, int x, int y, quint32 pixel)
{
    const auto set = [pixel](quint32& target) {
        if (target == 0)
            target = pixel;
    };
    const int width = layer.width();
    const int height = layer.height();
    if (x >= armLength && y >= armLength && x + armLength < width && y + armLength < height) {
        quint32* centre = bits + size_t(y) * size_t(stride) + size_t(x);
        for (int i = -armLength; i <= armLength; ++i) {
            set(centre[i]);
            set(centre[ptrdiff_t(i) * stride]);
        }
        return;
    }
    for (int i = -armLength; i <= armLength; ++i) {
        if (y + i >= 0 && y + i < height && x >= 0 && x < width)
            set(bits[size_t(y + i) * size_t(stride) + size_t(x)]);
        if (x + i >= 0 && x + i < width && y >= 0 && y < height)
            set(bits[size_t(y) * size_t(stride) + size_t(x + i)]);
    }
}

void ChartCrossLayer::paint(QPainter& painter, const QSize& size, const QColor& lower,
                            const QColor& upper)
{
    distinct = 0;
    if (crosses.empty() || size.isEmpty())
        return;
    prepareLayer(size);
    const quint32 lowerPixel = lower.rgba(); // opaque: premultiplied is the same
    const quint32 upperPixel = upper.rgba();
    const int seenWidth = size.width() + 2 * armLength;
    const int seenHeight = size.height() + 2 * armLength;
    int left = size.width();
    int top = size.height();
    int right = -1;
    int bottom = -1;
    quint32* bits = reinterpret_cast<quint32*>(layer.bits());
    const int stride = layer.bytesPerLine() / int(sizeof(quint32));
    for (auto cross = crosses.crbegin(); cross != crosses.crend(); ++cross) {
        // A cross whose arms all miss the picture paints nothing.
        const int sx = cross->x + armLength;
        const int sy = cross->y + armLength;
        if (sx < 0 || sy < 0 || sx >= seenWidth || sy >= seenHeight)
            continue;
        quint8& drawn = seen[size_t(sy) * size_t(seenWidth) + size_t(sx)];
        if (drawn)
            continue; // a later cross at the same place covers this one whole
        drawn = 1;
        ++distinct;
        const quint32 pixel = cross->upper ? upperPixel : lowerPixel;
        paintCross(bits, stride, cross->x, cross->y, pixel);
        left = std::min(left, cross->x - armLength);
        right = std::max(right, cross->x + armLength);
        top = std::min(top, cross->y - armLength);
        bottom = std::max(bottom, cross->y + armLength);
    }
    dirty = QRect(QPoint(left, top), QPoint(right, bottom)) & layer.rect();
    if (!dirty.isEmpty())
        painter.drawImage(dirty.topLeft(), layer, dirty);
}

void ChartCrossLayer::paintLines(QPainter& painter, const QColor& lower, const QColor& upper) const
{
    std::unordered_set<quint64> seenPositions;
    std::vector<Cross> kept;
    for (auto cross = crosses.crbegin(); cross != crosses.crend(); ++cross) {
        const quint64 key = (quint64(quint32(cross->x)) << 32) | quint32(cross->y);
        if (seenPositions.insert(key).second)
            kept.push_back(*cross);
    }
    // Runs of one colour go to the painter in one call.
    std::vector<QLine> run;
    bool runUpper = false;
    const auto flush = [&]() {
        if (run.empty())
            return;
        painter.setPen(QPen(runUpper ? upper : lower, 1));
        painter.drawLines(run.data(), int(run.size()));
        run.clear();
    };
    for (auto cross = kept.crbegin(); cross != kept.crend(); ++cross) {
        if (cross->upper != runUpper)
            flush();
        runUpper = cross->upper;
        run.emplace_back(cross->x, cross->y - armLength, cross->x, cross->y + armLength);
        run.emplace_back(cross->x - armLength, cross->y, cross->x + armLength, cross->y);
    }
    flush();
}
