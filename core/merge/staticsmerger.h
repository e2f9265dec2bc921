#pragma once

#include "conflictlist.h"
#include "staticsblock.h"
#include "staticscells.h"
#include "threeway.h"

#include <array>
#include <vector>

namespace quillmark {

// Merges statics blocks in ascending block order. A block one side left as
// the base had it (its statics, their order, its presence, its third field)
// is the other side's, byte for byte; a block both changed, each its own
// way, is merged cell by cell: each cell's statics, in the order of the side
// it comes from, by the three-way rule, the cells in the order 8 * y + x
// (unless every cell comes out as one side has it: then that side's order).
// Its presence and third field, which are no statics, come from the side
// that changed them; a block with statics is present whatever they say. The
// conflicts go to the list, the counts to the figures.
class StaticsMerger
{
public:
    // The sides' messages for damage, base, ours and theirs.
    using DamageMessages = std::array<DamageMessage, 3>;

    StaticsMerger(Prefer prefer, ConflictList& conflicts, MergeFigures& figures, DamageMessages damaged)
        : m_prefer(prefer), m_conflicts(conflicts), m_figures(figures), m_damaged(damaged)
    {}

    // Merges block `block` of the three sides into `merged`: the side taken
    // as it is, or the merger's own block, merged cell by cell (its bytes in
    // memory, its offset 0 when it is present), valid until the next call.
    // Fails when a block both sides changed cannot be parted into cells:
    // damage on the side whose block it is, or a block too long to view at
    // once; or when a block cannot be read.
    Status merge(qint64 block, const StaticsBlock& base, const StaticsBlock& ours, const StaticsBlock& theirs,
                 const StaticsBlock*& merged);

private:
    Status readCells(qint64 block, const StaticsBlock* const (&sides)[3]);
    void mergeCells(qint64 block, const StaticsBlock& ours, const StaticsBlock& theirs);
    void mergeEntry(const StaticsBlock& base, const StaticsBlock& ours, const StaticsBlock& theirs);

    Prefer m_prefer;
    ConflictList& m_conflicts;
    MergeFigures& m_figures;
    DamageMessages m_damaged;
    StaticsCells m_cells[3];  // base, ours, theirs
    StaticsBlock m_merged;
    std::vector<char> m_bytes;
};

}  // namespace quillmark
