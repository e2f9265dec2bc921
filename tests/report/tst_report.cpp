// The review report on a hand-made facet of 8 x 8 blocks and its difference
// files, each record made to show one rule of the report:
//   map records:     0 block 9, cell (2, 3) becomes water,    (a change)
//                      cell (5, 1) a road at the same altitude,
//                      cell (1, 6) rises by 1
//                    1 block 18, only its header             (changes nothing)
//                    2 block 9 again                          (never used: repeated)
//                    3 block 500                              (never used: outside)
//                    4 block 54, all 64 cells raised          (a change)
//   statics records: 0 block 9, item A swapped for item E    (one added, one removed)
//                    1 block 27, its entries in another order (changes nothing)
// Everywhere else the ground is grass (tile 3) at altitude 0, without statics.
//
// One table of reports through the engine for the facts it finds (changed
// cells, statics as multisets, records that change nothing, regions by gap),
// the same facts from two whole facets, its lists, and the colours of its
// before, after and change pictures and their rulers, with and without radar
// colours; one table of command lines for its defaults, usage errors, the
// failures of missing, damaged or ill-fitting input with their exact
// messages and nothing written, damaged records listed rather than drawn, and
// names escaped in the page; the base cases of a patch with manifests; page
// and facts committed together; a page held within its budget; and the page
// in headless Chromium: pixels, links and zoom.

#include "testfiles.h"
#include "toolrun.h"

#include "changemarks.h"
#include "jobs.h"
#include "overview.h"
#include "pagebudget.h"
#include "palette.h"
#include "reportjob.h"
#include "rulers.h"

#include <QtTest>

#include <vector>

using namespace quillmark;

namespace {

constexpr int Height = 8;
constexpr int Blocks = Height * Height;
constexpr quint16 Grass = 0x0003;
constexpr quint16 Water = 0x00a8;
constexpr quint16 Road = 0x0071;

struct Item
{
    quint16 id;
    quint8 x, y;
    qint8 z;
    quint16 hue;
};

constexpr Item ItemA{0x0eed, 4, 4, 0, 0};
constexpr Item ItemB{0x0cca, 5, 5, 3, 0};
constexpr Item ItemC{0x0006, 1, 1, 0, 0};
constexpr Item ItemD{0x0007, 1, 1, 5, 0};
constexpr Item ItemE{0x3000, 4, 4, 2, 7};  // past the end of the radar colour file below

QByteArray items(std::initializer_list<Item> list)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    for (const Item& item : list)
        out << item.id << item.x << item.y << item.z << item.hue;
    return bytes;
}

QByteArray cell(quint16 tile, qint8 z)
{
    return QByteArray(1, char(tile & 0xff)) + char(tile >> 8) + char(z);
}

QByteArray mapBlock(qint32 header, qint8 z = 0)
{
    return testfiles::int32s({header}) + cell(Grass, z).repeated(64);
}

void setCell(QByteArray& block, int x, int y, quint16 tile, qint8 z)
{
    block.replace(4 + (y * 8 + x) * 3, 3, cell(tile, z));
}

// Radar colours up to item 0x0fff: grass red, water blue, item A green, item B grey.
QByteArray radarColours()
{
    QByteArray colours((0x4000 + 0x1000) * 2, '\0');
    const auto put = [&colours](int index, quint16 colour) {
        qToLittleEndian(colour, colours.data() + index * 2);
    };
    put(Grass, 0x7c00);
    put(Water, 0x001f);
    put(0x4000 + ItemA.id, 0x03e0);
    put(0x4000 + ItemB.id, 0x4210);
    return colours;
}

// The facet's files: map.mul, mapdifl.mul, mapdif.mul, staidx.mul,
// statics.mul, stadifl.mul, stadifi.mul, stadif.mul, radarcol.mul.
bool writeFacet(const QDir& dir)
{
    using testfiles::int32s;
    QByteArray map;
    for (int block = 0; block < Blocks; ++block)
        map += mapBlock(block);
    QByteArray watered = mapBlock(-9);
    setCell(watered, 2, 3, Water, -5);
    setCell(watered, 5, 1, Road, 0);
    setCell(watered, 1, 6, Grass, 1);
    const QByteArray mapDif = watered + mapBlock(-18) + mapBlock(9) + mapBlock(500) + mapBlock(54, 10);
    const QByteArray block9 = items({ItemA, ItemB}), block27 = items({ItemC, ItemD});
    const QByteArray new9 = items({ItemB, ItemE}), new27 = items({ItemD, ItemC});
    QByteArray index = testfiles::entries({{-1, 0, 0}}).repeated(Blocks);
    index.replace(9 * 12, 12, int32s({0, qint32(block9.size()), 0}));
    index.replace(27 * 12, 12, int32s({qint32(block9.size()), qint32(block27.size()), 0}));
    const auto write = [&dir](const char* name, const QByteArray& bytes) {
        return testfiles::write(dir.filePath(name), bytes);
    };
    return write("map.mul", map) && write("mapdifl.mul", int32s({9, 18, 9, 500, 54}))
           && write("mapdif.mul", mapDif) && write("staidx.mul", index)
           && write("statics.mul", block9 + block27) && write("stadifl.mul", int32s({9, 27}))
           && write("stadifi.mul", testfiles::entries({{0, qint32(new9.size()), 5},
                                                       {qint32(new9.size()), qint32(new27.size()), 0}}))
           && write("stadif.mul", new9 + new27) && write("radarcol.mul", radarColours());
}

struct ExpectedRegion
{
    int x, y, width, height, blocks, landCells, added, removed;
};

// A pixel of a region's picture and the colour it must have: where in its
// tile, in quarters of the tile's side, or in the top ruler's last row above it.
struct Probe
{
    int region;
    const char* side;
    QPoint tile, quarters;
    QRgb colour;
    bool ruler = false;
};

// A picture of the page with where it lies in the world.
struct PagePicture
{
    int region = 0;
    QString side;
    int x = 0, y = 0, pixelsPerTile = 1, left = 0, top = 0;
    QImage image;

    QPoint pixel(const Probe& probe) const
    {
        const int n = pixelsPerTile;
        const QPoint at = QPoint(left, top) + (probe.tile - QPoint(x, y)) * n
                          + QPoint(probe.quarters.x() * n / 4, probe.quarters.y() * n / 4);
        return {at.x(), probe.ruler ? top - 1 : at.y()};
    }
};

std::vector<PagePicture> picturesOf(const QString& html)
{
    static const QRegularExpression tag(
        "<img class=\"picture\" data-region=\"(\\d+)\" data-side=\"(\\w+)\" data-x=\"(\\d+)\" "
        "data-y=\"(\\d+)\" "
        "data-pixels-per-tile=\"(\\d+)\" data-left=\"(\\d+)\" data-top=\"(\\d+)\"[^>]* "
        "src=\"data:image/png;base64,([^\"]+)\"");
    std::vector<PagePicture> pictures;
    for (const QRegularExpressionMatch& m : tag.globalMatch(html))
        pictures.push_back({m.captured(1).toInt(), m.captured(2), m.captured(3).toInt(),
                            m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt(),
                            m.captured(7).toInt(),
                            QImage::fromData(QByteArray::fromBase64(m.captured(8).toLatin1()), "PNG")});
    return pictures;
}

const PagePicture* find(const std::vector<PagePicture>& pictures, const Probe& probe)
{
    const auto found = std::find_if(pictures.begin(), pictures.end(), [&probe](const PagePicture& p) {
        return p.region == probe.region && p.side == QLatin1String(probe.side);
    });
    return found == pictures.end() ? nullptr : &*found;
}

QString hexColour(QRgb colour)
{
    return QStringLiteral("#%1").arg(colour & 0xffffff, 6, 16, QLatin1Char('0'));
}

qint64 pixelsOf(const QImage& image, QRgb colour)
{
    qint64 count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += (image.pixel(x, y) & 0xffffff) == (colour & 0xffffff);
    return count;
}

int distance(QRgb a, QRgb b)
{
    return qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b));
}

Palette radarPalette()
{
    const QByteArray file = radarColours();
    std::vector<quint16> colours(size_t(file.size() / 2));
    qFromLittleEndian<quint16>(file.constData(), file.size() / 2, colours.data());
    return Palette(colours);
}

// A tile of block 9 or its margin, written as on the facet 8 blocks high,
// where it lies on a facet `height` blocks high.
QPoint moved(QPoint tile, int height)
{
    return tile + QPoint(9 / height * 8 - 8, 9 % height * 8 - 8);
}

// Region 1 is block 9 and its margin.
std::vector<Probe> probes(const Palette& palette, bool outline, int height)
{
    using namespace changemarks;
    const QRgb grass = palette.land({Grass, 0});
    std::vector<Probe> list{
        {1, "after", {10, 11}, {2, 2}, palette.land({Water, -5})},
        {1, "before", {13, 9}, {2, 2}, grass},  // repainted at the same altitude
        {1, "after", {13, 9}, {2, 2}, palette.land({Road, 0})},
        {1, "before", {12, 12}, {2, 2}, palette.item(ItemA.id)},
        {1, "after", {12, 12}, {2, 2}, palette.item(ItemE.id)},
        {1, "after", {13, 13}, {2, 2}, palette.item(ItemB.id)},
        {1, "before", {20, 20}, {2, 2}, grass},  // in the margin
        // Before and after stay clean, outlined or not.
        {1, "before", {10, 11}, {0, 0}, grass},
        {1, "after", {12, 12}, {0, 0}, QColor(palette.item(ItemE.id)).darker(170).rgb()},
        // The change view: tile replaced and lowered by 5; repainted; raised by 1; an item swapped.
        {1, "changes", {10, 11}, {1, 2}, TileReplaced},
        {1, "changes", {10, 11}, {2, 2}, altitude(-5)},
        {1, "changes", {10, 11}, {0, 0}, outline ? Outline : TileReplaced},
        {1, "changes", {13, 9}, {2, 2}, TileReplaced},
        {1, "changes", {9, 14}, {2, 2}, altitude(1)},
        {1, "changes", {12, 12}, {1, 2}, StaticsAdded},
        {1, "changes", {12, 12}, {2, 2}, StaticsRemoved},
        {1, "changes", {20, 20}, {2, 2}, background(grass)},
        // A tick at every 8th tile, none between.
        {1, "before", {16, 0}, {0, 0}, rulers::Ink, true},
        {1, "changes", {17, 0}, {0, 0}, rulers::Background, true},
    };
    for (Probe& probe : list)
        probe.tile = moved(probe.tile, height);
    return list;
}

}  // namespace

// A report of the facet, written through the engine, and the regions it finds.
struct FacetRow
{
    const char* name;
    int gap, height;
    bool radar, outline;
    bool facets;  // the facet the difference files make against the reference, as two whole facets
    std::vector<ExpectedRegion> regions;
};

// A base that a patch with manifests is reviewed on, and what the report says of it.
struct BaseRow
{
    const char* base;   // the folder of its map.mul, staidx.mul and statics.mul
    const char* patch;  // the folder of the difference files
    QString baseCase;   // of the map and the statics, in the facts
    QString line;       // the end of the command's line
    bool conflicts;     // map block 9 and statics block 27 do not fit the patch
};

// A file put in the place of the one an option names, in the folder in/ of
// the test's folder, under the option's name unless named; null bytes: none.
struct Swap
{
    QString option;
    QByteArray bytes;
    QString name = QString();
};

// A report's command line: the options left out, the words added, the files
// swapped, and what it says: a part of stdout, or else all of stderr after
// the tool's name ('@' for the test's folder, here and in the part of the
// page it writes).
struct CommandRow
{
    const char* name;
    QStringList removed, added;
    std::vector<Swap> swaps;
    int exitCode;
    QString said;
    QString onPage = QString();
    int notDrawn = 0;     // records listed as not drawn
    bool facets = false;  // the reference against itself as two whole facets
};

Q_DECLARE_METATYPE(FacetRow)
Q_DECLARE_METATYPE(CommandRow)
Q_DECLARE_METATYPE(BaseRow)

class ReportTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    // The report of the difference files into `out`, or of the facet they
    // make (current/) against the reference as two whole facets.
    ReportJob job(const QString& out, bool facets = false) const
    {
        ReportJob job;
        ReportSources& sources = job.sources;
        sources.map = path("map.mul");
        sources.staticsIndex = path("staidx.mul");
        sources.staticsData = path("statics.mul");
        if (facets) {
            sources.currentMap = path("current/map0.mul");
            sources.currentStaticsIndex = path("current/staidx0.mul");
            sources.currentStaticsData = path("current/statics0.mul");
        } else {
            sources.mapDifLocator = path("mapdifl.mul");
            sources.mapDifData = path("mapdif.mul");
            sources.staticsDifLocator = path("stadifl.mul");
            sources.staticsDifIndex = path("stadifi.mul");
            sources.staticsDifData = path("stadif.mul");
        }
        job.heightBlocks = Height;
        job.html = path(out + ".html");
        job.json = path(out + ".json");
        return job;
    }

    // The command line of the same report into `out`, with radar colours and every file named (the
    // reference's in `base`, the difference files of the set in `patch`), or
    // of the reference against itself as two whole facets.
    QStringList arguments(const QString& out, bool facets = false, const QString& base = ".",
                          const QString& patch = QString()) const
    {
        QStringList line{"report",          "--facet",           "0", "--height", QString::number(Height),
                         "--radar-colours", path("radarcol.mul")};
        if (facets) {
            line << "--reference-map" << path("map.mul") << "--current-map" << path("map.mul")
                 << "--reference-index" << path("staidx.mul") << "--reference-data" << path("statics.mul")
                 << "--current-index" << path("staidx.mul") << "--current-data" << path("statics.mul");
        } else {
            const QString at = QDir::cleanPath(path(base));
            line << "--map" << at + "/map.mul"
                 << "--index" << at + "/staidx.mul"
                 << "--data" << at + "/statics.mul";
            for (const QString file : {"mapdifl", "mapdif", "stadifl", "stadifi", "stadif"})
                line << "--" + file << path(patch.isEmpty() ? file + ".mul" : patch + "/" + file + "0.mul");
        }
        return line << "--html" << path(out + "/r.html") << "--json" << path(out + "/r.json");
    }

    QJsonObject facts(const QString& json) const
    {
        return QJsonDocument::fromJson(testfiles::read(json)).object();
    }

    // A base the patch of patch/ does not fit: a block it replaces changed
    // (map block 9's first cell, statics block 27 holding one of its two items).
    bool writeConflictingBase() const
    {
        QByteArray map = testfiles::read(path("map.mul")), index = testfiles::read(path("staidx.mul"));
        const QString dir = path("conflict");
        return QDir().mkpath(dir)
               && testfiles::write(dir + "/map.mul", map.replace(9 * 196 + 4, 3, cell(Road, 3)))
               && testfiles::write(dir + "/staidx.mul", index.replace(27 * 12 + 4, 4, testfiles::int32s({7})))
               && QFile::copy(path("statics.mul"), dir + "/statics.mul");
    }

    static void checkFacts(const QJsonObject& found, const FacetRow& row)
    {
        QStringList keys{"facet", "heightBlocks", "noOpRecords", "recordsNotDrawn", "regions", "widthBlocks"};
        if (!row.facets)
            keys.append({"mapBase", "staticsBase"});
        keys.sort();
        QCOMPARE(found.keys(), keys);
        QCOMPARE(found["widthBlocks"].toInt(), Blocks / row.height);
        QCOMPARE(found["heightBlocks"].toInt(), row.height);
        // Header only, a new order, a repeat, a block outside the map.
        QCOMPARE(found["noOpRecords"].toInt(), row.facets ? 0 : 4);
        const auto fields = [](const ExpectedRegion& r) {
            return QList<int>{r.x, r.y, r.width, r.height, r.blocks, r.landCells, r.added, r.removed};
        };
        QList<QList<int>> regions, expected;
        for (const QJsonValue& r : found["regions"].toArray())
            regions << fields({r["x"].toInt(), r["y"].toInt(), r["width"].toInt(), r["height"].toInt(),
                               r["blocks"].toInt(), int(r["landCells"].toArray().size()),
                               int(r["staticsAdded"].toArray().size()),
                               int(r["staticsRemoved"].toArray().size())});
        for (const ExpectedRegion& region : row.regions)
            expected << fields(region);
        QCOMPARE(regions, expected);
        // Block 9's changes, in world tiles, whichever region holds them.
        const QJsonObject first = found["regions"][0].toObject();
        const QPoint cell = moved({10, 11}, row.height), item = moved({12, 12}, row.height);
        const QJsonObject water{{"x", cell.x()},      {"y", cell.y()}, {"tileBefore", Grass},
                                {"tileAfter", Water}, {"zBefore", 0},  {"zAfter", -5}};
        QVERIFY(first["landCells"].toArray().contains(water));
        const auto only = [&item](const Item& i) {
            return QJsonArray{
                QJsonObject{{"id", i.id}, {"x", item.x()}, {"y", item.y()}, {"z", i.z}, {"hue", i.hue}}};
        };
        QCOMPARE(first["staticsAdded"].toArray(), only(ItemE));
        QCOMPARE(first["staticsRemoved"].toArray(), only(ItemA));
    }

    void checkPage(const QString& html, const FacetRow& row) const
    {
        // Nothing but the page's own data, and no script.
        QVERIFY(!html.contains(QLatin1String("src=\"http")) && !html.contains(QLatin1String("<script")));
        if (row.facets)
            QVERIFY(html.contains("<th>Current map</th><td class=\"text\">"
                                  + path("current/map0.mul").toHtmlEscaped()));
        const Palette palette = row.radar ? radarPalette() : Palette();
        if (row.radar) {  // the file's 5 bits a channel, widened; past its end, the built-in colours
            QCOMPARE(hexColour(palette.land({Grass, 0})) + hexColour(palette.land({Water, 0}))
                         + hexColour(palette.item(ItemB.id)),
                     QStringLiteral("#ff0000#0000ff#848484"));
            QCOMPARE(palette.item(ItemE.id), Palette::builtinItem(ItemE.id));
        } else {  // the built-in one tells a tile repainted at the same altitude, and water apart
            const QRgb grass = palette.land({Grass, 0}), water = palette.land({Water, -5});
            QVERIFY(distance(grass, palette.land({Road, 0})) >= 60
                    && distance(grass, palette.land({Grass + 1, 0})) >= 60);
            QVERIFY(qBlue(water) > qRed(water) + 60 && qBlue(water) > qGreen(water) + 40);
        }
        if (row.regions.size() < 2)
            return;
        checkProbes(html, probes(palette, row.outline, row.height));
        // The records that change nothing, listed where difference files are read.
        for (const char* text :
             {"<td class=\"text\">map</td><td>1</td><td>18</td><td class=\"text\">the same cells",
              "<td class=\"text\">map</td><td>2</td><td>9</td><td class=\"text\">an earlier record",
              "<td class=\"text\">map</td><td>3</td><td>500</td><td class=\"text\">the block lies outside",
              "<td class=\"text\">statics</td><td>1</td><td>27</td><td class=\"text\">the same statics"})
            QVERIFY2(html.contains(QString::fromUtf8(text)) != row.facets, text);
        for (const char* text :
             {// Block 54's 64 cells: 20 listed, the rest counted; the JSON holds all (above).
              "… and 44 more",
              // Counts in the right number.
              "1 changed block, 3 land cells changed, 1 static added, 1 static removed",
              // Every region drawn has its contents entry, its section, a way back and its zoom.
              "<li value=\"2\"><a href=\"#region-2\">Region 2</a>", "<section id=\"region-2\">",
              "<a href=\"#overview\">Overview</a> · <a href=\"#contents\">Contents</a>",
              "<figure id=\"region-2-changes\"><figcaption>Changes</figcaption><a "
              "href=\"#region-2-changes\">",
              "href=\"#region-1\" alt=\"Region 1\">", "12 pixels per tile"})
            QVERIFY2(html.contains(QString::fromUtf8(text)), text);
    }

    static QImage overviewOf(const QString& html)
    {
        const QRegularExpressionMatch found =
            QRegularExpression("id=\"overview-picture\"[^>]* src=\"data:image/png;base64,([^\"]+)\"")
                .match(html);
        return QImage::fromData(QByteArray::fromBase64(found.captured(1).toLatin1()), "PNG");
    }

    static void checkProbes(const QString& html, const std::vector<Probe>& list)
    {
        const std::vector<PagePicture> pictures = picturesOf(html);
        QCOMPARE(pictures.size(), size_t(6));
        for (const Probe& probe : list) {
            const PagePicture* picture = find(pictures, probe);
            QVERIFY(picture && !picture->image.isNull());
            QCOMPARE(hexColour(picture->image.pixel(picture->pixel(probe))), hexColour(probe.colour));
        }
    }

private slots:
    // The facet, the one its difference files make of it (current/), and a
    // patch generated from the two, with its manifests (patch/) and without
    // them (bare/).
    void initTestCase()
    {
        QVERIFY(writeFacet(QDir(m_dir.path())));
        QVERIFY(QDir().mkpath(path("current")));
        SilentProgress silent;
        QVERIFY(combineMapDiff({path("map.mul"), path("mapdif.mul"), path("mapdifl.mul"), path("current"), 0},
                               silent)
                    .succeeded());
        QVERIFY(combineStaticsDiff({path("staidx.mul"), path("statics.mul"), path("stadif.mul"),
                                    path("stadifi.mul"), path("stadifl.mul"), path("current"), 0},
                                   silent)
                    .succeeded());
        for (const QString patch : {"patch", "bare"}) {
            QVERIFY(QDir().mkpath(path(patch)));
            QVERIFY(generateMapDiff({path("map.mul"), path("current/map0.mul"), path(patch), 0}, silent)
                        .succeeded());
            QVERIFY(generateStaticsDiff({path("staidx.mul"), path("statics.mul"), path("current/staidx0.mul"),
                                         path("current/statics0.mul"), path(patch), 0},
                                        silent)
                        .succeeded());
        }
        QVERIFY(QFile::remove(path("bare/mapdif0.manifest.json"))
                && QFile::remove(path("bare/stadif0.manifest.json")));
        QVERIFY(writeConflictingBase());
    }

    void reportOfTheFacet_data()
    {
        QTest::addColumn<FacetRow>("row");
        // Blocks 9 (1, 1) and 54 (6, 6): 4 blocks between them. Equal in blocks and size, left first.
        const ExpectedRegion block9{8, 8, 8, 8, 1, 3, 1, 1}, block54{48, 48, 8, 8, 1, 64, 0, 0};
        // 4 x 16 blocks: block 9 at (0, 9), off the diagonal, and block 54 at (3, 6).
        const ExpectedRegion tall9{0, 72, 8, 8, 1, 3, 1, 1}, tall54{24, 48, 8, 8, 1, 64, 0, 0};
        const FacetRow rows[] = {
            {"touching only, built-in palette, outlined", 0, Height, false, true, false, {block9, block54}},
            {"radar colours", 1, Height, true, false, false, {block9, block54}},
            {"a facet higher than wide", 1, 16, false, false, false, {tall9, tall54}},
            {"gap of 4 joins them", 4, Height, false, false, false, {{8, 8, 48, 48, 2, 67, 1, 1}}},
            // The same regions and changes, and no records.
            {"two whole facets", 1, Height, false, false, true, {block9, block54}},
        };
        for (const FacetRow& row : rows)
            QTest::newRow(row.name) << row;
    }

    void reportOfTheFacet()
    {
        QFETCH(FacetRow, row);
        ReportJob reportJob =
            job(QStringLiteral("facet-%1").arg(QTest::currentDataTag()).replace(' ', '-'), row.facets);
        reportJob.gap = row.gap;
        reportJob.heightBlocks = row.height;
        reportJob.outline = row.outline;
        if (row.radar)
            reportJob.radarColours = path("radarcol.mul");
        SilentProgress silent;
        const JobOutcome outcome = writeReport(reportJob, silent);
        QVERIFY2(outcome.succeeded(), qPrintable(outcome.message()));
        QCOMPARE(outcome.result().blocks, Blocks);
        QCOMPARE(outcome.result().records, 2);
        checkFacts(facts(reportJob.json), row);
        if (!QTest::currentTestFailed())
            checkPage(QString::fromUtf8(testfiles::read(reportJob.html)), row);
    }

    // The page and the facts go in place together through the caller's
    // commit options: when the facts cannot be renamed after the page was,
    // the earlier page and facts are back as they were.
    void pageAndFactsCommitTogether()
    {
        const ReportJob together = job("together");
        QVERIFY(testfiles::write(together.html, "earlier page") && testfiles::write(together.json, "{}"));
        CommitOptions options;
        options.beforeRename = [dir = m_dir.path()](int placed) {
            if (placed == 1)
                QDir(dir).remove(
                    QDir(dir)
                        .entryList({".together.json.quillmark-part-*"}, QDir::Files | QDir::Hidden)
                        .value(0));
        };
        SilentProgress silent;
        const JobOutcome outcome = writeReport(together, silent, options);
        QCOMPARE(outcome.message(), QStringLiteral("Unable to write report file"));
        QCOMPARE(outcome.failure().file(), together.json);
        QCOMPARE(testfiles::read(together.html), QByteArray("earlier page"));
        QCOMPARE(testfiles::read(together.json), QByteArray("{}"));
    }

    void baseCases_data()
    {
        QTest::addColumn<BaseRow>("row");
        const QString noManifest = "base not checked: no manifest " + path("bare/%1.manifest.json");
        const QString conflict =
            "base does not fit: 1 of the 2 blocks it replaces holds something else, at tile %1";
        // Tiles in the grid of --height, not of the facet.
        QTest::newRow("conflict") << BaseRow{
            "conflict", "patch", "conflict",
            "; map " + conflict.arg("8,8") + "; statics " + conflict.arg("24,24"), true};
        QTest::newRow("no manifest") << BaseRow{
            ".", "bare", "notChecked",
            "; map " + noManifest.arg("mapdif0") + "; statics " + noManifest.arg("stadif0"), false};
    }

    // The case of the map and statics given, on the page, in the facts and
    // on the command's line in a combination's words; the blocks that do not
    // fit listed with their tiles and framed on the overview in their own
    // colour, and no such frame elsewhere.
    void baseCases()
    {
        QFETCH(BaseRow, row);
        const QString out = QStringLiteral("case-%1").arg(QTest::currentDataTag()).replace(' ', '-');
        QVERIFY(QDir().mkpath(path(out)));
        const ToolRun run = runTool(QUILLMARK_CLI, arguments(out, false, row.base, row.patch));
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.endsWith(row.line + '\n'), qPrintable(run.out));
        const QJsonObject found = facts(path(out + "/r.json"));
        const QString html = QString::fromUtf8(testfiles::read(path(out + "/r.html")));
        QJsonArray conflicts;
        for (const char* set : {"mapBase", "staticsBase"}) {
            const QJsonObject finding = found[set].toObject();
            QCOMPARE(finding["case"].toString(), row.baseCase);
            QVERIFY(html.contains(QStringLiteral("<tr><th>%1 base</th><td class=\"text\">%2")
                                      .arg(set == QLatin1String("mapBase") ? "Map" : "Statics",
                                           finding["text"].toString().toHtmlEscaped())));
            for (const QJsonValue& conflict : finding["conflicts"].toArray())
                conflicts.append(conflict);
        }
        const QImage overview = overviewOf(html);
        QJsonArray expected;
        for (const auto& [files, block] : {std::pair("map", 9), {"statics", 27}}) {
            if (!row.conflicts)
                break;
            const qint64 x = block / Height * 8, y = block % Height * 8;
            expected.append(QJsonObject{{"block", block}, {"x", x}, {"y", y}});
            QVERIFY(html.contains(
                QStringLiteral("<tr><td class=\"text\">%1</td><td>%2</td><td>%3</td><td>%4</td>")
                    .arg(files, QString::number(block), QString::number(x), QString::number(y))));
            const QRect frame = Overview(Height, Height).conflictFrame(block / Height, block % Height);
            QCOMPARE(hexColour(overview.pixel(frame.left(), frame.center().y())),
                     hexColour(Overview::ConflictFrame));
        }
        QCOMPARE(conflicts, expected);
        if (!row.conflicts) {
            QVERIFY(!html.contains("id=\"conflicts\""));
            QCOMPARE(pixelsOf(overview, Overview::ConflictFrame), 0);
        }
    }

    // Damage names the block it was found at, wherever the report finds it:
    // a statics entry past its data, a locator record past its difference data.
    void damageNamesItsBlock()
    {
        QByteArray index = testfiles::read(path("staidx.mul"));
        index.replace(9 * 12, 12, testfiles::int32s({100, 14, 0}));
        ReportJob entryPastData = job("entry-past-data"), recordPastData = job("record-past-data");
        entryPastData.sources.staticsIndex = path("entry-past-data.staidx");
        recordPastData.sources.mapDifData = path("record-past-data.mapdif");
        QVERIFY(testfiles::write(entryPastData.sources.staticsIndex, index)
                && testfiles::write(recordPastData.sources.mapDifData, mapBlock(1)));
        for (const auto& [damaged, block] : {std::pair{entryPastData, 9}, {recordPastData, 18}}) {
            SilentProgress silent;
            const Status failure = writeReport(damaged, silent).failure();
            QVERIFY(failure.is(Status::Kind::Damaged) && failure.block() == block);
        }
    }

    // However many regions, the page stays within its budget: the first
    // regions drawn, the rest listed (up to its limit) and framed, and the
    // page says so. Here every other block of every other column changes: a
    // region of one block each.
    void pageWithinItsBudget()
    {
        constexpr int Side = 152;  // 5776 regions, more than the page lists
        const QByteArray map = mapBlock(0).repeated(Side * Side);
        QByteArray locator, changed = mapBlock(0);
        setCell(changed, 2, 3, Road, 4);
        for (int column = 0; column < Side; column += 2)
            for (int row = 0; row < Side; row += 2)
                locator += testfiles::int32s({column * Side + row});
        const QByteArray difs = changed.repeated(locator.size() / 4);
        QVERIFY(QDir().mkpath(path("budget")) && testfiles::write(path("budget/map.mul"), map)
                && testfiles::write(path("budget/mapdifl.mul"), locator)
                && testfiles::write(path("budget/mapdif.mul"), difs));
        ReportJob budget;
        budget.sources.map = path("budget/map.mul");
        budget.sources.mapDifLocator = path("budget/mapdifl.mul");
        budget.sources.mapDifData = path("budget/mapdif.mul");
        budget.heightBlocks = Side;
        budget.gap = 0;
        budget.html = path("budget/r.html");
        SilentProgress silent;
        ReportSummary summary;
        QVERIFY(writeReport(budget, silent, CommitOptions(), &summary).succeeded());
        QCOMPARE(summary.regions, (Side / 2) * (Side / 2));
        QVERIFY(summary.drawnRegions > 50 && summary.drawnRegions < summary.regions);
        const QString html = QString::fromUtf8(testfiles::read(budget.html));
        QVERIFY(QFileInfo(budget.html).size() < 16 * 1000 * 1000);
        QCOMPARE(html.count("<section id=\"region-"), summary.drawnRegions);
        QCOMPARE(html.count("<tr id=\"region-"), PageBudget::ListedRegions - summary.drawnRegions);
        QVERIFY(html.contains(
            QStringLiteral("%1 past the page's budget").arg(summary.regions - summary.drawnRegions)));
        QVERIFY(html.contains(QStringLiteral("… and %1 more, the smallest, in the JSON facts alone")
                                  .arg(summary.regions - PageBudget::ListedRegions)));
        // Each region listed links from the overview, by its frame, and the drawn ones by their numbers too.
        QVERIFY(html.count("<area ") >= PageBudget::ListedRegions);
    }

    // The command line: its defaults (the gap; the height, from the facet
    // named), its usage errors with exit status 2 and a pointer to help, the
    // failures of missing, damaged or ill-fitting input with nothing written,
    // damaged records listed with the reason rather than drawn, and every
    // name on the page as text, not markup.
    void commandLine_data()
    {
        QTest::addColumn<CommandRow>("row");
        const QString noFile = ": " + openFailureReason(path("no-such-file"));
        const QByteArray missing, map = testfiles::read(path("map.mul")),
                                  index = testfiles::read(path("staidx.mul"));
        QByteArray entryPastData = index;
        entryPastData.replace(9 * 12, 12, testfiles::int32s({100, 14, 0}));
        // Block 27's new statics: C, then one at x 200 of its block, then 3 bytes.
        const QByteArray outside = items({ItemC, {0x0fff, 200, 4, 0, 0}}) + "xyz",
                         new9 = items({ItemB, ItemE});
        const QByteArray outsideIndex =
            testfiles::int32s({0, qint32(new9.size()), 5, qint32(new9.size()), qint32(outside.size()), 0});
#ifdef Q_OS_WIN
        const QString odd = QStringLiteral("a&b 'q' map.mul");  // Windows allows no <, > or " in a name
        const QString shown = QStringLiteral("a&amp;b 'q' map.mul");
#else
        const QString odd = QStringLiteral("a<b>&\"q' map.mul");
        const QString shown = QStringLiteral("a&lt;b&gt;&amp;&quot;q' map.mul");
#endif
        const auto add = [](const char* name, const QStringList& removed, const QStringList& added,
                            const std::vector<Swap>& swaps, int exitCode, const QString& said,
                            const QString& onPage = QString(), int notDrawn = 0, bool facets = false) {
            QTest::newRow(name) << CommandRow{name, removed, added,    swaps, exitCode,
                                              said, onPage,  notDrawn, facets};
        };
        add("blocks 2 apart, default gap", {"height"}, {"--height", "16"}, {}, 0,
            ", in 2 regions, 2 drawn; ");
        add("the named facet's height", {"height", "facet"}, {"--facet", "malas"}, {}, 1,
            "Unable to open map file: @map.mul: It holds 64 blocks, not a whole number of columns of 256 "
            "blocks");
        add("no difference files", {"mapdifl", "mapdif", "index", "data", "stadifl", "stadifi", "stadif"}, {},
            {}, 2, "No difference files given: give --mapdifl and --mapdif, the statics files, or both.");
        add("statics without their index", {"index"}, {}, {}, 2,
            "Missing option --index: --index, --data, --stadifl, --stadifi, --stadif go together.");
        add("no map", {"map"}, {}, {}, 2, "Missing option --map (or --reference-map and --current-map).");
        add("difference files and two facets", {}, {"--current-map", "x"}, {}, 2,
            "--reference-map and --current-map compare two whole facets: give no --map or difference files "
            "with them.");
        add("gap too wide", {}, {"--gap", "33"}, {}, 2, "--gap must be a whole number from 0 to 32.");
        add("one file for the page and the facts", {"html", "json"}, {"--html", "@same", "--json", "@same"},
            {}, 2, "--html and --json name the same file.");
        add("no map file", {}, {}, {{"map", missing}}, 1, "Unable to open map file: @in/map" + noFile);
        add("map record past its data", {}, {}, {{"mapdif", mapBlock(1)}}, 1,
            "Dif files are damaged at block 18: @in/mapdif: It holds 1 record, the locator names record 1");
        add("reference entry past its data", {}, {}, {{"index", entryPastData}}, 1,
            "Reference statics are damaged at block 9: @in/index: An entry names 14 bytes at 100, its data "
            "file has 28");
        add("no output folder", {"html"}, {"--html", "@nowhere/r.html"}, {}, 1,
            "Unable to create report file: @nowhere/r.html: No such directory");
        // Files that do not fit together.
        add("statics index shorter than the map", {}, {}, {{"index", index.left(63 * 12)}}, 1,
            "Unable to open static files: @in/index: It holds 63 blocks, the map 64 blocks");
        add("one byte of radar colours", {}, {}, {{"radar-colours", "\x01"}}, 1,
            "Unable to open radar colour file: @in/radar-colours: It holds 1 byte, not a whole number of "
            "2-byte colours");
        add("no radar colours in the file", {}, {}, {{"radar-colours", ""}}, 1,
            "Unable to open radar colour file: @in/radar-colours: It holds no colours");
        add("current map of another size", {}, {}, {{"current-map", map.left(63 * 196)}}, 1,
            "Map data files are different sizes: @map.mul has 12544 bytes, @in/current-map has 12348 bytes",
            QString(), 0, true);
        add("current statics index of another size", {}, {}, {{"current-index", index.left(63 * 12)}}, 1,
            "Index files are different sizes: @staidx.mul has 768 bytes, @in/current-index has 756 bytes",
            QString(), 0, true);
        add("partial map locator record", {}, {},
            {{"mapdifl", testfiles::int32s({9, 18, 9, 500, 54}) + "ab"}}, 0,
            "; 1 record could not be drawn; wrote ",
            "<td class=\"text\">map locator</td><td>5</td><td>—</td><td class=\"text\">2 bytes after its "
            "last whole record of 4 bytes</td>",
            1);
        add("statics record, partial and outside its block", {}, {},
            {{"stadifi", outsideIndex}, {"stadif", new9 + outside}}, 0,
            "; 1 record could not be drawn; wrote ",
            "<td class=\"text\">statics</td><td>1</td><td>27</td><td class=\"text\">17 bytes, not a whole "
            "number of 7-byte statics; static 2 of 2 lies at x 200, y 4, outside its block</td>",
            1);
        add("names on the page", {}, {},
            {{"map", map, odd}, {"radar-colours", radarColours(), odd + ".colours"}}, 0, "",
            "<th>Map</th><td class=\"text\">@in/" + shown + "</td>");
    }

    void commandLine()
    {
        QFETCH(CommandRow, row);
        const QString out = QStringLiteral("line/%1").arg(QTest::currentDataTag()).replace(' ', '-');
        QVERIFY(QDir().mkpath(path(out)) && QDir().mkpath(path("in")));
        QStringList line = arguments(out, row.facets);
        for (const QString& option : row.removed)
            line.remove(line.indexOf("--" + option), 2);
        for (const Swap& swap : row.swaps) {
            const QString file = path("in/" + (swap.name.isEmpty() ? swap.option : swap.name));
            QVERIFY(QFile::remove(file) || !QFile::exists(file));
            QVERIFY(swap.bytes.isNull() || testfiles::write(file, swap.bytes));
            line[line.indexOf("--" + swap.option) + 1] = file;
        }
        for (const QString& word : row.added)
            line << QString(word).replace('@', m_dir.path() + '/');
        const ToolRun run = runTool(QUILLMARK_CLI, line);
        QCOMPARE(run.exitCode, row.exitCode);
        const QString said = QString(row.said).replace('@', m_dir.path() + '/');
        if (row.exitCode != 0) {
            const QString help =
                row.exitCode == 2 ? "Try 'quillmark-cli report --help' for more information.\n" : "";
            QCOMPARE(run.err, "quillmark-cli: " + said + "\n" + help);
            QCOMPARE(run.out, QString());
            QCOMPARE(testfiles::filesIn(path(out)), QStringList());
            return;
        }
        QVERIFY2(run.out.contains(said), qPrintable(run.out));
        const QString html = QString::fromUtf8(testfiles::read(path(out + "/r.html")));
        QVERIFY(html.contains(QString(row.onPage).replace('@', (m_dir.path() + '/').toHtmlEscaped())));
        for (const Swap& swap : row.swaps)
            QVERIFY(swap.name == swap.name.toHtmlEscaped() || !html.contains(swap.name));
        QCOMPARE(facts(path(out + "/r.json"))["recordsNotDrawn"].toInt(), row.notDrawn);
    }

    // The page as a browser shows it: every picture decodes, the page logs
    // nothing (its policy refusing a fetch would be logged), the overview's
    // link leads to its region, and a click on a picture shows it enlarged,
    // where the browser's own decoding gives the colours of its marks.
    void pageInChromium()
    {
        const QString chromium = QStandardPaths::findExecutable("chromium");
        if (chromium.isEmpty())
            QSKIP("chromium is not installed (Debian's chromium package; tools/setup.sh installs it): "
                  "the page is not checked in a browser");
        ReportJob reportJob = job("browser/report");
        reportJob.outline = true;
        QVERIFY(QDir().mkpath(path("browser")));
        SilentProgress silent;
        QVERIFY(writeReport(reportJob, silent).succeeded());

        const std::vector<PagePicture> pictures =
            picturesOf(QString::fromUtf8(testfiles::read(reportJob.html)));
        QVERIFY(QFile::copy(QFINDTESTDATA("pagecheck.html"), path("browser/check.html")));
        const ToolRun run =
            runChromium(chromium, {"--dump-dom", QUrl::fromLocalFile(path("browser/check.html")).toString()});
        if (run.exitCode != 0 && run.out.isEmpty())
            QSKIP(qPrintable("chromium could not run here: " + run.err.left(400)));
        const QRegularExpressionMatch found =
            QRegularExpression("<pre id=\"result\">(.*)</pre>").match(run.out);
        QVERIFY2(found.hasMatch(), qPrintable(run.out.left(400)));
        const QJsonObject result = QJsonDocument::fromJson(found.captured(1).toUtf8()).object();
        QCOMPARE(result["pictures"].toInt(), 7);  // the overview, two regions' three pictures
        QCOMPARE(result["broken"].toArray(), QJsonArray());
        for (const QString& line : run.err.split('\n'))
            QVERIFY2(!line.contains(":CONSOLE"), qPrintable(line));
        // The overview's link, then the click on region 1's change view.
        const PagePicture& changes = *find(pictures, {1, "changes", {0, 0}, {2, 2}, 0});
        const int zoom = qBound(2, 1536 / changes.image.width(), 8);
        QCOMPARE(result["regionTarget"].toString(), QStringLiteral("region-1"));
        QCOMPARE(result["zoomTarget"].toString(), QStringLiteral("region-1-changes"));
        QCOMPARE(result["zoomPosition"].toString(), QStringLiteral("fixed"));
        QCOMPARE(result["zoomWidth"].toDouble(), double(changes.image.width() * zoom));

        // The zoomed state as the browser paints it: the replaced tiles'
        // marks, each pixel `zoom` times larger.
        const ToolRun shot =
            runChromium(chromium, {"--window-size=1280,900", "--screenshot=" + path("browser/zoom.png"),
                                   QUrl::fromLocalFile(reportJob.html).toString() + "#region-1-changes"});
        const QImage screen(path("browser/zoom.png"));
        QVERIFY2(!screen.isNull(), qPrintable(shot.err.left(400)));
        const qint64 replaced = pixelsOf(screen, changemarks::TileReplaced);
        const qint64 expected = pixelsOf(changes.image, changemarks::TileReplaced) * zoom * zoom;
        QVERIFY2(qAbs(replaced - expected) < expected / 8, qPrintable(QString::number(replaced)));
    }

private:
    static ToolRun runChromium(const QString& chromium, const QStringList& arguments)
    {
        QTemporaryDir profile;
        return runTool(chromium,
                       QStringList{"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                                   "--no-first-run", "--disable-background-networking",
                                   "--disable-component-update", "--disable-sync", "--hide-scrollbars",
                                   "--user-data-dir=" + profile.path(), "--allow-file-access-from-files",
                                   "--enable-logging=stderr", "--v=0", "--virtual-time-budget=10000"}
                           + arguments,
                       120000);
    }
};

QTEST_GUILESS_MAIN(ReportTest)
#include "tst_report.moc"
