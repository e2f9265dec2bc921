#pragma once

// The rulers along the top and left edges of a region's pictures: a tick at
// every 8th world tile (every block's edge), longer and labelled with the
// tile's coordinate where the labels have room, so that a place in a
// picture is read off in world tiles at any scale.

#include "picture.h"

namespace quillmark {

struct PictureArea;

namespace rulers {

constexpr int DigitScale = 2;
constexpr int TickEvery = 8;  // tiles
constexpr int MinorTick = 3;  // pixels long
constexpr int MajorTick = 6;
constexpr Rgb Background = rgb(0xe6, 0xe2, 0xda);
constexpr Rgb Ink = rgb(0x1d, 0x23, 0x2b);

// The top ruler's height, and the left one's width for a picture whose
// last row is tile `lastY`.
constexpr int TopHeight = 1 + DigitScale * 5 + 2 + MajorTick;
int leftWidth(qint64 lastY);

// The tiles between two labels, a multiple of TickEvery, at `pixelsPerTile`,
// for labels `labelSize` pixels long (with a gap).
qint64 labelStep(int pixelsPerTile, int labelSize);

// Both rulers of `area`, drawn on `image` around its tiles.
void draw(Picture& image, const PictureArea& area);

}  // namespace rulers

}  // namespace quillmark
