#include "changemarks.h"

#include <algorithm>

namespace quillmark::changemarks {

namespace {

// One band of a cell: its pixels, row by row, take the band's colours in turn.
void band(Picture& marks, int left, int top, int width, int height, const Rgb* colours, int count)
{
    if (count == 0)
        return;
    int next = 0;
    for (int y = top; y < top + height; ++y) {
        Rgb* row = marks.row(y);
        for (int x = left; x < left + width; ++x, next = (next + 1) % count)
            row[x] = colours[next];
    }
}

}  // namespace

int stepOf(int delta)
{
    const int move = std::abs(delta);
    int step = 0;
    while (step + 1 < AltitudeSteps && move >= StepFrom[size_t(step) + 1])
        ++step;
    return step;
}

Rgb altitude(int delta)
{
    return delta > 0 ? Raised[size_t(stepOf(delta))] : Lowered[size_t(stepOf(delta))];
}

void CellMarks::addMove(int delta)
{
    if (delta > 0)
        largestRise = std::max(largestRise, delta);
    else
        largestFall = std::max(largestFall, -delta);
}

void paintCell(Picture& marks, int left, int top, int size, const CellMarks& cell, bool outline)
{
    Rgb land[3], statics[2];
    int landCount = 0, staticsCount = 0;
    if (cell.replaced)
        land[landCount++] = TileReplaced;
    if (cell.largestRise > 0)
        land[landCount++] = altitude(cell.largestRise);
    if (cell.largestFall > 0)
        land[landCount++] = altitude(-cell.largestFall);
    if (cell.added)
        statics[staticsCount++] = StaticsAdded;
    if (cell.removed)
        statics[staticsCount++] = StaticsRemoved;
    int inside = size;
    if (outline) {
        marks.outlineRect(left, top, size, size, Outline);
        ++left;
        ++top;
        inside -= 2;
    }
    const int landHeight = staticsCount == 0 ? inside : landCount == 0 ? 0 : inside / 2;
    band(marks, left, top, inside, landHeight, land, landCount);
    band(marks, left, top + landHeight, inside, inside - landHeight, statics, staticsCount);
}

}  // namespace quillmark::changemarks
