#pragma once

// The marks of the change view: the after picture in greys, dimmed, and on each tile
// that changed, what changed in its own colour: the land tile replaced, the
// altitude raised (reds) or lowered (blues), stronger the more it moved, a
// single unit included, statics added and statics removed. A tile with
// several changes is split: land above, statics below, each side in two
// when both of its kinds changed.

#include "blockdiff.h"
#include "picture.h"

namespace quillmark::changemarks {

constexpr Rgb TileReplaced = rgb(0xff, 0xd6, 0x00);
constexpr Rgb StaticsAdded = rgb(0x28, 0xe6, 0x5a);
constexpr Rgb StaticsRemoved = rgb(0xf0, 0x3c, 0xf0);
constexpr Rgb Outline = rgb(0xff, 0xff, 0xff);  // --outline: around each changed tile
// The after picture shows through black of this opacity (of 255).
constexpr int Dimming = 170;
// Altitude moves of this many units or more take the strongest colour.
constexpr int StrongestMove = 16;
// Outlines are drawn on tiles of at least this many pixels, where they leave room for the marks.
constexpr int OutlineFrom = 6;

// A tile's colour in the after picture as the change view shows it under
// the marks: a grey of its lightness, dimmed, so that the marks stand out
// whatever the palette.
Rgb background(Rgb after);

// The colour of an altitude that moved by `delta` (not 0).
Rgb altitude(int delta);

// Paints tile `cell` of a block, `size` pixels a side at (left, top): the
// background of its after side's colour, then its marks.
void paintTile(Picture& image, int left, int top, int size, Rgb after, const BlockChanges& changes, int cell,
               bool outline);

}  // namespace quillmark::changemarks
