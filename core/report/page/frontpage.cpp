#include "frontpage.h"

#include "pagehead.h"
#include "pagelimits.h"
#include "regionfinder.h"
#include "regionsection.h"

#include "counted.h"
#include "patchcheck.h"

#include <algorithm>

namespace quillmark {

namespace {

Markup factRow(const QString& name, const Markup& value)
{
    Html html;
    html.put("<tr><th>%</th><td class=\"text\">%</td></tr>\n", name, value);
    return html.take();
}

Markup plain(const QString& text)
{
    Html html;
    html.text(text);
    return html.take();
}

QString tilesOfBlock(const ReportFacts& facts, qint64 block)
{
    if (!facts.holds(block))
        return QStringLiteral("—");
    const TileRect tiles = facts.tilesOf(block);
    return QStringLiteral("x %1 to %2, y %3 to %4")
        .arg(tiles.x)
        .arg(tiles.right() - 1)
        .arg(tiles.y)
        .arg(tiles.bottom() - 1);
}

QString counts(qint64 blocks, qint64 landCells, qint64 added, qint64 removed)
{
    return QStringLiteral("%1, %2 changed, %3 added, %4 removed")
        .arg(counted(blocks, "changed block", "changed blocks"),
             counted(landCells, "land cell", "land cells"), counted(added, "static", "statics"),
             counted(removed, "static", "statics"));
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
    case DamagedRecord::Source::MergedStatics:
        return QStringLiteral("merged statics");
    }
    return QString();
}

QString numberOrNone(qint64 value)
{
    return value < 0 ? QStringLiteral("—") : QString::number(value);
}

QString filesName(PatchKind kind)
{
    return kind == PatchKind::Map ? QStringLiteral("map") : QStringLiteral("statics");
}

qint64 conflictCount(const ReportFacts& facts)
{
    qint64 count = 0;
    for (const BaseFinding& base : facts.bases)
        count += qint64(base.verdict.conflicts.size());
    return count;
}

class FrontPage
{
public:
    FrontPage(Html& html, const ReportFacts& facts, const PageContext& context, const PagePlaces& places)
        : m_html(html), m_facts(facts), m_context(context), m_places(places), m_regions(facts)
    {}

    void summary();
    void conflicts();
    void noOpRecords();
    void damagedRecords();
    void overview(const OverviewImage& overview);
    void contents();

private:
    Markup regionLink(qint64 region) const
    {
        Html html;
        if (region < 0)
            html.put("—");
        else
            html.put("<a href=\"%\">%</a>", m_places.href(size_t(region), true), region + 1);
        return html.take();
    }
    Markup baseRow(const BaseVerdict& verdict) const;
    Markup mergeConflictsText() const;
    Markup pagesRow() const;

    Html& m_html;
    const ReportFacts& m_facts;
    const PageContext& m_context;
    const PagePlaces& m_places;
    RegionFinder m_regions;
};

Markup FrontPage::baseRow(const BaseVerdict& verdict) const
{
    Html html;
    html.text(baseCaseText(verdict, m_facts.heightBlocks));
    if (verdict.found != BaseCase::NotChecked)
        html.put(" (checked against %)", verdict.manifest);
    if (!verdict.conflicts.empty())
        html.put(" · <a href=\"#conflicts\">Blocks that do not fit</a>");
    return html.take();
}

// What the result of a merge is where its sides conflict.
Markup FrontPage::mergeConflictsText() const
{
    Html html;
    html.put("% of the map and % of the statics both sides changed, each its own way",
             counted(m_facts.mapConflicts, "tile", "tiles"),
             counted(m_facts.staticsConflicts, "tile", "tiles"));
    if (m_facts.mapConflicts + m_facts.staticsConflicts > 0)
        html.put(
            ": framed % in every picture, and their blocks on the overview. The result shows ours there, "
            "as a merge that prefers ours writes it; a merge that prefers no side writes nothing but "
            "its conflicts",
            swatch("merge"));
    return html.take();
}

Markup FrontPage::pagesRow() const
{
    Html html;
    html.put("%: ", m_places.pages.size());
    for (qsizetype i = 0; i < m_places.pages.size(); ++i) {
        if (i > 0)
            html.put(", ");
        html.put("<a href=\"%\">%</a>", linkTo(m_places.pages[i]), m_places.pages[i]);
    }
    return html.take();
}

void FrontPage::summary()
{
    Html rows;
    for (const FilesRow& files : m_context.files)
        rows.put("%", factRow(files.caption, plain(files.paths.join(QLatin1String(", ")))));
    rows.put("%", factRow(QStringLiteral("Colours"),
                          plain(m_context.radarColours.isEmpty() ? QStringLiteral("built-in")
                                                                 : m_context.radarColours)));
    rows.put("%", factRow(QStringLiteral("Facet"), plain(QStringLiteral("%1, %2 × %3 blocks (%4 × %5 tiles)")
                                                             .arg(m_context.facetName)
                                                             .arg(m_facts.widthBlocks)
                                                             .arg(m_facts.heightBlocks)
                                                             .arg(m_facts.widthBlocks * TilesPerSide)
                                                             .arg(m_facts.heightBlocks * TilesPerSide))));
    for (const BaseFinding& base : m_facts.bases)
        rows.put("%", factRow(base.kind == PatchKind::Map ? QStringLiteral("Map base")
                                                          : QStringLiteral("Statics base"),
                              baseRow(base.verdict)));
    if (m_facts.reviewsMerge)
        rows.put("%", factRow(QStringLiteral("Conflicts"), mergeConflictsText()));
    rows.put("%", factRow(QStringLiteral("Changes"),
                          plain(counts(qint64(m_facts.changed.size()), m_facts.landCells,
                                       m_facts.staticsAdded, m_facts.staticsRemoved))));
    rows.put("%", factRow(QStringLiteral("Regions"),
                          plain(QStringLiteral(
                                    "%1 (gap of %2: changed blocks with at most that many blocks between "
                                    "them are one region), every one drawn")
                                    .arg(m_facts.regions.size())
                                    .arg(counted(m_context.gap, "block", "blocks")))));
    if (m_places.pages.size() > 1)
        rows.put("%", factRow(QStringLiteral("Pages"), pagesRow()));
    if (m_context.hasRecords)
        rows.put("%", factRow(QStringLiteral("Records that change nothing"),
                              plain(QString::number(m_facts.noOpRecords))));
    rows.put("%", factRow(QStringLiteral("Records that could not be drawn"),
                          plain(QString::number(m_facts.damagedRecords))));
    m_html.put("<h2 id=\"summary\">Summary</h2>\n<table>\n%</table>\n", rows.take());
}

void FrontPage::conflicts()
{
    const qint64 count = conflictCount(m_facts);
    if (count == 0)
        return;
    m_html.put(
        "<h3 id=\"conflicts\">Blocks that do not fit</h3>\n<p>Blocks the difference files replace that hold "
        "something other than what the patch was made against, framed % on the overview and in every "
        "picture of their region; a combination onto these files fails unless forced. x and y are the "
        "block's top left tile.</p>\n<table>\n<tr><th class=\"text\">files</th><th>block</th>"
        "<th>x (tile)</th><th>y (tile)</th><th>region</th></tr>\n",
        swatch("conflict"));
    qint64 shown = 0;
    for (const BaseFinding& base : m_facts.bases) {
        for (size_t i = 0; i < base.verdict.conflicts.size() && shown < ListedConflicts; ++i, ++shown) {
            const qint64 block = base.verdict.conflicts[i];
            const TileRect tiles = m_facts.tilesOf(block);
            m_html.put("<tr><td class=\"text\">%</td><td>%</td><td>%</td><td>%</td><td>%</td></tr>\n",
                       filesName(base.kind), block, tiles.x, tiles.y, regionLink(m_regions.regionOf(block)));
        }
    }
    if (count > shown)
        m_html.put("<tr><td class=\"more text\" colspan=\"5\">… and % more</td></tr>\n", count - shown);
    m_html.put("</table>\n");
}

void FrontPage::noOpRecords()
{
    if (m_facts.noOpRecords == 0)
        return;
    m_html.put(
        "<h3 id=\"no-op-records\">Records that change nothing</h3>\n<table>\n<tr><th>file</th><th>record</th>"
        "<th>block</th><th class=\"text\">its tiles</th><th class=\"text\">holds</th></tr>\n");
    for (const NoOpRecord& record : m_facts.noOpShown)
        m_html.put("<tr><td class=\"text\">%</td><td>%</td><td>%</td><td class=\"text\">%</td>"
                   "<td class=\"text\">%</td></tr>\n",
                   filesName(record.file == NoOpRecord::File::Map ? PatchKind::Map : PatchKind::Statics),
                   record.ordinal, record.block, tilesOfBlock(m_facts, record.block),
                   reasonText(record.reason));
    if (m_facts.noOpRecords > qint64(m_facts.noOpShown.size()))
        m_html.put("<tr><td class=\"more text\" colspan=\"5\">… and % more</td></tr>\n",
                   m_facts.noOpRecords - qint64(m_facts.noOpShown.size()));
    m_html.put("</table>\n");
}

void FrontPage::damagedRecords()
{
    if (m_facts.damagedRecords == 0)
        return;
    m_html.put(
        "<h3 id=\"damaged-records\">Records that could not be drawn</h3>\n<p>What can be read of them is "
        "drawn; their other bytes are left out, and no static is placed outside its block.</p>\n<table>\n"
        "<tr><th>file</th><th>record</th><th>block</th><th class=\"text\">its tiles</th>"
        "<th class=\"text\">why</th></tr>\n");
    for (const DamagedRecord& record : m_facts.damagedShown)
        m_html.put("<tr><td class=\"text\">%</td><td>%</td><td>%</td><td class=\"text\">%</td>"
                   "<td class=\"text\">%</td></tr>\n",
                   sourceText(record.source), numberOrNone(record.ordinal), numberOrNone(record.block),
                   tilesOfBlock(m_facts, record.block), record.reason);
    if (m_facts.damagedRecords > qint64(m_facts.damagedShown.size()))
        m_html.put("<tr><td class=\"more text\" colspan=\"5\">… and % more</td></tr>\n",
                   m_facts.damagedRecords - qint64(m_facts.damagedShown.size()));
    m_html.put("</table>\n");
}

void FrontPage::overview(const OverviewImage& overview)
{
    const QString scale = overview.blocksPerPixel == 1
                              ? QStringLiteral("block")
                              : QStringLiteral("square of %1 × %1 blocks").arg(overview.blocksPerPixel);
    m_html.put(
        "<h2 id=\"overview\">Overview</h2>\n<p class=\"legend\">The facet, one pixel per %: changed blocks "
        "%, "
        "every region framed % and numbered where there is room%%. A region's frame or number leads to it; "
        "hover over one to see what it holds.</p>\n<div class=\"overview\"><img id=\"overview-picture\" "
        "usemap=\"#overview-map\" alt=\"Overview of the facet\" width=\"%\" height=\"%\" "
        "src=\"data:image/png;base64,%\"></div>\n<map name=\"overview-map\">\n",
        scale, swatch("changed"), swatch("region"),
        overview.conflicts.empty()
            ? Markup()
            : Html().put("; blocks that do not fit the patch %", swatch("conflict")).take(),
        m_facts.conflictingBlocks.empty()
            ? Markup()
            : Html()
                  .put("; blocks with tiles both sides of the merge changed, each its own way %",
                       swatch("merge"))
                  .take(),
        overview.size.width(), overview.size.height(), Markup{overview.png.toBase64()});
    const QRect bounds(QPoint(0, 0), overview.size);
    const auto area = [this, &bounds](const QRect& rect, const QString& href, const QString& title) {
        const QRect r = rect.intersected(bounds);
        m_html.put("<area shape=\"rect\" coords=\"%,%,%,%\" href=\"%\" title=\"%\" alt=\"%\">\n", r.left(),
                   r.top(), r.right(), r.bottom(), href, title, title);
    };
    for (const ConflictMark& mark : overview.conflicts) {
        const qint64 region = m_regions.regionOf(mark.block);
        area(mark.frame, region < 0 ? QStringLiteral("#conflicts") : m_places.href(size_t(region), true),
             QStringLiteral("Block %1 does not fit the patch's %2: tiles %3")
                 .arg(mark.block)
                 .arg(filesName(mark.files), tilesOfBlock(m_facts, mark.block)));
    }
    for (const OverviewLink& link : overview.links) {
        const Region& region = m_facts.regions[size_t(link.region - 1)];
        area(link.rect, m_places.href(size_t(link.region - 1), true),
             QStringLiteral("Region %1: %2, changed tiles x %3 to %4, y %5 to %6")
                 .arg(link.region)
                 .arg(counted(region.blocks, "changed block", "changed blocks"))
                 .arg(region.changedTiles.x)
                 .arg(region.changedTiles.right() - 1)
                 .arg(region.changedTiles.y)
                 .arg(region.changedTiles.bottom() - 1));
    }
    m_html.put("</map>\n");
}

void FrontPage::contents()
{
    m_html.put("<h2 id=\"contents\">Contents</h2>\n");
    if (m_facts.regions.empty()) {
        m_html.put("<p class=\"none\">Nothing changes.</p>\n");
        return;
    }
    // Numbered in order from 1, as the regions are: an explicit number on each item costs a browser dearly.
    m_html.put("<ol class=\"contents\">\n");
    for (size_t r = 0; r < m_facts.regions.size(); ++r) {
        const TileRect& tiles = m_facts.regions[r].changedTiles;
        m_html.put("<li><a href=\"%\">Region %</a>: %, tiles x % to %, y % to %</li>\n",
                   m_places.href(r, true), r + 1,
                   counted(m_facts.regions[r].blocks, "changed block", "changed blocks"), tiles.x,
                   tiles.right() - 1, tiles.y, tiles.bottom() - 1);
    }
    m_html.put("</ol>\n");
}

}  // namespace

void writeFrontPage(Html& html, const ReportFacts& facts, const PageContext& context,
                    const OverviewImage& overview, const PagePlaces& places)
{
    FrontPage page(html, facts, context, places);
    page.summary();
    page.conflicts();
    page.noOpRecords();
    page.damagedRecords();
    page.overview(overview);
    writeLegend(html);
    page.contents();
}

}  // namespace quillmark
