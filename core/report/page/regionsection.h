#pragma once

// A region on the page: its section, with where it lies in world tiles
// (its changed tiles, and the blocks that hold them), its counts, its first
// part's views (the whole region, or a large one's overview), its first
// changes of each kind, and each cell or tile where the base does not fit
// the patch with what each holds there; then a section of its own for each
// detail part of a large region.

#include "html.h"
#include "partviews.h"

#include "reportfacts.h"

#include <vector>

namespace quillmark {

// The first changes of a region, for its lists.
struct RegionLists
{
    std::vector<LandCellChange> land;
    std::vector<StaticItem> added;
    std::vector<StaticItem> removed;
};

// A cell, or a tile's statics, where the base does not fit the patch.
struct ConflictRow
{
    PatchKind files = PatchKind::Map;
    qint64 x = 0;
    qint64 y = 0;
    QString base;   // what the base holds there
    QString patch;  // what the patch puts there
};

struct RegionConflicts
{
    std::vector<TileRect> blocks;  // the blocks that do not fit, framed in its pictures
    qint64 rows = 0;
    std::vector<ConflictRow> shown;  // the first rows
    qint64 mergeTiles = 0;           // a merge's conflicting tiles, map and statics
};

struct RegionPage
{
    qint64 number = 0;  // from 1
    const Region& region;
    const RegionLists& lists;
    const RegionConflicts& conflicts;
    QString firstPage;  // a link to the first page, for the way back
    qint64 details = 0;
};

void writeRegionSection(Html& html, const RegionPage& page, const PartViews& first);
// The most a region's section takes with `first` as its first part,
// `conflicts` blocks in it that do not fit the patch, and `mergeTiles` tiles of a merge's conflicts.
qint64 regionSectionBound(const PicturePart& first, qint64 conflicts, qint64 mergeTiles = 0);
void writeDetailSection(Html& html, const RegionPage& page, const PartViews& detail, qint64 index);
qint64 detailSectionBound(const PicturePart& detail, qint64 conflicts, qint64 mergeTiles = 0);

// "0x00A8": a tile or item number as the game's tools write it.
QString hexNumber(quint16 value);

}  // namespace quillmark
