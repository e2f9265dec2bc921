#pragma once

// What a review report says about a set of difference files, or about two
// versions of a facet: the blocks that change, grouped into regions, the
// records that change nothing and those it could not draw whole, and how the
// map and statics reviewed stand to the patch's manifests. World
// coordinates are in tiles: a block is 8 x 8 tiles, and block number b lies
// at block column b / height, block row b % height.

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

// A block that the difference files change, with how much.
struct ChangedBlock
{
    qint32 block = 0;
    quint8 landCells = 0;
    quint32 staticsAdded = 0;
    quint32 staticsRemoved = 0;
};

// Changed blocks near each other: the bounding box of its blocks in tiles.
struct Region
{
    qint64 x = 0;
    qint64 y = 0;
    qint64 width = 0;
    qint64 height = 0;
    qint64 blocks = 0;
    qint64 landCells = 0;
    qint64 staticsAdded = 0;
    qint64 staticsRemoved = 0;
    // Its blocks: ReportFacts::regionBlocks[firstBlock, firstBlock + blocks), in block order.
    qint64 firstBlock = 0;
};

// A difference record that changes nothing, and why.
struct NoOpRecord
{
    enum class File { Map, Statics };
    enum class Reason {
        SameCells,    // the block's cells as they were (perhaps another header)
        SameStatics,  // the same entries (perhaps in another order, or another extra)
        Repeated,     // an earlier record names the same block: never used
        Outside,      // the block lies outside the map or statics index: never used
    };
    File file = File::Map;
    qint64 ordinal = 0;
    qint64 block = 0;
    Reason reason = Reason::SameCells;
};

// A record, or a block of statics, that the report could not draw whole,
// and why: a partial record at the end of a locator or difference index,
// or statics that are not whole 7-byte entries or lie outside their block.
// What can be read of it is drawn; no static is ever placed outside its
// block.
struct DamagedRecord
{
    enum class Source {
        MapLocator,
        StaticsLocator,
        StaticsDifIndex,
        StaticsRecord,     // a statics difference record
        ReferenceStatics,  // a block of the reference statics
        CurrentStatics,    // a block of the current statics, when two facets are compared
    };
    Source source = Source::StaticsRecord;
    qint64 ordinal = -1;  // the record, or -1 for a block of a statics pair
    qint64 block = -1;    // the block, or -1 when the record names none
    QString reason;
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

    qint64 blockX(qint64 block) const { return block / heightBlocks; }
    qint64 blockY(qint64 block) const { return block % heightBlocks; }
};

// How many no-op and damaged records the page lists; the rest are counted.
constexpr qint64 NoOpRecordsShown = 50;

}  // namespace quillmark
