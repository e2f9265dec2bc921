#pragma once

// What a review report says about a set of difference files, or about two
// versions of a facet: the blocks that change, grouped into regions, the
// records that change nothing and those it could not draw whole, and how the
// map and statics reviewed stand to the patch's manifests. World
// coordinates are in tiles: a block is 8 x 8 tiles, and block number b lies
// at block column b / height, block row b % height.

#include "blockbytes.h"
#include "reviewrecords.h"

#include "basecheck.h"
#include "manifest.h"

#include <QString>
#include <QtGlobal>

#include <array>
#include <tuple>
#include <vector>

namespace quillmark {

constexpr int TilesPerSide = 8;
constexpr int CellsPerBlock = TilesPerSide * TilesPerSide;
constexpr int LandCellSize = 3;     // uint16 tile id, int8 altitude
constexpr int StaticEntrySize = 7;  // uint16 item id, uint8 x, uint8 y, int8 altitude, uint16 hue

// One cell of a map block.
struct LandCell
{
    quint16 tile = 0;
    qint8 z = 0;

    bool operator==(const LandCell& other) const { return tile == other.tile && z == other.z; }
    bool operator!=(const LandCell& other) const { return !(*this == other); }
};

// One statics entry, at its place in the world.
struct StaticItem
{
    quint16 id = 0;
    qint64 x = 0;
    qint64 y = 0;
    qint8 z = 0;
    quint16 hue = 0;

    // Entries compare by all their bytes, so that a multiset of them tells a
    // real change from a new order of the same entries.
    bool operator<(const StaticItem& o) const
    {
        return std::tie(x, y, z, id, hue) < std::tie(o.x, o.y, o.z, o.id, o.hue);
    }
    bool operator==(const StaticItem& o) const
    {
        return std::tie(x, y, z, id, hue) == std::tie(o.x, o.y, o.z, o.id, o.hue);
    }
};

struct LandCellChange
{
    qint64 x = 0;
    qint64 y = 0;
    LandCell before;
    LandCell after;
};

// A rectangle of world tiles.
struct TileRect
{
    qint64 x = 0;
    qint64 y = 0;
    qint64 width = 0;
    qint64 height = 0;

    qint64 right() const { return x + width; }  // past the last column
    qint64 bottom() const { return y + height; }
    bool isEmpty() const { return width <= 0 || height <= 0; }
    bool contains(qint64 tileX, qint64 tileY) const
    {
        return tileX >= x && tileY >= y && tileX < right() && tileY < bottom();
    }
    TileRect united(const TileRect& o) const
    {
        if (isEmpty() || o.isEmpty())
            return isEmpty() ? o : *this;
        const qint64 left = qMin(x, o.x), top = qMin(y, o.y);
        return {left, top, qMax(right(), o.right()) - left, qMax(bottom(), o.bottom()) - top};
    }
    TileRect intersected(const TileRect& o) const
    {
        const qint64 left = qMax(x, o.x), top = qMax(y, o.y);
        const qint64 r = qMin(right(), o.right()), b = qMin(bottom(), o.bottom());
        return r > left && b > top ? TileRect{left, top, r - left, b - top} : TileRect{};
    }
};

// A block that the difference files change, with how much, and the corners
// of its changed tiles within it (0 to 7).
struct ChangedBlock
{
    qint32 block = 0;
    quint32 staticsAdded = 0;
    quint32 staticsRemoved = 0;
    quint8 landCells = 0;
    quint8 firstX = 0;
    quint8 firstY = 0;
    quint8 lastX = 0;
    quint8 lastY = 0;
};

// Changed blocks near each other: the bounding box of its blocks in tiles,
// and that of the tiles that changed in them.
struct Region
{
    qint64 x = 0;
    qint64 y = 0;
    qint64 width = 0;
    qint64 height = 0;
    TileRect changedTiles;
    qint64 blocks = 0;
    qint64 landCells = 0;
    qint64 staticsAdded = 0;
    qint64 staticsRemoved = 0;
    // Its blocks: ReportFacts::regionBlocks[firstBlock, firstBlock + blocks), in block order.
    qint64 firstBlock = 0;
};

// How the map or statics that a set of difference files is reviewed on
// stands to the manifest beside those files, as a combination would find it.
struct BaseFinding
{
    PatchKind kind = PatchKind::Map;
    BaseVerdict verdict;  // NotChecked, with the manifest looked for, when there is none
};

struct ReportFacts
{
    int facet = 0;
    qint64 widthBlocks = 0;
    qint64 heightBlocks = 0;
    std::vector<ChangedBlock> changed;  // in block order
    std::vector<Region> regions;        // largest first
    std::vector<qint32> regionBlocks;   // the changed blocks, region by region
    qint64 noOpRecords = 0;
    std::vector<NoOpRecord> noOpShown;  // the first of them, for the page
    qint64 damagedRecords = 0;
    std::vector<DamagedRecord> damagedShown;  // the first of them, for the page
    qint64 landCells = 0;
    qint64 staticsAdded = 0;
    qint64 staticsRemoved = 0;
    // One for each set of difference files, the map's first; none for two whole facets.
    std::vector<BaseFinding> bases;
    // A merge's review: the blocks whose sides conflict, in block order, and
    // the conflicting tiles of each layer.
    bool reviewsMerge = false;
    std::vector<ConflictingBlock> conflictingBlocks;
    qint64 mapConflicts = 0;
    qint64 staticsConflicts = 0;

    qint64 blockX(qint64 block) const { return block / heightBlocks; }
    qint64 blockY(qint64 block) const { return block % heightBlocks; }
    // The tiles of `block`, which lies within the facet.
    TileRect tilesOf(qint64 block) const
    {
        return {blockX(block) * TilesPerSide, blockY(block) * TilesPerSide, TilesPerSide, TilesPerSide};
    }
    bool holds(qint64 block) const { return block >= 0 && block < widthBlocks * heightBlocks; }
};

// The bounding box of a region's blocks, in tiles.
inline TileRect blocksRect(const Region& region)
{
    return {region.x, region.y, region.width, region.height};
}

// How many no-op and damaged records the page lists; the rest are counted.
constexpr qint64 NoOpRecordsShown = 50;

}  // namespace quillmark
