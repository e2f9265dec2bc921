#pragma once

// A part of a region on the page: its before, after and change views side
// by side (a merge's base, ours, theirs, result and change views), each an SVG picture at the part's scale
// with rulers along its top and left edges (a tick at every 8th world tile, or at wider steps where the cells
// are small, labelled where there is room) and a frame around each block that does not fit the patch (and
// each of a merge's conflicting tiles, in its own colour: their outlines lie once in the page). The PNG data
// of the part's pictures lies in the page once: the after view lays its picture over the before one, and the
// change view dims both to greys under its marks. Each view is a popover: a click (or Enter) shows it
// enlarged to the window, another click or Escape puts it back.
//
// The views carry what a script needs to find a tile in them: data-x and
// data-y (the top-left tile shown), data-tiles-per-cell (each pixel of the
// PNG data a square of that many tiles a side), data-left and data-top
// (where that tile begins in the view, right of and below the rulers) and
// data-pixels-per-cell (the view's pixels a cell).

#include "html.h"
#include "regionpicture.h"

#include <vector>

namespace quillmark {

struct PartViews
{
    QString id;         // the part's, which its views' ids begin with
    QString caption;    // "Region 5", "Region 5, detail 2"
    qint64 region = 0;  // its number, from 1
    const PicturePart& part;
    const PartImages& images;
    std::vector<TileRect> conflicts;  // blocks framed
    // A merge's conflicting tiles (or squares of them), framed in their own colour.
    std::vector<TileRect> conflictCells = {};
};

void writePartViews(Html& html, const PartViews& views);

// The most the views of `part` take, whatever its pictures hold, with at
// most `framedBlocks` blocks and `framedCells` conflicting cells framed.
qint64 partViewsBound(const PicturePart& part, qint64 framedBlocks, qint64 framedCells = 0);

}  // namespace quillmark
