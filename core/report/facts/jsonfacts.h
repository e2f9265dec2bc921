#pragma once

// The facts of a report for scripts, as JSON, written as they are found so
// that no region's lists are ever held whole:
//   {"formatVersion": 2, "facet", "widthBlocks", "heightBlocks",
//    "noOpRecords", "recordsNotDrawn",
//    "mapBase": {"case", "text", "manifest", "conflicts": [{"block", "x", "y"}]}, "staticsBase": {...},
//    "regions": [{"x", "y", "width", "height", "blocks",
//                 "changedTiles": {"x", "y", "width", "height"},
//                 "landCells": [{"x", "y", "tileBefore", "tileAfter", "zBefore", "zAfter"}],
//                 "staticsAdded": [{"id", "x", "y", "z", "hue"}], "staticsRemoved": [...],
//                 "conflicts": [{"files": "map", "block", "x", "y",
//                                "cells": [{"x", "y", "tileBase", "zBase", "tilePatch", "zPatch"}]},
//                               {"files": "statics", "block", "x", "y",
//                                "tiles": [{"x", "y", "base": [{"id", "z", "hue"}], "patch": [...]}]}]}],
//    "pages": ["report.html", ...],
//    "conflicts": [{"layer", "x", "y", "base", "ours", "theirs"}]}
// Coordinates in world tiles; regions largest first, as the page numbers
// them, each with the bounding box of its blocks and that of its changed
// tiles. "mapBase" and "staticsBase" are there when such difference files
// are: the case ("exact", "alreadyApplied", "fits", "conflict" or
// "notChecked"), the words a combination prints for it, the manifest (null
// when the locator's name gives none) and the blocks that do not fit, which
// each region lists again with what the base and the patch hold there.
// The review of a merge adds "conflicts", each tile both sides changed,
// each its own way, as the merge's conflicts file lists them (the merge's
// own writer writes them); "landCells" and the statics then say what the
// result changes from the base, the result taking ours where sides conflict.
// Version 1 lacked "formatVersion", "changedTiles", "conflicts" and "pages".

#include "reportfacts.h"
#include "textout.h"

#include <QStringList>

namespace quillmark {

class JsonFacts
{
public:
    static constexpr int FormatVersion = 2;

    explicit JsonFacts(Output& out) : m_output(out), m_out(&out) {}

    void begin(const ReportFacts& facts);
    // Opens the region's object and its "landCells" list.
    void beginRegion(const Region& region);
    void landCell(const LandCellChange& change);
    void beginStaticsAdded();
    void beginStaticsRemoved();
    void staticItem(const StaticItem& item);
    // The region's "conflicts": each block that does not fit, with its
    // cells, or its tiles whose statics differ, as the base and the patch
    // hold them.
    void beginConflicts();
    void beginConflictBlock(PatchKind files, qint64 block, const TileRect& tiles);
    void conflictCell(const LandCellChange& change);
    void conflictTile(qint64 x, qint64 y, const std::vector<StaticItem>& base,
                      const std::vector<StaticItem>& patch);
    void endConflictBlock();
    void endRegion();
    // `pages`: the file names of the pages, the first page's first.
    void endRegions(const QStringList& pages);
    // A merge's "conflicts": its items go to the output given, then the end.
    Output& beginMergeConflicts();
    void endMergeConflicts(qint64 written);
    void end();

private:
    void base(const BaseFinding& base, const ReportFacts& facts);
    void separate();
    void string(const QString& text);
    void items(const std::vector<StaticItem>& items);

    Output& m_output;
    TextOut m_out;
    bool m_firstRegion = true;
    bool m_firstInList = true;
    bool m_firstConflict = true;
};

}  // namespace quillmark
