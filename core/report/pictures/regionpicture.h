#pragma once

// How a region is pictured, and its pictures. A region up to the size of a
// town is one part: the region with a margin, every tile its own cell. A
// larger one is an overview, each cell a square of tiles, and the detail of
// each square of DetailTiles tiles that holds a changed block, every tile
// its own cell again. Each part has two pictures of its area: one pixel a
// cell, before (the reference) and, beside it, the after side to lay over
// it (its cells where they look different, the rest transparent); and the
// marks of the change view (changemarks.h) at markPixels a cell,
// transparent where nothing changed. The page shows them enlarged, each
// cell at least 4 pixels a side, and draws the change view's dimmed greys
// from the first.

#include "blockdiff.h"
#include "changemarks.h"
#include "palette.h"
#include "picture.h"
#include "pngdata.h"
#include "reportfacts.h"
#include "reportinputs.h"

#include <functional>
#include <vector>

namespace quillmark {

// Tiles of margin around a region of one part.
constexpr int PictureMargin = 4;
// The largest side, in tiles, of a region drawn as one part: a town's.
constexpr qint64 TownTiles = 256;
// The side of a detail part of a larger region, in tiles.
constexpr qint64 DetailTiles = 128;
// The most cells a side of a large region's overview has.
constexpr qint64 OverviewCells = 256;
// The scales a part may be shown at, in page pixels a cell, largest first,
// and the width its pictures keep to, where the least scale allows.
constexpr int ShownScales[] = {12, 8, 6, 4};
constexpr int ShownWidth = 400;

struct PicturePart
{
    enum class Kind { Whole, Overview, Detail };
    Kind kind = Kind::Whole;
    TileRect area;        // the tiles shown
    int cellTiles = 1;    // tiles a side of a cell
    int markPixels = 2;   // the marks' pixels a side of a cell
    int shownPixels = 4;  // the page's pixels a side of a cell
    int sides = 2;        // pictures side by side: before and after, then ours and theirs in a merge's
    qint64 cellsWide() const { return (area.width + cellTiles - 1) / cellTiles; }
    qint64 cellsHigh() const { return (area.height + cellTiles - 1) / cellTiles; }
};

// The tiles of a merge's conflicts shown in `part`, in any region: each a
// cell of the part (a square of tiles in an overview), once.
std::vector<TileRect> conflictCells(const ReportFacts& facts, const PicturePart& part);

// The parts of `region` of `facts`, its overview first when it has one.
// `outline` frames the changed tiles, which takes 4 mark pixels a cell.
std::vector<PicturePart> partsOf(const Region& region, const ReportFacts& facts, bool outline);

// A part's pictures: before and after side by side in one (the after
// picture transparent where it looks as before; in a merge's review, ours
// and theirs beside them the same way), and the marks.
struct PartPictures
{
    Picture sides;
    Picture marks;
};

// The PNG data of a part's pictures.
struct PartImages
{
    QByteArray sides;
    QByteArray marks;
};

struct PictureStyle
{
    const Palette& palette;
    bool outline = false;  // a frame around every changed tile of the change view
};

// A picture that could not be allocated: it says so by being null, not by
// an exception, so it fails the job here as the memory guard fails one.
Status pictureOutOfMemory();

// What changed in each of a region's blocks, in block order, as a part's
// drawing finds it.
using ChangesSeen = std::function<void(const BlockChanges& changes)>;

// Draws and encodes the parts of regions one after another, keeping its
// pictures' memory and its encoder from one to the next.
class PartPainter
{
public:
    PartPainter(const ReportFacts& facts, const PictureStyle& style, ReportInputs& inputs)
        : m_facts(facts), m_style(style), m_inputs(inputs)
    {}

    // The pictures of `part` of `region`, as PNG data. The first part of a
    // region reads every one of its changed blocks, and hands what changed
    // in each to `seen`, when given, so that they need not be read again.
    Status paint(const Region& region, const PicturePart& part, PartImages& images,
                 const ChangesSeen* seen = nullptr);

private:
    Status paintTiles(const Region& region, const PicturePart& part, const ChangesSeen* seen);
    Status paintCells(const Region& region, const PicturePart& part, const ChangesSeen* seen);
    Status encode(PartImages& images);

    const ReportFacts& m_facts;
    const PictureStyle& m_style;
    ReportInputs& m_inputs;
    PartPictures m_pictures;
    PngEncoder m_encoder;
};

}  // namespace quillmark
