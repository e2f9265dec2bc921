#pragma once

// The marks of the change view, laid over the after picture in dimmed
// greys: on each cell that changed (a tile, or in a large region's overview
// a square of tiles), each kind of change in its own colour wherever it
// happens: the land tile replaced, the altitude raised (reds) or lowered
// (blues) in steps that tell a move of 1 from one of 5 or 20, statics added
// and statics removed. A cell with several kinds is split, land above and
// statics below, the kinds of each side taking its pixels in turn, so that
// every kind keeps pixels of its own at any scale the page shows.

#include "picture.h"

#include <array>

namespace quillmark::changemarks {

constexpr Rgb TileReplaced = rgb(0xff, 0xd6, 0x00);
constexpr Rgb StaticsAdded = rgb(0x28, 0xe6, 0x5a);
constexpr Rgb StaticsRemoved = rgb(0xf0, 0x3c, 0xf0);
constexpr Rgb Outline = rgb(0xff, 0xff, 0xff);  // --outline: around each changed tile

// Altitude moves fall in steps: 1, 2 to 4, 5 to 9, 10 to 19, 20 or more.
constexpr int AltitudeSteps = 5;
constexpr std::array<int, AltitudeSteps> StepFrom = {1, 2, 5, 10, 20};
constexpr std::array<Rgb, AltitudeSteps> Raised = {rgb(0xff, 0xc4, 0xb0), rgb(0xff, 0x8a, 0x66),
                                                   rgb(0xf0, 0x50, 0x2a), rgb(0xc8, 0x1e, 0x0a),
                                                   rgb(0x7a, 0x0a, 0x00)};
constexpr std::array<Rgb, AltitudeSteps> Lowered = {rgb(0xbc, 0xd8, 0xff), rgb(0x7f, 0xb0, 0xff),
                                                    rgb(0x3c, 0x78, 0xff), rgb(0x10, 0x40, 0xd0),
                                                    rgb(0x06, 0x1e, 0x78)};

// The step of a move by `delta` (not 0), 0 to AltitudeSteps - 1.
int stepOf(int delta);
// The colour of an altitude that moved by `delta` (not 0).
Rgb altitude(int delta);

// What changed on a cell: every kind found on its tiles, and the largest
// rise and fall among them.
struct CellMarks
{
    bool replaced = false;
    bool added = false;
    bool removed = false;
    int largestRise = 0;
    int largestFall = 0;  // as a positive number

    bool any() const { return replaced || added || removed || largestRise > 0 || largestFall > 0; }
    void addMove(int delta);
};

// Paints the marks of a cell that changed, `size` pixels a side at (left,
// top) of `marks`, framed with the outline when `outline` (which needs 4
// pixels a side). A size of 2 shows every kind a single tile can have; a
// square of tiles, which may have all five, needs 4.
void paintCell(Picture& marks, int left, int top, int size, const CellMarks& cell, bool outline);

}  // namespace quillmark::changemarks
