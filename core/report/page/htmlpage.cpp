#include "htmlpage.h"

#include "changemarks.h"
#include "counted.h"

#include <QStringList>

#include <algorithm>
#include <utility>

namespace quillmark {

namespace {

const char Head[] = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; img-src data:; style-src 'unsafe-inline'">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>%1</title>
<style>
body { font: 14px/1.4 sans-serif; margin: 1.5em; color: #1d232b; background: #f4f2ee; }
h1 { font-size: 1.5em; margin: 0 0 .5em; }
h2 { font-size: 1.2em; margin: 1.6em 0 .4em; border-top: 1px solid #c9c4ba; padding-top: .8em; }
h3 { font-size: 1em; margin: .8em 0 .3em; }
a { color: #1a5fa0; }
table { border-collapse: collapse; margin: .3em 0; }
td, th { padding: 1px 10px 1px 0; text-align: right; font-variant-numeric: tabular-nums; }
th { text-align: left; }
td.text, th.text { text-align: left; }
img { image-rendering: pixelated; border: 1px solid #555; }
.overview { max-width: 100%; overflow: auto; }
.pictures { display: flex; flex-wrap: wrap; gap: 16px; align-items: flex-start; }
figure { margin: 0; max-width: 100%; overflow-x: auto; }
figcaption { font-weight: bold; }
figure > a { display: block; line-height: 0; }
.close { display: none; }
figure:target { position: fixed; inset: 0; z-index: 10; max-width: none; padding: 2.6em 1em 1em;
  overflow: auto; background: #101216; color: #fff; }
figure:target img { width: var(--zoom); height: auto; }
figure:target .close { display: block; position: fixed; top: .7em; right: 1.2em; color: #fff; line-height: 1.4; }
.nav { margin: 0 0 .3em; }
.contents { columns: 18em; }
.legend span.swatch { display: inline-block; width: 1.6em; height: .9em; margin: 0 .3em 0 .6em;
  vertical-align: -.1em; border: 1px solid #555; }
.lists { display: flex; flex-wrap: wrap; gap: 32px; }
.more { color: #666; font-style: italic; }
.none { color: #666; }
</style>
</head>
<body>
)";

const char* const SideIds[3] = {"before", "after", "changes"};
const char* const SideTitles[3] = {"Before", "After", "Changes"};

// Zoomed pictures are at least this wide, where the zoom allows.
constexpr int ZoomWidth = 1536;
constexpr int MaxZoom = 8;

QString hex(quint16 value)
{
    return QStringLiteral("0x%1")
        .arg(value, 4, 16, QLatin1Char('0'))
        .toUpper()
        .replace(QLatin1String("0X"), QLatin1String("0x"));
}

QString colour(Rgb value)
{
    return QStringLiteral("#%1").arg(value & 0xffffff, 6, 16, QLatin1Char('0'));
}

QString escaped(const QString& text)
{
    return text.toHtmlEscaped();
}

QString row(const QStringList& cells)
{
    return QLatin1String("<tr><td>") + cells.join(QLatin1String("</td><td>")) + QLatin1String("</td></tr>\n");
}

QString factRow(const QString& name, const QString& value)
{
    return QStringLiteral("<tr><th>%1</th><td class=\"text\">%2</td></tr>\n").arg(name, value);
}

QString files(const QStringList& paths)
{
    QStringList shown;
    for (const QString& path : paths)
        shown << escaped(path);
    return shown.join(QLatin1String(", "));
}

QString rectangle(const Region& region)
{
    return QStringLiteral("x %1 to %2, y %3 to %4 (%5 × %6 tiles)")
        .arg(region.x)
        .arg(region.x + region.width - 1)
        .arg(region.y)
        .arg(region.y + region.height - 1)
        .arg(region.width)
        .arg(region.height);
}

QString counts(qint64 blocks, qint64 landCells, qint64 added, qint64 removed)
{
    return QStringLiteral("%1, %2 changed, %3 added, %4 removed")
        .arg(counted(blocks, "changed block", "changed blocks"),
             counted(landCells, "land cell", "land cells"), counted(added, "static", "statics"),
             counted(removed, "static", "statics"));
}

QString swatch(const QString& background)
{
    return QStringLiteral("<span class=\"swatch\" style=\"background: %1\"></span>").arg(background);
}

QString reasonText(NoOpRecord::Reason reason)
{
    switch (reason) {
    case NoOpRecord::Reason::SameCells:
        return QStringLiteral("the same cells (another header at most)");
    case NoOpRecord::Reason::SameStatics:
        return QStringLiteral("the same statics (another order or extra at most)");
    case NoOpRecord::Reason::Repeated:
        return QStringLiteral("an earlier record names the block: never used");
    case NoOpRecord::Reason::Outside:
        return QStringLiteral("the block lies outside the file: never used");
    }
    return QString();
}

QString sourceText(DamagedRecord::Source source)
{
    switch (source) {
    case DamagedRecord::Source::MapLocator:
        return QStringLiteral("map locator");
    case DamagedRecord::Source::StaticsLocator:
        return QStringLiteral("statics locator");
    case DamagedRecord::Source::StaticsDifIndex:
        return QStringLiteral("statics difference index");
    case DamagedRecord::Source::StaticsRecord:
        return QStringLiteral("statics");
    case DamagedRecord::Source::ReferenceStatics:
        return QStringLiteral("reference statics");
    case DamagedRecord::Source::CurrentStatics:
        return QStringLiteral("current statics");
    }
    return QString();
}

QString numberOrNone(qint64 value)
{
    return value < 0 ? QStringLiteral("—") : QString::number(value);
}

qint64 countOf(const PageRegions& regions, RegionDrawing drawing)
{
    return std::count(regions.drawing.begin(), regions.drawing.end(), drawing);
}

// The rows that name the files read.
QString sourceFiles(const ReportSources& s)
{
    QString rows =
        factRow(s.comparesFacets() ? QStringLiteral("Reference map") : QStringLiteral("Map"), escaped(s.map));
    if (s.comparesFacets())
        rows += factRow(QStringLiteral("Current map"), escaped(s.currentMap));
    if (s.hasMapDifs())
        rows += factRow(QStringLiteral("Map difference files"), files({s.mapDifLocator, s.mapDifData}));
    if (!s.hasStatics())
        return rows;
    rows += factRow(s.comparesFacets() ? QStringLiteral("Reference statics") : QStringLiteral("Statics"),
                    files({s.staticsIndex, s.staticsData}));
    if (s.comparesFacets())
        return rows
               + factRow(QStringLiteral("Current statics"),
                         files({s.currentStaticsIndex, s.currentStaticsData}));
    return rows
           + factRow(QStringLiteral("Statics difference files"),
                     files({s.staticsDifLocator, s.staticsDifIndex, s.staticsDifData}));
}

// "37 regions drawn; 6,342 past the page's budget ...; 2 too large to draw".
QString drawnText(const PageRegions& regions)
{
    QStringList parts{
        QStringLiteral("%1 drawn").arg(counted(countOf(regions, RegionDrawing::Drawn), "region", "regions"))};
    if (const qint64 past = countOf(regions, RegionDrawing::PastBudget); past > 0)
        parts << QStringLiteral("%1 past the page's budget (pictures of at most %2 million pixels and %3 MB "
                                "in all): listed and framed, not drawn")
                     .arg(past)
                     .arg(PageBudget::PixelBudget / 1000000)
                     .arg(PageBudget::PictureBytes >> 20);
    if (const qint64 large = countOf(regions, RegionDrawing::TooLarge); large > 0)
        parts << QStringLiteral("%1 too large to draw (a picture of more than %2 pixels): listed and framed")
                     .arg(large)
                     .arg(MaxPicturePixels);
    return parts.join(QLatin1String("; "));
}

// The case in the words a combination prints, the manifest it was found
// against, and the way to the blocks that do not fit.
QString baseRow(const BaseVerdict& verdict, qint64 heightBlocks)
{
    QString text = escaped(baseCaseText(verdict, heightBlocks));
    if (verdict.found != BaseCase::NotChecked)
        text += QStringLiteral(" (checked against %1)").arg(escaped(verdict.manifest));
    if (!verdict.conflicts.empty())
        text += QStringLiteral(" · <a href=\"#conflicts\">Blocks that do not fit</a>");
    return text;
}

qint64 conflictCount(const ReportFacts& facts)
{
    qint64 count = 0;
    for (const BaseFinding& base : facts.bases)
        count += qint64(base.verdict.conflicts.size());
    return count;
}

// Each changed block with its region, in block order, to look blocks up in.
std::vector<std::pair<qint32, size_t>> regionsByBlock(const ReportFacts& facts)
{
    std::vector<std::pair<qint32, size_t>> found;
    found.reserve(facts.regionBlocks.size());
    for (size_t r = 0; r < facts.regions.size(); ++r) {
        const Region& region = facts.regions[r];
        for (qint64 i = region.firstBlock; i < region.firstBlock + region.blocks; ++i)
            found.emplace_back(facts.regionBlocks[size_t(i)], r);
    }
    std::sort(found.begin(), found.end());
    return found;
}

// A link to the region that holds `block`, where the page has one; "—" for
// a block no region holds (one whose change is another order of the same
// statics, say).
QString regionCell(const std::vector<std::pair<qint32, size_t>>& regionOf, qint64 block,
                   const PageRegions& regions)
{
    const auto found =
        std::lower_bound(regionOf.begin(), regionOf.end(), std::pair<qint32, size_t>(qint32(block), 0));
    if (found == regionOf.end() || found->first != block)
        return QStringLiteral("—");
    const size_t r = found->second;
    if (regions.drawing[r] != RegionDrawing::Drawn && qint64(r) >= PageBudget::ListedRegions)
        return QString::number(r + 1);
    return QStringLiteral("<a href=\"#region-%1\">%1</a>").arg(r + 1);
}

}  // namespace

void HtmlPage::write(const ReportFacts& facts, const PageContext& context, const PageRegions& regions,
                     const OverviewImage& overviewImage)
{
    begin(facts, context, regions);
    overview(overviewImage, conflictCount(facts) > 0);
    contents(facts, regions);
    if (!regions.drawn.empty())
        legend();
    for (const DrawnRegion& drawn : regions.drawn)
        region(facts, drawn);
    otherRegions(facts, regions);
    m_out.write("</body>\n</html>\n");
}

void HtmlPage::begin(const ReportFacts& facts, const PageContext& context, const PageRegions& regions)
{
    const QString title = QStringLiteral("Quillmark report: %1").arg(escaped(context.facetName));
    m_out.write(QString::fromLatin1(Head).arg(title));
    m_out.write(QStringLiteral("<h1>%1</h1>\n").arg(title));
    summary(facts, context, regions);
    conflicts(facts, regions);
    noOpRecords(facts);
    damagedRecords(facts);
}

void HtmlPage::summary(const ReportFacts& facts, const PageContext& context, const PageRegions& regions)
{
    QString rows = sourceFiles(context.sources);
    rows +=
        factRow(QStringLiteral("Colours"),
                context.radarColours.isEmpty() ? QStringLiteral("built-in") : escaped(context.radarColours));
    rows += factRow(QStringLiteral("Facet"), QStringLiteral("%1, %2 × %3 blocks")
                                                 .arg(escaped(context.facetName))
                                                 .arg(facts.widthBlocks)
                                                 .arg(facts.heightBlocks));
    for (const BaseFinding& base : facts.bases)
        rows +=
            factRow(base.kind == PatchKind::Map ? QStringLiteral("Map base") : QStringLiteral("Statics base"),
                    baseRow(base.verdict, facts.heightBlocks));
    rows += factRow(QStringLiteral("Changes"), counts(qint64(facts.changed.size()), facts.landCells,
                                                      facts.staticsAdded, facts.staticsRemoved));
    rows +=
        factRow(QStringLiteral("Regions"),
                QStringLiteral("%1 (gap %2: changed blocks with at most that many blocks between them are "
                               "one region); %3")
                    .arg(facts.regions.size())
                    .arg(context.gap)
                    .arg(drawnText(regions)));
    if (!context.sources.comparesFacets())
        rows += factRow(QStringLiteral("Records that change nothing"), QString::number(facts.noOpRecords));
    rows += factRow(QStringLiteral("Records that could not be drawn"), QString::number(facts.damagedRecords));
    m_out.write(QStringLiteral("<h2 id=\"summary\">Summary</h2>\n<table>\n%1</table>\n").arg(rows));
}

void HtmlPage::conflicts(const ReportFacts& facts, const PageRegions& regions)
{
    const qint64 count = conflictCount(facts);
    if (count == 0)
        return;
    m_out.write(QStringLiteral("<h3 id=\"conflicts\">Blocks that do not fit</h3>\n<p>Blocks the difference "
                               "files replace that hold something other than what the patch was made "
                               "against, framed%1on the overview; a combination onto these files fails "
                               "unless forced. x and y are the block's top left tile.</p>\n<table>\n"
                               "<tr><th class=\"text\">files</th><th>block</th><th>x</th><th>y</th>"
                               "<th>region</th></tr>\n")
                    .arg(swatch(colour(Overview::ConflictFrame))));
    const std::vector<std::pair<qint32, size_t>> regionOf = regionsByBlock(facts);
    size_t shown = 0;
    for (const BaseFinding& base : facts.bases) {
        const QString files = base.kind == PatchKind::Map ? QStringLiteral("map") : QStringLiteral("statics");
        for (size_t i = 0; i < base.verdict.conflicts.size() && shown < ListedConflicts; ++i, ++shown) {
            const qint64 block = base.verdict.conflicts[i];
            m_out.write(QStringLiteral("<tr><td class=\"text\">%1</td><td>%2</td><td>%3</td><td>%4</td>"
                                       "<td>%5</td></tr>\n")
                            .arg(files, QString::number(block),
                                 QString::number(facts.blockX(block) * TilesPerSide),
                                 QString::number(facts.blockY(block) * TilesPerSide),
                                 regionCell(regionOf, block, regions)));
        }
    }
    more(count, shown, 5);
    m_out.write("</table>\n");
}

void HtmlPage::noOpRecords(const ReportFacts& facts)
{
    if (facts.noOpRecords == 0)
        return;
    m_out.write("<h3 id=\"no-op-records\">Records that change nothing</h3>\n<table>\n"
                "<tr><th>file</th><th>record</th><th>block</th><th class=\"text\">holds</th></tr>\n");
    for (const NoOpRecord& record : facts.noOpShown)
        m_out.write(
            QStringLiteral(
                "<tr><td class=\"text\">%1</td><td>%2</td><td>%3</td><td class=\"text\">%4</td></tr>\n")
                .arg(record.file == NoOpRecord::File::Map ? QStringLiteral("map") : QStringLiteral("statics"))
                .arg(record.ordinal)
                .arg(record.block)
                .arg(reasonText(record.reason)));
    more(facts.noOpRecords, facts.noOpShown.size(), 4);
    m_out.write("</table>\n");
}

void HtmlPage::damagedRecords(const ReportFacts& facts)
{
    if (facts.damagedRecords == 0)
        return;
    m_out.write("<h3 id=\"damaged-records\">Records that could not be drawn</h3>\n<p>What can be read of "
                "them is drawn; their other bytes are left out, and no static is placed outside its "
                "block.</p>\n<table>\n<tr><th>file</th><th>record</th><th>block</th><th "
                "class=\"text\">why</th></tr>\n");
    for (const DamagedRecord& record : facts.damagedShown)
        m_out.write(
            QStringLiteral(
                "<tr><td class=\"text\">%1</td><td>%2</td><td>%3</td><td class=\"text\">%4</td></tr>\n")
                .arg(sourceText(record.source), numberOrNone(record.ordinal), numberOrNone(record.block),
                     escaped(record.reason)));
    more(facts.damagedRecords, facts.damagedShown.size(), 4);
    m_out.write("</table>\n");
}

void HtmlPage::image(const QByteArray& png, QSize size, const QString& attributes)
{
    m_out.write(QStringLiteral("<img %1 width=\"%2\" height=\"%3\" src=\"data:image/png;base64,")
                    .arg(attributes)
                    .arg(size.width())
                    .arg(size.height()));
    m_out.write(png.toBase64());
    m_out.write("\">");
}

void HtmlPage::overview(const OverviewImage& overview, bool withConflicts)
{
    const QString conflicts = withConflicts ? QStringLiteral("; blocks that do not fit the patch%1")
                                                  .arg(swatch(colour(Overview::ConflictFrame)))
                                            : QString();
    m_out.write(
        QStringLiteral("<h2 id=\"overview\">Overview</h2>\n<p class=\"legend\">The facet, one pixel "
                       "per %1: changed blocks%2, regions framed: drawn below (numbered)%3, not "
                       "drawn%4%5. A region's frame or number leads to it.</p>\n<div class=\"overview\">")
            .arg(overview.blocksPerPixel == 1 ? QStringLiteral("block") : QStringLiteral("few blocks"),
                 swatch(colour(Overview::ChangedMark)), swatch(colour(Overview::DrawnFrame)),
                 swatch(colour(Overview::UndrawnFrame)), conflicts));
    image(overview.png, overview.size,
          QStringLiteral("id=\"overview-picture\" usemap=\"#overview-map\" alt=\"Overview of the facet\""));
    m_out.write("</div>\n<map name=\"overview-map\">\n");
    const QRect bounds(QPoint(0, 0), overview.size);
    for (const OverviewLink& link : overview.links) {
        const QRect r = link.rect.intersected(bounds);
        m_out.write(QStringLiteral("<area shape=\"rect\" coords=\"%1,%2,%3,%4\" href=\"#region-%5\" "
                                   "alt=\"Region %5\">\n")
                        .arg(r.left())
                        .arg(r.top())
                        .arg(r.right())
                        .arg(r.bottom())
                        .arg(link.region));
    }
    m_out.write("</map>\n");
}

void HtmlPage::contents(const ReportFacts& facts, const PageRegions& regions)
{
    m_out.write("<h2 id=\"contents\">Contents</h2>\n");
    if (regions.drawn.empty())
        m_out.write("<p class=\"none\">No region is drawn.</p>\n");
    else
        m_out.write("<ol class=\"contents\">\n");
    for (const DrawnRegion& drawn : regions.drawn) {
        const Region& region = facts.regions[drawn.index];
        m_out.write(QStringLiteral("<li value=\"%1\"><a href=\"#region-%1\">Region %1</a>: %2</li>\n")
                        .arg(drawn.index + 1)
                        .arg(counted(region.blocks, "changed block", "changed blocks")));
    }
    if (!regions.drawn.empty())
        m_out.write("</ol>\n");
    if (regions.drawn.size() < facts.regions.size())
        m_out.write("<p><a href=\"#other-regions\">Regions not drawn</a></p>\n");
}

void HtmlPage::legend()
{
    using namespace changemarks;
    const QString raised = QStringLiteral("linear-gradient(to right, %1, %2)")
                               .arg(colour(altitude(1)), colour(altitude(StrongestMove)));
    const QString lowered = QStringLiteral("linear-gradient(to right, %1, %2)")
                                .arg(colour(altitude(-1)), colour(altitude(-StrongestMove)));
    m_out.write(QStringLiteral(
                    "<p class=\"legend\" id=\"legend\">In each change view, the after picture "
                    "in greys, dimmed, and each changed tile marked:%1land tile replaced,%2altitude raised "
                    "and%3lowered (by 1 to %4 or more),%5statics added,%6statics removed; a "
                    "tile with several changes is split, land above, statics below. Click a "
                    "picture to see it larger.</p>\n")
                    .arg(swatch(colour(TileReplaced)), swatch(raised), swatch(lowered))
                    .arg(StrongestMove)
                    .arg(swatch(colour(StaticsAdded)), swatch(colour(StaticsRemoved))));
}

void HtmlPage::region(const ReportFacts& facts, const DrawnRegion& drawn)
{
    const Region& region = facts.regions[drawn.index];
    const qint64 number = qint64(drawn.index) + 1;
    m_out.write(QStringLiteral("<section id=\"region-%1\">\n<h2>Region %1</h2>\n<p class=\"nav\"><a "
                               "href=\"#overview\">Overview</a> · <a href=\"#contents\">Contents</a></p>\n"
                               "<p>%2; %3. %4 pixels per tile, ticks every 8 tiles.</p>\n"
                               "<div class=\"pictures\">\n")
                    .arg(number)
                    .arg(rectangle(region),
                         counts(region.blocks, region.landCells, region.staticsAdded, region.staticsRemoved))
                    .arg(drawn.area.pixelsPerTile));
    for (int side = 0; side < 3; ++side)
        figure(number, side, drawn);
    m_out.write("</div>\n<div class=\"lists\">\n");
    landList(region, drawn.lists.land);
    staticsList("Statics added", region.staticsAdded, drawn.lists.added);
    staticsList("Statics removed", region.staticsRemoved, drawn.lists.removed);
    m_out.write("</div>\n</section>\n");
}

void HtmlPage::figure(qint64 number, int side, const DrawnRegion& drawn)
{
    const PictureArea& area = drawn.area;
    const QSize size(int(area.pixelWidth()), int(area.pixelHeight()));
    const int zoom = qBound(2, ZoomWidth / size.width(), MaxZoom);
    const QString id = QStringLiteral("region-%1-%2").arg(number).arg(QLatin1String(SideIds[side]));
    m_out.write(QStringLiteral("<figure id=\"%1\"><figcaption>%2</figcaption><a href=\"#%1\">")
                    .arg(id, QLatin1String(SideTitles[side])));
    image(drawn.png[size_t(side)], size,
          QStringLiteral("class=\"picture\" data-region=\"%1\" data-side=\"%2\" data-x=\"%3\" data-y=\"%4\" "
                         "data-pixels-per-tile=\"%5\" data-left=\"%6\" data-top=\"%7\" style=\"--zoom: "
                         "%8px\" alt=\"Region %1, %9\"")
              .arg(number)
              .arg(QLatin1String(SideIds[side]))
              .arg(area.x)
              .arg(area.y)
              .arg(area.pixelsPerTile)
              .arg(area.left)
              .arg(area.top)
              .arg(size.width() * zoom)
              .arg(QLatin1String(SideIds[side])));
    m_out.write(
        QStringLiteral("</a><a class=\"close\" href=\"#region-%1\">Close</a></figure>\n").arg(number));
}

void HtmlPage::landList(const Region& region, const std::vector<LandCellChange>& land)
{
    m_out.write("<div><h3>Land cells changed</h3>\n");
    if (land.empty()) {
        m_out.write("<p class=\"none\">None.</p></div>\n");
        return;
    }
    m_out.write("<table>\n<tr><th>x</th><th>y</th><th>tile</th><th>altitude</th></tr>\n");
    for (const LandCellChange& change : land)
        m_out.write(row({QString::number(change.x), QString::number(change.y),
                         hex(change.before.tile) + QStringLiteral(" → ") + hex(change.after.tile),
                         QStringLiteral("%1 → %2").arg(int(change.before.z)).arg(int(change.after.z))}));
    more(region.landCells, land.size(), 4);
    m_out.write("</table></div>\n");
}

void HtmlPage::staticsList(const char* title, qint64 total, const std::vector<StaticItem>& items)
{
    m_out.write(QStringLiteral("<div><h3>%1</h3>\n").arg(QLatin1String(title)));
    if (items.empty()) {
        m_out.write("<p class=\"none\">None.</p></div>\n");
        return;
    }
    m_out.write("<table>\n<tr><th>item</th><th>x</th><th>y</th><th>altitude</th><th>hue</th></tr>\n");
    for (const StaticItem& item : items)
        m_out.write(row({hex(item.id), QString::number(item.x), QString::number(item.y),
                         QString::number(int(item.z)), QString::number(item.hue)}));
    more(total, items.size(), 5);
    m_out.write("</table></div>\n");
}

void HtmlPage::more(qint64 total, size_t shown, int columns)
{
    if (total > qint64(shown))
        m_out.write(QStringLiteral("<tr><td class=\"more text\" colspan=\"%1\">… and %2 more</td></tr>\n")
                        .arg(columns)
                        .arg(total - qint64(shown)));
}

void HtmlPage::otherRegions(const ReportFacts& facts, const PageRegions& regions)
{
    if (regions.drawn.size() == facts.regions.size())
        return;
    m_out.write("<h2 id=\"other-regions\">Regions not drawn</h2>\n<p>Framed on the <a "
                "href=\"#overview\">overview</a>; the JSON facts list their changes.</p>\n<table>\n"
                "<tr><th>region</th><th class=\"text\">rectangle</th><th>blocks</th><th>land cells</th>"
                "<th>statics added</th><th>statics removed</th><th class=\"text\">why</th></tr>\n");
    const qint64 listed = qMin<qint64>(qint64(facts.regions.size()), PageBudget::ListedRegions);
    qint64 unlisted = 0;
    for (size_t r = 0; r < facts.regions.size(); ++r) {
        if (regions.drawing[r] == RegionDrawing::Drawn)
            continue;
        if (qint64(r) >= listed) {
            ++unlisted;
            continue;
        }
        const Region& region = facts.regions[r];
        m_out.write(QStringLiteral("<tr id=\"region-%1\"><td>%1</td><td class=\"text\">%2</td><td>%3</td>"
                                   "<td>%4</td><td>%5</td><td>%6</td><td class=\"text\">%7</td></tr>\n")
                        .arg(r + 1)
                        .arg(rectangle(region))
                        .arg(region.blocks)
                        .arg(region.landCells)
                        .arg(region.staticsAdded)
                        .arg(region.staticsRemoved)
                        .arg(regions.drawing[r] == RegionDrawing::TooLarge
                                 ? QStringLiteral("too large")
                                 : QStringLiteral("past the budget")));
    }
    if (unlisted > 0)
        m_out.write(QStringLiteral("<tr><td class=\"more text\" colspan=\"7\">… and %1 more, the smallest, "
                                   "in the JSON facts alone</td></tr>\n")
                        .arg(unlisted));
    m_out.write("</table>\n");
}

}  // namespace quillmark
