#pragma once

// The report as one page that opens anywhere, offline: its pictures are PNG
// data inside the page, its style inline, and its policy lets it run no
// script and fetch nothing. A summary (files, counts, how the map and
// statics stand to the patch's manifests, the blocks that do not fit it,
// the records that change nothing or could not be drawn), the overview (an
// image map: each
// region's frame and number link to it), the contents (a link to each region
// drawn), then each region drawn, largest first: its rectangle and counts,
// its before, after and change pictures side by side, each of which opens
// at full size when clicked (its figure becomes the page's target), links
// back, and the first of its changes. The regions not drawn follow in one
// table. Every name the page shows is escaped.
//
// The pictures carry what a script needs to find a tile in them:
// data-x, data-y (the top-left tile shown), data-pixels-per-tile, and
// data-left, data-top (where that tile starts, right of and below the rulers).

#include "overview.h"
#include "pagebudget.h"
#include "regionpicture.h"
#include "reportfacts.h"
#include "reportinputs.h"
#include "textout.h"

#include <array>
#include <vector>

namespace quillmark {

// Changes listed per list of a region; the rest are counted.
constexpr size_t ListedChanges = 20;
// Blocks that do not fit the patch, listed on the page; the facts list all.
constexpr size_t ListedConflicts = 1000;

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

// A region the page draws: its pictures as PNG data, before, after and
// changes, and its lists.
struct DrawnRegion
{
    size_t index = 0;  // in ReportFacts::regions
    PictureArea area;
    std::array<QByteArray, 3> png;
    RegionLists lists;
};

// How the regions are shown: drawing[r] for region r + 1.
struct PageRegions
{
    std::vector<RegionDrawing> drawing;
    std::vector<DrawnRegion> drawn;  // in the order of the regions
};

// The overview as the page shows it.
struct OverviewImage
{
    QByteArray png;
    QSize size;
    int blocksPerPixel = 1;
    std::vector<OverviewLink> links;
};

class HtmlPage
{
public:
    explicit HtmlPage(Output& out) : m_out(out) {}

    // The whole page.
    void write(const ReportFacts& facts, const PageContext& context, const PageRegions& regions,
               const OverviewImage& overview);

private:
    void begin(const ReportFacts& facts, const PageContext& context, const PageRegions& regions);
    void summary(const ReportFacts& facts, const PageContext& context, const PageRegions& regions);
    void conflicts(const ReportFacts& facts, const PageRegions& regions);
    void noOpRecords(const ReportFacts& facts);
    void damagedRecords(const ReportFacts& facts);
    void overview(const OverviewImage& overview, bool withConflicts);
    void contents(const ReportFacts& facts, const PageRegions& regions);
    void legend();
    void region(const ReportFacts& facts, const DrawnRegion& drawn);
    void figure(qint64 number, int side, const DrawnRegion& drawn);
    void landList(const Region& region, const std::vector<LandCellChange>& land);
    void staticsList(const char* title, qint64 total, const std::vector<StaticItem>& items);
    void more(qint64 total, size_t shown, int columns);
    void otherRegions(const ReportFacts& facts, const PageRegions& regions);
    void image(const QByteArray& png, QSize size, const QString& attributes);

    TextOut m_out;
};

}  // namespace quillmark
