#include "htmlpage.h"

#include "pngdata.h"

#include <QStringList>

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
table { border-collapse: collapse; margin: .3em 0; }
td, th { padding: 1px 10px 1px 0; text-align: right; font-variant-numeric: tabular-nums; }
th { text-align: left; }
td.text, th.text { text-align: left; }
.pictures { display: flex; flex-wrap: wrap; gap: 16px; }
figure { margin: 0; }
figcaption { font-weight: bold; }
img { image-rendering: pixelated; max-width: 100%; height: auto; border: 1px solid #555; }
.lists { display: flex; flex-wrap: wrap; gap: 32px; }
.more { color: #666; font-style: italic; }
.none { color: #666; }
</style>
</head>
<body>
)";

QString hex(quint16 value)
{
    return QStringLiteral("0x%1")
        .arg(value, 4, 16, QLatin1Char('0'))
        .toUpper()
        .replace(QLatin1String("0X"), QLatin1String("0x"));
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
    return QStringLiteral("%1 changed blocks, %2 land cells changed, %3 statics added, %4 statics removed")
        .arg(blocks)
        .arg(landCells)
        .arg(added)
        .arg(removed);
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

}  // namespace

void HtmlPage::begin(const ReportFacts& facts, const PageContext& context, const Picture& overview)
{
    const QString title = QStringLiteral("Quillmark report: %1").arg(escaped(context.facetName));
    m_out.write(QString::fromLatin1(Head).arg(title));
    m_out.write(QStringLiteral("<h1>%1</h1>\n").arg(title));
    summary(facts, context);
    noOpRecords(facts);
    m_out.write(QStringLiteral("<h2 id=\"overview\">Overview</h2>\n<p>The facet, one pixel per %1: changed "
                               "blocks in yellow, the %2 largest regions framed and numbered.</p>\n")
                    .arg(overview.width() >= facts.widthBlocks ? QStringLiteral("block")
                                                               : QStringLiteral("few blocks"))
                    .arg(qMin<qint64>(NumberedRegions, qint64(facts.regions.size()))));
    picture(overview, QStringLiteral("id=\"overview-picture\" alt=\"Overview of the facet\""));
}

void HtmlPage::summary(const ReportFacts& facts, const PageContext& context)
{
    const ReportSources& s = context.sources;
    QString files = factRow(QStringLiteral("Map"), escaped(s.map));
    if (s.hasMapDifs())
        files += factRow(QStringLiteral("Map difference files"),
                         escaped(s.mapDifLocator) + QLatin1String(", ") + escaped(s.mapDifData));
    if (s.hasStatics())
        files += factRow(QStringLiteral("Statics"),
                         escaped(s.staticsIndex) + QLatin1String(", ") + escaped(s.staticsData))
                 + factRow(QStringLiteral("Statics difference files"),
                           QStringList{escaped(s.staticsDifLocator), escaped(s.staticsDifIndex),
                                       escaped(s.staticsDifData)}
                               .join(QLatin1String(", ")));
    files +=
        factRow(QStringLiteral("Colours"),
                context.radarColours.isEmpty() ? QStringLiteral("built-in") : escaped(context.radarColours));
    m_out.write(
        QStringLiteral("<h2 id=\"summary\">Summary</h2>\n<table>\n%1%2%3%4%5</table>\n")
            .arg(files,
                 factRow(QStringLiteral("Facet"), QStringLiteral("%1, %2 × %3 blocks")
                                                      .arg(escaped(context.facetName))
                                                      .arg(facts.widthBlocks)
                                                      .arg(facts.heightBlocks)),
                 factRow(QStringLiteral("Changes"), counts(qint64(facts.changed.size()), facts.landCells,
                                                           facts.staticsAdded, facts.staticsRemoved)),
                 factRow(QStringLiteral("Regions"),
                         QStringLiteral("%1 (gap %2: changed blocks with at most that many blocks between "
                                        "them are one region)")
                             .arg(facts.regions.size())
                             .arg(context.gap)),
                 factRow(QStringLiteral("Records that change nothing"), QString::number(facts.noOpRecords))));
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

void HtmlPage::picture(const Picture& image, const QString& attributes)
{
    const QByteArray png = encodePng(image);
    m_out.write(QStringLiteral("<img %1 width=\"%2\" height=\"%3\" src=\"data:image/png;base64,")
                    .arg(attributes)
                    .arg(image.width())
                    .arg(image.height()));
    m_out.write(png.toBase64());
    m_out.write("\">\n");
}

void HtmlPage::region(int number, const Region& region, const PictureArea& area,
                      const RegionPictures& pictures, const RegionLists& lists)
{
    m_out.write(
        QStringLiteral("<h2 id=\"region-%1\">Region %1</h2>\n<p>%2; %3.</p>\n<div class=\"pictures\">\n")
            .arg(number)
            .arg(rectangle(region),
                 counts(region.blocks, region.landCells, region.staticsAdded, region.staticsRemoved)));
    const QString geometry =
        QStringLiteral("data-region=\"%1\" data-x=\"%2\" data-y=\"%3\" data-pixels-per-tile=\"%4\" "
                       "data-tiles-per-pixel=\"%5\"")
            .arg(number)
            .arg(area.x)
            .arg(area.y)
            .arg(area.pixelsPerTile)
            .arg(area.tilesPerPixel);
    for (const auto& [side, image] : {std::pair<const char*, const Picture*>{"before", &pictures.before},
                                      std::pair<const char*, const Picture*>{"after", &pictures.after}}) {
        m_out.write(QStringLiteral("<figure><figcaption>%1</figcaption>\n")
                        .arg(QLatin1String(side) == QLatin1String("before") ? QStringLiteral("Before")
                                                                            : QStringLiteral("After")));
        picture(*image, QStringLiteral("class=\"picture\" data-side=\"%1\" %2 alt=\"Region %3, %1\"")
                            .arg(QLatin1String(side), geometry)
                            .arg(number));
        m_out.write("</figure>\n");
    }
    m_out.write("</div>\n<div class=\"lists\">\n");
    landList(region, lists.land);
    staticsList("Statics added", region.staticsAdded, lists.added);
    staticsList("Statics removed", region.staticsRemoved, lists.removed);
    m_out.write("</div>\n");
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

void HtmlPage::otherRegions(const ReportFacts& facts, size_t first)
{
    if (first >= facts.regions.size())
        return;
    m_out.write(
        QStringLiteral("<h2 id=\"other-regions\">Regions %1 to %2</h2>\n<p>Smaller regions, without "
                       "pictures; the JSON facts list their changes.</p>\n<table>\n<tr><th>region</th>"
                       "<th class=\"text\">rectangle</th><th>blocks</th><th>land cells</th>"
                       "<th>statics added</th><th>statics removed</th></tr>\n")
            .arg(first + 1)
            .arg(facts.regions.size()));
    for (size_t r = first; r < facts.regions.size(); ++r) {
        const Region& region = facts.regions[r];
        m_out.write(QStringLiteral("<tr id=\"region-%1\"><td>%1</td><td class=\"text\">%2</td><td>%3</td>"
                                   "<td>%4</td><td>%5</td><td>%6</td></tr>\n")
                        .arg(r + 1)
                        .arg(rectangle(region))
                        .arg(region.blocks)
                        .arg(region.landCells)
                        .arg(region.staticsAdded)
                        .arg(region.staticsRemoved));
    }
    m_out.write("</table>\n");
}

void HtmlPage::end()
{
    m_out.write("</body>\n</html>\n");
}

}  // namespace quillmark
