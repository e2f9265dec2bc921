#include "changemarks.h"

#include <algorithm>

namespace quillmark::changemarks {

namespace {

constexpr Rgb RaisedLeast = rgb(0xff, 0xb4, 0x9c);
constexpr Rgb RaisedMost = rgb(0xe0, 0x14, 0x0a);
constexpr Rgb LoweredLeast = rgb(0xa8, 0xcc, 0xff);
constexpr Rgb LoweredMost = rgb(0x14, 0x46, 0xff);

Rgb mix(Rgb from, Rgb to, int step, int steps)
{
    const auto channel = [step, steps](int a, int b) { return a + (b - a) * step / steps; };
    return rgb(channel(redOf(from), redOf(to)), channel(greenOf(from), greenOf(to)),
               channel(blueOf(from), blueOf(to)));
}

void fill(Picture& image, int left, int top, int width, int height, Rgb colour)
{
    for (int y = top; y < top + height; ++y)
        std::fill(image.row(y) + left, image.row(y) + left + width, colour);
}

// One band of a tile: a colour across it, or two side by side.
void band(Picture& image, int left, int top, int size, int height, const Rgb* colours, int count)
{
    if (count == 0 || height == 0)
        return;
    const int first = count == 1 ? size : size / 2;
    fill(image, left, top, first, height, colours[0]);
    if (count == 2)
        fill(image, left + first, top, size - first, height, colours[1]);
}

}  // namespace

Rgb background(Rgb after)
{
    const int grey = (redOf(after) * 299 + greenOf(after) * 587 + blueOf(after) * 114 + 500) / 1000;
    return dimmed(rgb(grey, grey, grey), Dimming);
}

Rgb altitude(int delta)
{
    const int step = std::min(std::abs(delta), StrongestMove) - 1;
    return delta > 0 ? mix(RaisedLeast, RaisedMost, step, StrongestMove - 1)
                     : mix(LoweredLeast, LoweredMost, step, StrongestMove - 1);
}

void paintTile(Picture& image, int left, int top, int size, Rgb after, const BlockChanges& changes, int cell,
               bool outline)
{
    fill(image, left, top, size, size, background(after));
    const quint64 bit = quint64(1) << cell;
    if (!(changes.changedTiles & bit))
        return;
    Rgb land[2], statics[2];
    int landCount = 0, staticsCount = 0;
    if (changes.tileReplaced & bit)
        land[landCount++] = TileReplaced;
    if (changes.altitudeMoved & bit)
        land[landCount++] = altitude(changes.altitudeDelta[size_t(cell)]);
    if (changes.staticsAdded & bit)
        statics[staticsCount++] = StaticsAdded;
    if (changes.staticsRemoved & bit)
        statics[staticsCount++] = StaticsRemoved;
    if (size == 1) {
        image.row(top)[left] = landCount ? land[0] : statics[0];
        return;
    }
    const int landHeight = staticsCount == 0 ? size : landCount == 0 ? 0 : size / 2;
    band(image, left, top, size, landHeight, land, landCount);
    band(image, left, top + landHeight, size, size - landHeight, statics, staticsCount);
    if (outline && size >= OutlineFrom)
        image.outlineRect(left, top, size, size, Outline);
}

}  // namespace quillmark::changemarks
