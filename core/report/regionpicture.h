#pragma once

// The pictures of a region: before (the reference), after (with the
// difference files applied, or the current facet), and the change view (the
// after picture dimmed, each changed tile marked by what changed; see
// changemarks.h). Land is drawn from the cells and the highest statics entry
// of each tile on top. Each picture shows the region with a margin of one
// block (within the facet) at a whole number of pixels per tile, one of a
// few scales: the largest at which the picture fits beside the other two on
// the page; and rulers along its top and left edges.

#include "palette.h"
#include "picture.h"
#include "reportfacts.h"
#include "reportinputs.h"

namespace quillmark {

constexpr int PictureMargin = TilesPerSide;
// The scales a page's pictures are drawn at, in pixels per tile, largest first.
constexpr int PictureScales[] = {12, 8, 4, 2, 1};
// The tiles of a picture, at the largest scale that keeps them within this
// size, fit three abreast on a page.
constexpr int InlineTilePixels = 336;
// The most pixels one picture may have, so that three of them and their
// compression fit the report's memory; larger regions are not drawn.
constexpr qint64 MaxPicturePixels = 1200000;

// The tiles a picture shows and where they lie in it: tile (x + i, y + j)
// covers pixels [left + i * pixelsPerTile, left + (i + 1) * pixelsPerTile)
// across, and the same from `top` down; the rulers take the rest.
struct PictureArea
{
    qint64 x = 0;
    qint64 y = 0;
    qint64 width = 0;
    qint64 height = 0;
    int pixelsPerTile = 1;
    int left = 0;
    int top = 0;

    qint64 pixelWidth() const { return left + width * pixelsPerTile; }
    qint64 pixelHeight() const { return top + height * pixelsPerTile; }
    qint64 pixels() const { return pixelWidth() * pixelHeight(); }
    bool drawable() const
    {
        return pixels() <= MaxPicturePixels && pixelWidth() <= Picture::MaxSide
               && pixelHeight() <= Picture::MaxSide;
    }
};

PictureArea pictureArea(const Region& region, qint64 widthTiles, qint64 heightTiles);

struct RegionPictures
{
    Picture before;
    Picture after;
    Picture changes;
};

struct PictureStyle
{
    const Palette& palette;
    bool outline = false;  // a frame around every changed tile of the change view
};

// A picture that could not be allocated: it says so by being null, not by
// an exception, so it fails the job here as the memory guard fails one.
Status pictureOutOfMemory();

// Draws the three pictures of a drawable `area`, reading its blocks from
// `inputs`; the pictures keep their memory from one region to the next.
Status drawRegion(const PictureArea& area, qint64 heightBlocks, const PictureStyle& style,
                  ReportInputs& inputs, RegionPictures& pictures);

}  // namespace quillmark
