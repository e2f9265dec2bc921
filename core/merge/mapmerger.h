#pragma once

#include "conflictlist.h"
#include "fileformat.h"
#include "threeway.h"

namespace quillmark {

// One map block on the three sides: whole blocks, or the fragment past a
// map's last whole block, `length` bytes each.
struct MapBlockSides
{
    const char* base;
    const char* ours;
    const char* theirs;
    qint64 length = difformat::MapBlockSize;
};

// Merges map blocks in ascending block order. A block one side left as the
// base had it (header and all) is the other side's, byte for byte; a block
// both changed is merged cell by cell: each of its 64 cells, a tile's 3
// bytes (id and altitude) at 4 + 3 * (8 * y + x), by the three-way rule,
// and its header, which is no content, from the side that changed it. The
// conflicts go to the list, the counts to the figures.
class MapMerger
{
public:
    static constexpr int TileBytes = 3;
    static constexpr int CellsPerRow = 8;

    MapMerger(Prefer prefer, ConflictList& conflicts, MergeFigures& figures)
        : m_prefer(prefer), m_conflicts(conflicts), m_figures(figures)
    {}

    // The merged block: one side's bytes, or the merger's own, valid until
    // the next call.
    const char* merge(qint64 block, const MapBlockSides& sides);

private:
    void mergeCells(qint64 block, const MapBlockSides& sides);

    Prefer m_prefer;
    ConflictList& m_conflicts;
    MergeFigures& m_figures;
    char m_merged[difformat::MapBlockSize];
};

}  // namespace quillmark
