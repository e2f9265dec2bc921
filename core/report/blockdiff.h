#pragma once

// What the difference files change in one block, as a reviewer counts it:
// cells whose tile or altitude differs, and statics entries compared as a
// multiset of their 7 bytes, so that a new header, a new order of the same
// entries or another `extra` changes nothing.

#include "reportfacts.h"
#include "reportinputs.h"

#include <array>
#include <vector>

namespace quillmark {

using BlockCells = std::array<LandCell, CellsPerBlock>;

// The 64 cells of a map block, row by row.
void decodeCells(const char* cells, BlockCells& out);

// The entries of a block whose top-left tile is (left, top), in world tiles.
void decodeStatics(const char* bytes, qint64 length, qint64 left, qint64 top, std::vector<StaticItem>& out);

struct BlockChanges
{
    std::vector<LandCellChange> land;  // row by row
    std::vector<StaticItem> added;     // sorted
    std::vector<StaticItem> removed;   // sorted
    quint64 changedTiles = 0;          // bit y * 8 + x: a cell or an entry on that tile changed

    bool any() const { return !land.empty() || !added.empty() || !removed.empty(); }
};

// Compares the two sides of a block, reusing its buffers from block to block.
class BlockComparer
{
public:
    // `left`, `top`: the block's top-left tile.
    const BlockChanges& compare(const BlockBytes& bytes, qint64 left, qint64 top);

    // Whether the map record, or the statics record, changes anything.
    static bool cellsDiffer(const BlockBytes& bytes);
    bool staticsDiffer(const BlockBytes& bytes);

private:
    void compareStatics(qint64 left, qint64 top);

    BlockChanges m_changes;
    std::vector<StaticItem> m_before;
    std::vector<StaticItem> m_after;
};

}  // namespace quillmark
