#include "rulers.h"

#include "glyphs.h"
#include "regionpicture.h"

namespace quillmark::rulers {

namespace {

constexpr int LabelGap = 6;

// The first multiple of `step` at or after `from`.
qint64 firstMultiple(qint64 from, qint64 step)
{
    return (from + step - 1) / step * step;
}

void drawTop(Picture& image, const PictureArea& area)
{
    const int n = area.pixelsPerTile;
    const qint64 end = area.x + area.width;
    const qint64 step = labelStep(n, glyphs::textWidth(glyphs::digitsOf(end - 1), DigitScale));
    for (qint64 tile = firstMultiple(area.x, TickEvery); tile < end; tile += TickEvery) {
        const int x = area.left + int(tile - area.x) * n;
        const bool labelled = tile % step == 0;
        const int length = labelled ? MajorTick : MinorTick;
        image.fillRect(x, TopHeight - length, 1, length, Ink);
        const int width = glyphs::textWidth(glyphs::digitsOf(tile), DigitScale);
        if (labelled && x + 2 + width <= image.width())
            glyphs::drawNumber(image, x + 2, 1, tile, DigitScale, Ink);
    }
}

void drawLeft(Picture& image, const PictureArea& area)
{
    const int n = area.pixelsPerTile;
    const qint64 end = area.y + area.height;
    const qint64 step = labelStep(n, glyphs::textHeight(DigitScale));
    for (qint64 tile = firstMultiple(area.y, TickEvery); tile < end; tile += TickEvery) {
        const int y = area.top + int(tile - area.y) * n;
        const bool labelled = tile % step == 0;
        const int length = labelled ? MajorTick : MinorTick;
        image.fillRect(area.left - length, y, length, 1, Ink);
        const int width = glyphs::textWidth(glyphs::digitsOf(tile), DigitScale);
        if (labelled && y + 1 + glyphs::textHeight(DigitScale) <= image.height())
            glyphs::drawNumber(image, area.left - MajorTick - 2 - width, y + 1, tile, DigitScale, Ink);
    }
}

}  // namespace

int leftWidth(qint64 lastY)
{
    return 2 + glyphs::textWidth(glyphs::digitsOf(lastY), DigitScale) + 2 + MajorTick;
}

qint64 labelStep(int pixelsPerTile, int labelSize)
{
    qint64 step = TickEvery;
    while (step * pixelsPerTile < labelSize + LabelGap)
        step *= 2;
    return step;
}

void draw(Picture& image, const PictureArea& area)
{
    image.fillRect(0, 0, image.width(), area.top, Background);
    image.fillRect(0, area.top, area.left, image.height() - area.top, Background);
    drawTop(image, area);
    drawLeft(image, area);
}

}  // namespace quillmark::rulers
