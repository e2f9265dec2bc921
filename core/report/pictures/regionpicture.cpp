#include "regionpicture.h"

#include "blockdiff.h"

#include "jobmessages.h"

#include <algorithm>
#include <array>
#include <set>

namespace quillmark {

namespace {

// The highest entry of each tile of a block (on ties the larger id, then
// hue, so that the order of the entries never changes the picture).
using TopItems = std::array<const StaticItem*, CellsPerBlock>;

void findTopItems(const std::vector<StaticItem>& items, qint64 left, qint64 top, TopItems& tops)
{
    tops.fill(nullptr);
    for (const StaticItem& item : items) {
        const StaticItem*& shown = tops[size_t((item.y - top) * TilesPerSide + (item.x - left))];
        if (!shown || std::tie(item.z, item.id, item.hue) > std::tie(shown->z, shown->id, shown->hue))
            shown = &item;
    }
}

// One side of a block, decoded for drawing.
struct DrawnSide
{
    BlockCells cells;
    std::vector<StaticItem> statics;
    TopItems tops;

    void decode(const char* cellBytes, const char* staticsBytes, qint64 staticsLength, qint64 left,
                qint64 top)
    {
        decodeCells(cellBytes, cells);
        decodeStatics(staticsBytes, staticsLength, left, top, statics);
        findTopItems(statics, left, top, tops);
    }
    // A tile's colour: its top item's, or its land's.
    Rgb colour(const Palette& palette, int cell) const
    {
        const StaticItem* item = tops[size_t(cell)];
        return item ? palette.item(item->id) : palette.land(cells[size_t(cell)]);
    }
};

// Both sides of a block, read and decoded.
struct DrawnBlock
{
    qint64 block = -1;
    BlockBytes bytes;
    DrawnSide before;
    DrawnSide after;
    DrawnSide ours;  // in a merge's review
    DrawnSide theirs;

    Status read(ReportInputs& inputs, qint64 number, qint64 heightBlocks)
    {
        if (number == block)
            return Status();
        block = -1;
        if (const Status read = inputs.read(number, Access::Anywhere, true, bytes); read.failed())
            return read;
        const qint64 left = number / heightBlocks * TilesPerSide, top = number % heightBlocks * TilesPerSide;
        before.decode(bytes.cellsBefore, bytes.staticsBefore, bytes.staticsBeforeLength, left, top);
        after.decode(bytes.cellsAfter, bytes.staticsAfter, bytes.staticsAfterLength, left, top);
        const MergeBytes& merge = bytes.merge;
        if (merge.cellsOurs) {
            ours.decode(merge.cellsOurs, merge.staticsOurs, merge.staticsOursLength, left, top);
            theirs.decode(merge.cellsTheirs, merge.staticsTheirs, merge.staticsTheirsLength, left, top);
        }
        block = number;
        return Status();
    }
};

// A cell of the sides picture, `width` pixels a picture: before, and each
// other side where it looks otherwise.
void paintSides(Rgb* row, int px, int width, const PicturePart& part, const DrawnBlock& drawn,
                const Palette& palette, int cell)
{
    const Rgb before = drawn.before.colour(palette, cell);
    row[px] = before;
    const DrawnSide* others[] = {&drawn.after, &drawn.ours, &drawn.theirs};
    for (int side = 1; side < part.sides; ++side) {
        const Rgb colour = others[side - 1]->colour(palette, cell);
        row[side * width + px] = colour == before ? Transparent : colour;
    }
}

changemarks::CellMarks marksOf(const BlockChanges& changes, int cell)
{
    const quint64 bit = quint64(1) << cell;
    changemarks::CellMarks marks;
    marks.replaced = changes.tileReplaced & bit;
    marks.added = changes.staticsAdded & bit;
    marks.removed = changes.staticsRemoved & bit;
    if (changes.altitudeMoved & bit)
        marks.addMove(changes.altitudeDelta[size_t(cell)]);
    return marks;
}

void addMarks(changemarks::CellMarks& to, const changemarks::CellMarks& from)
{
    to.replaced = to.replaced || from.replaced;
    to.added = to.added || from.added;
    to.removed = to.removed || from.removed;
    to.largestRise = qMax(to.largestRise, from.largestRise);
    to.largestFall = qMax(to.largestFall, from.largestFall);
}

// The largest scale the page shows a part of `side` cells at, each cell
// `markPixels` or a whole multiple of them.
int shownScale(qint64 side, int markPixels)
{
    int chosen = 0;
    for (const int scale : ShownScales) {
        if (scale % markPixels != 0)
            continue;
        chosen = scale;
        if (side * scale <= ShownWidth)
            break;
    }
    return chosen;
}

// The squares of DetailTiles tiles, from the region's top left, that hold
// one of its changed blocks.
std::vector<TileRect> detailSquares(const Region& region, const ReportFacts& facts)
{
    std::set<std::pair<qint64, qint64>> squares;
    for (qint64 i = region.firstBlock; i < region.firstBlock + region.blocks; ++i) {
        const TileRect block = facts.tilesOf(facts.regionBlocks[size_t(i)]);
        squares.insert({(block.x - region.x) / DetailTiles, (block.y - region.y) / DetailTiles});
    }
    std::vector<TileRect> found;
    found.reserve(squares.size());
    for (const auto& [column, row] : squares)
        found.push_back(
            TileRect{region.x + column * DetailTiles, region.y + row * DetailTiles, DetailTiles, DetailTiles}
                .intersected(blocksRect(region)));
    return found;
}

}  // namespace

Status pictureOutOfMemory()
{
    return Status::failure(Status::Kind::OutOfMemory, jobmessage::UnableToWriteReport, QString(),
                           QStringLiteral("out of memory"));
}

std::vector<PicturePart> partsOf(const Region& region, const ReportFacts& facts, bool outline)
{
    const int markPixels = outline ? 4 : 2;
    const TileRect facet{0, 0, facts.widthBlocks * TilesPerSide, facts.heightBlocks * TilesPerSide};
    const TileRect whole =
        TileRect{region.x - PictureMargin, region.y - PictureMargin, region.width + 2 * qint64(PictureMargin),
                 region.height + 2 * qint64(PictureMargin)}
            .intersected(facet);
    const int sides = facts.reviewsMerge ? 4 : 2;
    const qint64 side = qMax(whole.width, whole.height);
    if (side <= TownTiles)
        return {{PicturePart::Kind::Whole, whole, 1, markPixels, shownScale(side, markPixels), sides}};
    // Squares of tiles in the overview may hold every kind of change at once, which takes 4 pixels.
    const qint64 longer = qMax(region.width, region.height);
    const int cellTiles = int(qMax<qint64>(2, (longer + OverviewCells - 1) / OverviewCells));
    std::vector<PicturePart> parts{{PicturePart::Kind::Overview, blocksRect(region), cellTiles, 4, 4, sides}};
    for (const TileRect& square : detailSquares(region, facts))
        parts.push_back(
            {PicturePart::Kind::Detail, square, 1, markPixels, shownScale(DetailTiles, markPixels), sides});
    return parts;
}

std::vector<TileRect> conflictCells(const ReportFacts& facts, const PicturePart& part)
{
    const TileRect& area = part.area;
    const qint64 g = part.cellTiles;
    std::set<std::pair<qint64, qint64>> cells;
    const auto& blocks = facts.conflictingBlocks;
    // A column of blocks at a time: the blocks of the area are in block order within each.
    for (qint64 bx = area.x / TilesPerSide; bx * TilesPerSide < area.right() && !blocks.empty(); ++bx) {
        const qint64 first = bx * facts.heightBlocks + area.y / TilesPerSide;
        const qint64 last = bx * facts.heightBlocks + (area.bottom() - 1) / TilesPerSide;
        auto at = std::lower_bound(blocks.begin(), blocks.end(), first,
                                   [](const ConflictingBlock& b, qint64 block) { return b.block < block; });
        for (; at != blocks.end() && at->block <= last; ++at) {
            const TileRect tiles = facts.tilesOf(at->block);
            for (int cell = 0; cell < CellsPerBlock; ++cell) {
                const qint64 x = tiles.x + cell % TilesPerSide, y = tiles.y + cell / TilesPerSide;
                if (((at->mapConflicts | at->staticsConflicts) >> cell & 1) && area.contains(x, y))
                    cells.insert({(x - area.x) / g, (y - area.y) / g});
            }
        }
    }
    std::vector<TileRect> found;
    found.reserve(cells.size());
    for (const auto& [cx, cy] : cells)
        found.push_back(TileRect{area.x + cx * g, area.y + cy * g, g, g}.intersected(area));
    return found;
}

Status PartPainter::paint(const Region& region, const PicturePart& part, PartImages& images,
                          const ChangesSeen* seen)
{
    const int width = int(part.cellsWide()), height = int(part.cellsHigh());
    if (!m_pictures.sides.reshape(part.sides * width, height)
        || !m_pictures.marks.reshape(width * part.markPixels, height * part.markPixels))
        return pictureOutOfMemory();
    m_pictures.marks.fill(Transparent);
    const Status painted =
        part.cellTiles == 1 ? paintTiles(region, part, seen) : paintCells(region, part, seen);
    return painted.failed() ? painted : encode(images);
}

// Every tile its own cell: each block of the area read, and each of its
// tiles drawn. The area holds every block of a region drawn whole, in block
// order, and blocks of other regions may lie in it too.
Status PartPainter::paintTiles(const Region& region, const PicturePart& part, const ChangesSeen* seen)
{
    const TileRect& area = part.area;
    const int m = part.markPixels;
    const int width = int(part.cellsWide());
    DrawnBlock drawn;
    BlockComparer comparer;
    const qint32* next = m_facts.regionBlocks.data() + region.firstBlock;
    const qint32* const end = next + region.blocks;
    for (qint64 bx = area.x / TilesPerSide; bx * TilesPerSide < area.right(); ++bx) {
        for (qint64 by = area.y / TilesPerSide; by * TilesPerSide < area.bottom(); ++by) {
            const qint64 block = bx * m_facts.heightBlocks + by;
            if (const Status read = drawn.read(m_inputs, block, m_facts.heightBlocks); read.failed())
                return read;
            const BlockChanges& changes = comparer.compare(drawn.bytes, bx * TilesPerSide, by * TilesPerSide);
            if (seen && next != end && *next == block) {
                (*seen)(changes);
                ++next;
            }
            for (int cell = 0; cell < CellsPerBlock; ++cell) {
                const qint64 x = bx * TilesPerSide + cell % TilesPerSide,
                             y = by * TilesPerSide + cell / TilesPerSide;
                if (!area.contains(x, y))
                    continue;
                const int px = int(x - area.x), py = int(y - area.y);
                paintSides(m_pictures.sides.row(py), px, width, part, drawn, m_style.palette, cell);
                if (changes.changedTiles & (quint64(1) << cell))
                    changemarks::paintCell(m_pictures.marks, px * m, py * m, m, marksOf(changes, cell),
                                           m_style.outline && m >= 4);
            }
        }
    }
    return Status();
}

// Squares of tiles as cells: the marks of every changed tile gathered into
// its cell, and each cell's look taken from the tile at its middle.
Status PartPainter::paintCells(const Region& region, const PicturePart& part, const ChangesSeen* seen)
{
    const TileRect& area = part.area;
    const qint64 g = part.cellTiles, wide = part.cellsWide();
    std::vector<changemarks::CellMarks> cells(size_t(wide * part.cellsHigh()));
    DrawnBlock drawn;
    BlockComparer comparer;
    for (qint64 i = region.firstBlock; i < region.firstBlock + region.blocks; ++i) {
        const qint64 block = m_facts.regionBlocks[size_t(i)];
        if (const Status read = drawn.read(m_inputs, block, m_facts.heightBlocks); read.failed())
            return read;
        const TileRect tiles = m_facts.tilesOf(block);
        const BlockChanges& changes = comparer.compare(drawn.bytes, tiles.x, tiles.y);
        if (seen)
            (*seen)(changes);
        for (int cell = 0; cell < CellsPerBlock; ++cell) {
            if (changes.changedTiles & (quint64(1) << cell))
                addMarks(cells[size_t((tiles.y + cell / TilesPerSide - area.y) / g * wide
                                      + (tiles.x + cell % TilesPerSide - area.x) / g)],
                         marksOf(changes, cell));
        }
    }
    for (qint64 cy = 0; cy < part.cellsHigh(); ++cy) {
        for (qint64 cx = 0; cx < wide; ++cx) {
            const qint64 x = area.x + cx * g + qMin(g, area.right() - area.x - cx * g) / 2;
            const qint64 y = area.y + cy * g + qMin(g, area.bottom() - area.y - cy * g) / 2;
            if (const Status read =
                    drawn.read(m_inputs, x / TilesPerSide * m_facts.heightBlocks + y / TilesPerSide,
                               m_facts.heightBlocks);
                read.failed())
                return read;
            const int cell = int(y % TilesPerSide * TilesPerSide + x % TilesPerSide);
            paintSides(m_pictures.sides.row(int(cy)), int(cx), int(wide), part, drawn, m_style.palette, cell);
            if (const changemarks::CellMarks& marks = cells[size_t(cy * wide + cx)]; marks.any())
                changemarks::paintCell(m_pictures.marks, int(cx) * part.markPixels, int(cy) * part.markPixels,
                                       part.markPixels, marks, false);
        }
    }
    return Status();
}

Status PartPainter::encode(PartImages& images)
{
    images.sides = m_encoder.encode(m_pictures.sides);
    images.marks = m_encoder.encode(m_pictures.marks);
    return images.sides.isEmpty() || images.marks.isEmpty() ? pictureOutOfMemory() : Status();
}

}  // namespace quillmark
