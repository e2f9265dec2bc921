#pragma once

// The facts of a report for scripts, as JSON, written as they are found so
// that no region's lists are ever held whole:
//   {"facet", "widthBlocks", "heightBlocks", "noOpRecords", "recordsNotDrawn",
//    "mapBase": {"case", "text", "manifest", "conflicts": [{"block", "x", "y"}]}, "staticsBase": {...},
//    "regions": [{"x", "y", "width", "height", "blocks", "landCells": [{"x", "y", "tileBefore",
//    "tileAfter", "zBefore", "zAfter"}], "staticsAdded": [{"id", "x", "y", "z", "hue"}],
//    "staticsRemoved": [...]}]}
// Coordinates in world tiles; regions largest first, as the page lists them.
// "mapBase" and "staticsBase" are there when such difference files are: the
// case ("exact", "alreadyApplied", "fits", "conflict" or "notChecked"), the
// words a combination prints for it, the manifest (null when the locator's
// name gives none) and the blocks that do not fit.

#include "reportfacts.h"
#include "textout.h"

namespace quillmark {

class JsonFacts
{
public:
    explicit JsonFacts(Output& out) : m_out(out) {}

    void begin(const ReportFacts& facts);
    // Opens the region's object and its "landCells" list.
    void beginRegion(const Region& region);
    void landCell(const LandCellChange& change);
    void beginStaticsAdded();
    void beginStaticsRemoved();
    void staticItem(const StaticItem& item);
    void endRegion();
    void end();

private:
    void base(const BaseFinding& base, const ReportFacts& facts);
    void separate();

    TextOut m_out;
    bool m_firstRegion = true;
    bool m_firstInList = true;
};

}  // namespace quillmark
