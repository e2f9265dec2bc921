#pragma once

// Before and after pictures of a region: the reference, and the reference
// with the difference files applied, land drawn from the cells and the
// highest statics entry of each tile on top. Each picture shows the region
// with a margin of one block (within the facet), scaled up or down so that
// it is about 128 to 768 pixels wide and never more than 768 pixels on a side.

#include "palette.h"
#include "picture.h"
#include "reportfacts.h"
#include "reportinputs.h"

namespace quillmark {

constexpr int MaxRegionPictureSide = 768;
constexpr int PictureMargin = TilesPerSide;

// The tiles a picture shows and how they map to pixels: tile (x + i, y + j)
// covers pixels [i * pixelsPerTile, (i + 1) * pixelsPerTile) across and down
// when scaled up; scaled down, every tilesPerPixel-th tile is one pixel.
struct PictureArea
{
    qint64 x = 0;
    qint64 y = 0;
    qint64 width = 0;
    qint64 height = 0;
    int pixelsPerTile = 1;
    int tilesPerPixel = 1;

    int pixelWidth() const { return int((width + tilesPerPixel - 1) / tilesPerPixel * pixelsPerTile); }
    int pixelHeight() const { return int((height + tilesPerPixel - 1) / tilesPerPixel * pixelsPerTile); }
};

PictureArea pictureArea(const Region& region, qint64 widthTiles, qint64 heightTiles);

struct RegionPictures
{
    Picture before;
    Picture after;
};

struct PictureStyle
{
    const Palette& palette;
    bool outline = false;  // a frame around every changed tile
};

// A picture that could not be allocated: it says so by being null, not by
// an exception, so it fails the job here as the memory guard fails one.
Status pictureOutOfMemory();

// Draws both pictures of `area`, reading its blocks from `inputs`.
Status drawRegion(const PictureArea& area, qint64 heightBlocks, const PictureStyle& style,
                  ReportInputs& inputs, RegionPictures& pictures);

}  // namespace quillmark
