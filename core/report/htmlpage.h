#pragma once

// The report as one page that opens anywhere, offline: its pictures are PNG
// data inside the page, its style inline, and its policy lets it fetch
// nothing. A summary (files, counts, the records that change nothing), the
// overview, then each region, largest first: its rectangle and counts, its
// before and after pictures side by side, and the first of its changes.
// Regions past the first PicturedRegions are listed in one table.
//
// The pictures carry what a script needs to find a tile in them:
// data-x, data-y (the top-left tile shown), data-pixels-per-tile and
// data-tiles-per-pixel (see PictureArea).

#include "overview.h"
#include "regionpicture.h"
#include "reportfacts.h"
#include "reportinputs.h"
#include "textout.h"

#include <vector>

namespace quillmark {

constexpr int PicturedRegions = 100;
// Changes listed per list of a region; the rest are counted.
constexpr size_t ListedChanges = 20;

struct PageContext
{
    QString facetName;
    ReportSources sources;
    QString radarColours;
    int gap = 1;
    bool outline = false;
};

// The first changes of a region, for its lists.
struct RegionLists
{
    std::vector<LandCellChange> land;
    std::vector<StaticItem> added;
    std::vector<StaticItem> removed;
};

class HtmlPage
{
public:
    explicit HtmlPage(Output& out) : m_out(out) {}

    void begin(const ReportFacts& facts, const PageContext& context, const Picture& overview);
    void region(int number, const Region& region, const PictureArea& area, const RegionPictures& pictures,
                const RegionLists& lists);
    // The regions from `first` on, one row each.
    void otherRegions(const ReportFacts& facts, size_t first);
    void end();

private:
    void summary(const ReportFacts& facts, const PageContext& context);
    void noOpRecords(const ReportFacts& facts);
    void picture(const Picture& image, const QString& attributes);
    void landList(const Region& region, const std::vector<LandCellChange>& land);
    void staticsList(const char* title, qint64 total, const std::vector<StaticItem>& items);
    void more(qint64 total, size_t shown, int columns);

    TextOut m_out;
};

}  // namespace quillmark
