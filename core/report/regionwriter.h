#pragma once

// Each region in turn, largest first: all its changes into the JSON facts,
// what the base holds where it does not fit the patch, and its section and
// pictures onto the pages, a part at a time, so that no more than one
// part's pictures is ever held.

#include "jsonfacts.h"
#include "pageset.h"
#include "regionfinder.h"
#include "regionpicture.h"
#include "regionsection.h"

#include "blockdiff.h"

namespace quillmark {

// A merge's conflicting tiles in each region, map and statics.
std::vector<qint64> mergeTilesByRegion(const ReportFacts& facts);

class RegionWriter
{
public:
    RegionWriter(ReportInputs& inputs, const ReportFacts& facts, const PictureStyle& style, JsonFacts* json,
                 QString firstPage);

    Status write(size_t index, PageSet& pages);

private:
    using Visit = std::function<bool(qint64 block, const BlockChanges&)>;

    Status visit(const Region& region, const Visit& visitBlock);
    ChangesSeen collector(RegionLists& lists);
    Status writeStatics(const Region& region);
    Status conflicts(size_t index, RegionConflicts& found);
    void conflictRows(PatchKind files, const TileRect& block, RegionConflicts& found);

    ReportInputs& m_inputs;
    const ReportFacts& m_facts;
    const PictureStyle& m_style;
    JsonFacts* m_json;
    QString m_firstPage;
    // The blocks that do not fit the patch, by the region that holds them.
    std::vector<std::tuple<qint64, PatchKind, qint64>> m_conflicts;
    // A merge's conflicting tiles, by region.
    std::vector<qint64> m_mergeTiles;
    // The statics added and removed of the region being written, while there are few enough.
    static constexpr size_t MaxHeldStatics = 1 << 18;
    std::vector<StaticItem> m_added;
    std::vector<StaticItem> m_removed;
    bool m_heldAll = true;
    PartPainter m_painter;
    BlockComparer m_comparer;
    BlockBytes m_bytes;
};

}  // namespace quillmark
