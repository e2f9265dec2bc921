#include "applicationicon.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

// The drawing is laid out on a 256 x 256 canvas and scaled to each size.
constexpr qreal Canvas = 256;

const QColor Parchment(0xf2, 0xe4, 0xbd);
const QColor ParchmentShade(0xdc, 0xc2, 0x86);
const QColor Frame(0x6e, 0x4f, 0x26);
const QColor GridLine(0xae, 0x8f, 0x55);
const QColor MarkedBlock(0xc4, 0x4a, 0x32);
const QColor Feather(0xfc, 0xfb, 0xf6);
const QColor Ink(0x26, 0x26, 0x2c);

// Pen widths are given on the canvas but never fall below one pixel, so that
// the small sizes keep their outlines.
QPen canvasPen(const QColor& colour, qreal width, qreal scale)
{
    QPen pen(colour, std::max(width, 1.0 / scale));
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

// The facet as a parchment tile with its block grid; small sizes get fewer,
// larger blocks, or the lines would merge into a blur.
void paintMap(QPainter& painter, int size, qreal scale)
{
    const QRectF tile(14, 14, Canvas - 28, Canvas - 28);
    QLinearGradient shade(tile.topLeft(), tile.bottomRight());
    shade.setColorAt(0, Parchment);
    shade.setColorAt(1, ParchmentShade);
    painter.setPen(canvasPen(Frame, 10, scale));
    painter.setBrush(shade);
    painter.drawRoundedRect(tile, 30, 30);

    const int blocks = size < 32 ? 3 : 4;
    const QRectF grid = tile.adjusted(26, 26, -26, -26);
    const qreal cell = grid.width() / blocks;
    const QList<QPoint> marked =
        blocks == 3 ? QList<QPoint>{{0, 0}, {2, 2}} : QList<QPoint>{{0, 0}, {1, 0}, {3, 2}, {2, 3}, {3, 3}};
    painter.setPen(Qt::NoPen);
    painter.setBrush(MarkedBlock);
    for (const QPoint& block : marked)
        painter.drawRect(QRectF(grid.left() + block.x() * cell, grid.top() + block.y() * cell, cell, cell));

    painter.setPen(canvasPen(GridLine, size < 32 ? 8 : 5, scale));
    painter.setBrush(Qt::NoBrush);
    for (int line = 0; line <= blocks; ++line) {
        const qreal at = line * cell;
        painter.drawLine(QPointF(grid.left() + at, grid.top()), QPointF(grid.left() + at, grid.bottom()));
        painter.drawLine(QPointF(grid.left(), grid.top() + at), QPointF(grid.right(), grid.top() + at));
    }
}

// The feather's outline, drawn upright with the nib's point at the origin and
// the tip at (0, -length).
QPainterPath featherVane(qreal length)
{
    QPainterPath vane;
    vane.moveTo(0, -58);
    vane.cubicTo(-40, -90, -50, -170, 0, -length);
    vane.cubicTo(30, -180, 34, -100, 0, -58);
    return vane;
}

// The quill lies across the tile from its lower left, nib down, as if it had
// just marked the blocks. Below 32 pixels the feather is a few pixels wide:
// its shaft and notches would only grey it, so it is left plain.
void paintQuill(QPainter& painter, int size, qreal scale)
{
    const qreal length = 236;
    painter.save();
    painter.translate(62, 204);
    painter.rotate(42);

    painter.setPen(canvasPen(Ink, 7, scale));
    painter.setBrush(Feather);
    painter.drawPath(featherVane(length));
    if (size >= 32) {
        // The shaft, and the notches where the barbs part.
        painter.drawLine(QPointF(0, -30), QPointF(0, -length + 24));
        painter.drawLine(QPointF(-33, -120), QPointF(-14, -108));
        painter.drawLine(QPointF(22, -150), QPointF(8, -138));
    }

    painter.setPen(canvasPen(Ink, 4, scale));
    painter.setBrush(Ink);
    const QPointF nib[] = {{0, 0}, {-9, -36}, {9, -36}};
    painter.drawPolygon(nib, 3);
    painter.restore();
}

}  // namespace

QList<int> applicationIconSizes()
{
    return {16, 22, 24, 32, 48, 64, 128, 256};
}

QImage paintApplicationIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal scale = size / Canvas;
    painter.scale(scale, scale);
    paintMap(painter, size, scale);
    paintQuill(painter, size, scale);
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

QIcon applicationIcon()
{
    QIcon icon;
    for (const int size : applicationIconSizes())
        icon.addPixmap(QPixmap::fromImage(paintApplicationIcon(size)));
    return icon;
}
