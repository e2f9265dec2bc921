#include "regionsection.h"

#include "pagehead.h"
#include "pagelimits.h"

#include "counted.h"

namespace quillmark {

namespace {

// "x 1500 to 1517, y 801 to 812 (18 × 12 tiles)"
QString tilesText(const TileRect& tiles)
{
    return QStringLiteral("x %1 to %2, y %3 to %4 (%5 × %6 tiles)")
        .arg(tiles.x)
        .arg(tiles.right() - 1)
        .arg(tiles.y)
        .arg(tiles.bottom() - 1)
        .arg(tiles.width)
        .arg(tiles.height);
}

QString scaleText(const PicturePart& part)
{
    const QString pixels = counted(part.shownPixels, "pixel", "pixels");
    if (part.cellTiles == 1)
        return QStringLiteral("%1 per tile").arg(pixels);
    return QStringLiteral("%1 per square of %2 × %2 tiles").arg(pixels).arg(part.cellTiles);
}

// A region's lists are text in columns, a few elements each: a page holds
// thousands of regions, and a table's cells cost a browser far more.
void more(Html& html, qint64 total, size_t shown)
{
    if (total > qint64(shown))
        html.put("<span class=\"more\">… and % more</span>\n", total - qint64(shown));
}

void landList(Html& html, const Region& region, const std::vector<LandCellChange>& land)
{
    html.put("<div><h3>Land cells changed</h3>\n");
    if (land.empty()) {
        html.put("<p class=\"none\">None.</p></div>\n");
        return;
    }
    html.put("<pre class=\"list\"><b>x (tile) y (tile)  tile             altitude</b>\n");
    for (const LandCellChange& change : land)
        html.put("%%  % → %  % → %\n", Padded{change.x, 8}, Padded{change.y, 9}, Hex{change.before.tile},
                 Hex{change.after.tile}, Padded{change.before.z, 4}, change.after.z);
    more(html, region.landCells, land.size());
    html.put("</pre></div>\n");
}

void staticsList(Html& html, const QString& title, qint64 total, const std::vector<StaticItem>& items)
{
    html.put("<div><h3>%</h3>\n", title);
    if (items.empty()) {
        html.put("<p class=\"none\">None.</p></div>\n");
        return;
    }
    html.put("<pre class=\"list\"><b>item     x (tile) y (tile) altitude   hue</b>\n");
    for (const StaticItem& item : items)
        html.put("%%%%%\n", Hex{item.id}, Padded{item.x, 11}, Padded{item.y, 9}, Padded{item.z, 9},
                 Padded{item.hue, 6});
    more(html, total, items.size());
    html.put("</pre></div>\n");
}

void conflictList(Html& html, const RegionConflicts& conflicts)
{
    if (conflicts.blocks.empty())
        return;
    html.put(
        "<h3>Where the base does not fit the patch</h3>\n<p>In % that % not fit, each cell or tile whose "
        "base differs from what the patch puts there.</p>\n<table>\n<tr><th class=\"text\">files</th>"
        "<th>x (tile)</th><th>y (tile)</th><th class=\"text\">the base holds</th>"
        "<th class=\"text\">the patch puts</th></tr>\n",
        counted(qint64(conflicts.blocks.size()), "block", "blocks"),
        conflicts.blocks.size() == 1 ? QStringLiteral("does") : QStringLiteral("do"));
    for (const ConflictRow& row : conflicts.shown)
        html.put("<tr class=\"does-not-fit\"><td class=\"text\">%</td><td>%</td><td>%</td><td "
                 "class=\"text\">%</td>"
                 "<td class=\"text\">%</td></tr>\n",
                 row.files == PatchKind::Map ? QStringLiteral("map") : QStringLiteral("statics"), row.x,
                 row.y, row.base, row.patch);
    if (conflicts.rows > qint64(conflicts.shown.size()))
        html.put("<tr><td class=\"more text\" colspan=\"5\">… and % more</td></tr>\n",
                 conflicts.rows - qint64(conflicts.shown.size()));
    html.put("</table>\n");
}

}  // namespace

QString hexNumber(quint16 value)
{
    return QStringLiteral("0x%1")
        .arg(value, 4, 16, QLatin1Char('0'))
        .toUpper()
        .replace(QLatin1String("0X"), QLatin1String("0x"));
}

void writeRegionSection(Html& html, const RegionPage& page, const PartViews& first)
{
    const Region& region = page.region;
    html.put("<section class=\"region\" id=\"region-%\">\n<h2>Region %</h2>\n<p class=\"nav\"><a "
             "href=\"%#overview\">Overview</a> · <a href=\"%#contents\">Contents</a></p>\n",
             page.number, page.number, page.firstPage, page.firstPage);
    html.put("<p>Changed tiles: %, within blocks of tiles %. %, % changed, % added, % removed.</p>\n",
             tilesText(region.changedTiles), tilesText(blocksRect(region)),
             counted(region.blocks, "changed block", "changed blocks"),
             counted(region.landCells, "land cell", "land cells"),
             counted(region.staticsAdded, "static", "statics"),
             counted(region.staticsRemoved, "static", "statics"));
    if (first.part.kind == PicturePart::Kind::Overview)
        html.put(
            "<p>Too large to show whole at 4 pixels per tile: its overview at %, then each of its % at 4 "
            "pixels per tile. The rulers count world tiles.</p>\n",
            scaleText(first.part),
            counted(page.details, "square of tiles that holds a change",
                    "squares of tiles that hold a change"));
    else
        html.put("<p>Shown at %; the rulers count world tiles.</p>\n", scaleText(first.part));
    writePartViews(html, first);
    html.put("<div class=\"lists\">\n");
    landList(html, region, page.lists.land);
    staticsList(html, QStringLiteral("Statics added"), region.staticsAdded, page.lists.added);
    staticsList(html, QStringLiteral("Statics removed"), region.staticsRemoved, page.lists.removed);
    html.put("</div>\n");
    if (page.conflicts.mergeTiles > 0)
        html.put("<p class=\"merge-conflicts\">% both sides changed, each its own way: framed % in every "
                 "picture, the result showing ours there. The facts list each with the base's, our and their "
                 "value.</p>\n",
                 counted(page.conflicts.mergeTiles, "tile", "tiles"), swatch("merge"));
    conflictList(html, page.conflicts);
    html.put("</section>\n");
}

qint64 regionSectionBound(const PicturePart& first, qint64 conflicts, qint64 mergeTiles)
{
    // Its texts, three lists and the table of where the base does not fit, at their longest.
    constexpr qint64 Texts = 2048, ListRow = 128, ConflictRow = 1024;
    return Texts + 3 * (ListedChanges + 2) * ListRow + (ListedChanges + 2) * ConflictRow
           + partViewsBound(first, conflicts, mergeTiles);
}

qint64 detailSectionBound(const PicturePart& detail, qint64 conflicts, qint64 mergeTiles)
{
    return 512 + partViewsBound(detail, conflicts, mergeTiles);
}

void writeDetailSection(Html& html, const RegionPage& page, const PartViews& detail, qint64 index)
{
    html.put("<section class=\"detail\" id=\"%\">\n<h3>Region %, detail % of %: %</h3>\n", detail.id,
             page.number, index, page.details, tilesText(detail.part.area));
    writePartViews(html, detail);
    html.put("</section>\n");
}

}  // namespace quillmark
