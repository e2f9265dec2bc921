#pragma once

// What a block's two sides differ in, as a reviewer counts it: cells whose
// tile or altitude differs, and statics entries compared as a multiset of
// their 7 bytes, so that a new header, a new order of the same entries or
// another `extra` changes nothing. Statics that lie outside their block
// (x or y past 7) and the bytes after the last whole entry are left out of
// the comparison and the pictures, and said to be damaged.

#include "blockbytes.h"
#include "reportfacts.h"

#include <array>
#include <vector>

namespace quillmark {

using BlockCells = std::array<LandCell, CellsPerBlock>;

// The 64 cells of a map block, row by row.
void decodeCells(const char* cells, BlockCells& out);

// The entries of a block whose top-left tile is (left, top), in world
// tiles; those outside the block and a partial entry at the end are left out.
void decodeStatics(const char* bytes, qint64 length, qint64 left, qint64 top, std::vector<StaticItem>& out);

// What is wrong with a block's statics bytes, if anything.
struct StaticsDamage
{
    qint64 partialBytes = 0;   // after the last whole entry
    qint64 outside = 0;        // entries whose x or y lies past the block
    qint64 entries = 0;        // whole entries
    qint64 firstOutside = -1;  // its index, and where it says it lies
    int x = 0;
    int y = 0;

    bool any() const { return partialBytes != 0 || outside != 0; }
    // "10 bytes, not a whole number of 7-byte statics; static 1 of 2 at x 200, y 4, outside its block"
    QString reason() const;
};

StaticsDamage staticsDamage(const char* bytes, qint64 length);

struct BlockChanges
{
    std::vector<LandCellChange> land;  // row by row
    std::vector<StaticItem> added;     // sorted
    std::vector<StaticItem> removed;   // sorted
    // Bit y * 8 + x, for the tile (x, y) of the block:
    quint64 changedTiles = 0;   // anything on it changed
    quint64 tileReplaced = 0;   // its land tile
    quint64 altitudeMoved = 0;  // its altitude, by altitudeDelta
    quint64 staticsAdded = 0;
    quint64 staticsRemoved = 0;
    std::array<qint16, CellsPerBlock> altitudeDelta{};  // after minus before, where altitudeMoved
    StaticsDamage damageBefore;
    StaticsDamage damageAfter;

    bool any() const { return !land.empty() || !added.empty() || !removed.empty(); }
    // `changed`, with the corners of its changed tiles and of `alsoTiles`
    // (bit y * 8 + x), for a block whose changes are any() or that has such tiles.
    ChangedBlock summary(qint32 block, quint64 alsoTiles = 0) const;
};

// Compares the two sides of a block, reusing its buffers from block to block.
class BlockComparer
{
public:
    // `left`, `top`: the block's top-left tile.
    const BlockChanges& compare(const BlockBytes& bytes, qint64 left, qint64 top);
    // Each side's statics of the block last compared, placed within it (x
    // and y from 0 to 7) and sorted, so that a tile's lie together; empty
    // unless its statics differ.
    const std::vector<StaticItem>& staticsBefore() const { return m_before; }
    const std::vector<StaticItem>& staticsAfter() const { return m_after; }

private:
    static bool cellsDiffer(const BlockBytes& bytes);
    void compareLand(const BlockBytes& bytes, qint64 left, qint64 top);
    void compareStatics(const BlockBytes& bytes, qint64 left, qint64 top);

    BlockChanges m_changes;
    std::vector<StaticItem> m_before;
    std::vector<StaticItem> m_after;
};

}  // namespace quillmark
