// The review report on a hand-made facet (reportfacet.h): the facts it finds
// (changed cells, statics as multisets, records that change nothing, regions
// by gap), the same facts from two whole facets, its lists, the colours of
// its before, after and change pictures and their rulers, with and without
// radar colours, damaged records listed rather than drawn, the failures of
// damaged or ill-fitting input with their exact messages and nothing
// written, names escaped in the page, a page held within its budget, its
// usage errors, and the page in headless Chromium: pixels, links and zoom.

#include "reportfacet.h"
#include "testfiles.h"
#include "toolrun.h"

#include "changemarks.h"
#include "containerbuilder.h"
#include "jobs.h"
#include "overview.h"
#include "pagebudget.h"
#include "palette.h"
#include "reportjob.h"
#include "rulers.h"

#include <QtTest>

#include <vector>

using namespace quillmark;
using namespace reportfacet;

namespace {

struct ExpectedRegion
{
    int x, y, width, height, blocks, landCells, added, removed;
};

// Where a probe reads a tile: its middle, its top-left pixel, a quarter of
// the way across at half height, or the top ruler's last row above it.
enum class Spot { Middle, Corner, LeftQuarter, TickRow };

// A pixel of a region's picture and the colour it must have.
struct Probe
{
    int region;
    const char* side;
    int tileX, tileY;
    Spot spot;
    QRgb colour;
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
        const QPoint tile(left + (probe.tileX - x) * n, top + (probe.tileY - y) * n);
        switch (probe.spot) {
        case Spot::Middle:
            return tile + QPoint(n / 2, n / 2);
        case Spot::Corner:
            return tile;
        case Spot::LeftQuarter:
            return tile + QPoint(n / 4, n / 2);
        case Spot::TickRow:
            return {tile.x(), top - 1};
        }
        return tile;
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

int distance(QRgb a, QRgb b)
{
    return qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b));
}

// Region 1 is block 9 and its margin: tiles 0 to 23 each way.
std::vector<Probe> probes(const Palette& palette, bool outline)
{
    using namespace changemarks;
    const QRgb grass = palette.land({Grass, 0});
    return {
        {1, "before", 10, 11, Spot::Middle, grass},
        {1, "after", 10, 11, Spot::Middle, palette.land({Water, -5})},
        {1, "before", 13, 9, Spot::Middle, grass},  // repainted at the same altitude
        {1, "after", 13, 9, Spot::Middle, palette.land({Road, 0})},
        {1, "before", 12, 12, Spot::Middle, palette.item(ItemA.id)},
        {1, "after", 12, 12, Spot::Middle, palette.item(ItemE.id)},
        {1, "after", 13, 13, Spot::Middle, palette.item(ItemB.id)},
        {1, "before", 0, 0, Spot::Middle, grass},  // in the margin
        // Before and after stay clean, outlined or not.
        {1, "before", 10, 11, Spot::Corner, grass},
        {1, "after", 12, 12, Spot::Corner, QColor(palette.item(ItemE.id)).darker(170).rgb()},
        // The change view: tile replaced and lowered by 5; repainted; raised by 1; an item swapped.
        {1, "changes", 10, 11, Spot::LeftQuarter, TileReplaced},
        {1, "changes", 10, 11, Spot::Middle, altitude(-5)},
        {1, "changes", 10, 11, Spot::Corner, outline ? Outline : TileReplaced},
        {1, "changes", 13, 9, Spot::Middle, TileReplaced},
        {1, "changes", 9, 14, Spot::Middle, altitude(1)},
        {1, "changes", 12, 12, Spot::LeftQuarter, StaticsAdded},
        {1, "changes", 12, 12, Spot::Middle, StaticsRemoved},
        {1, "changes", 0, 0, Spot::Middle, background(grass)},
        // A tick at every 8th tile, none between.
        {1, "before", 16, 0, Spot::TickRow, rulers::Ink},
        {1, "changes", 17, 0, Spot::TickRow, rulers::Background},
    };
}

}  // namespace

// A block that does not fit the patch: of the map ("map") or the statics.
struct Conflict
{
    const char* files;
    qint64 block;
};

// A base that a patch with manifests is reviewed on, and what the report says of it.
struct BaseRow
{
    const char* base;              // the folder of its map.mul, staidx.mul and statics.mul
    const char* patch;             // the folder of the difference files
    QString mapCase, staticsCase;  // in the facts; none for a report that fails
    QString line;                  // the end of the command's line, or its whole error
    std::vector<Conflict> conflicts;
};

Q_DECLARE_METATYPE(std::vector<ExpectedRegion>)
Q_DECLARE_METATYPE(BaseRow)

class ReportTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    ReportJob job(const QString& out, int gap = 1) const
    {
        ReportJob job;
        job.sources.map = path("map.mul");
        job.sources.mapDifLocator = path("mapdifl.mul");
        job.sources.mapDifData = path("mapdif.mul");
        job.sources.staticsIndex = path("staidx.mul");
        job.sources.staticsData = path("statics.mul");
        job.sources.staticsDifLocator = path("stadifl.mul");
        job.sources.staticsDifIndex = path("stadifi.mul");
        job.sources.staticsDifData = path("stadif.mul");
        job.heightBlocks = Height;
        job.gap = gap;
        job.html = path(out + ".html");
        job.json = path(out + ".json");
        return job;
    }

    // The command line of the same report, every file named, or of the
    // reference against itself as two whole facets.
    QStringList arguments(const QString& out, bool facets = false) const
    {
        QStringList line{"report", "--facet", "0", "--height", QString::number(Height)};
        if (facets) {
            line << "--reference-map" << path("map.mul") << "--current-map" << path("map.mul")
                 << "--reference-index" << path("staidx.mul") << "--reference-data" << path("statics.mul")
                 << "--current-index" << path("staidx.mul") << "--current-data" << path("statics.mul");
        } else {
            for (const char* file : {"map", "mapdifl", "mapdif", "stadifl", "stadifi", "stadif"})
                line << QStringLiteral("--%1").arg(file) << path(QStringLiteral("%1.mul").arg(file));
            line << "--index" << path("staidx.mul") << "--data" << path("statics.mul");
        }
        return line << "--html" << path(out + "/r.html") << "--json" << path(out + "/r.json");
    }

    QJsonObject facts(const QString& json) const
    {
        return QJsonDocument::fromJson(testfiles::read(json)).object();
    }

    // Bases for the patch of patch/: the one it was made for with another
    // block changed, and with a block it replaces changed (map block 9's
    // first cell, statics block 27 holding one of its two items); the
    // patch without its manifests, and with a difference file changed.
    bool writeBases() const
    {
        const QByteArray map = testfiles::read(path("map.mul")), index = testfiles::read(path("staidx.mul")),
                         statics = testfiles::read(path("statics.mul"));
        const auto edited = [](QByteArray bytes, qint64 at, const QByteArray& with) {
            return bytes.replace(at, with.size(), with);
        };
        QByteArray cell(3, '\0');
        qToLittleEndian(Road, cell.data());
        cell[2] = 3;
        const struct
        {
            const char* name;
            QByteArray map, index, statics;
        } bases[] = {
            {"applied", testfiles::read(path("current/map0.mul")),
             testfiles::read(path("current/staidx0.mul")), testfiles::read(path("current/statics0.mul"))},
            {"fits", edited(map, 40 * 196 + 4, cell),
             edited(index, 41 * 12, testfiles::int32s({qint32(statics.size()), 7, 0})),
             statics + items({ItemD})},
            {"conflict", edited(map, 9 * 196 + 4, cell), edited(index, 27 * 12 + 4, testfiles::int32s({7})),
             statics},
        };
        bool written = true;
        for (const auto& base : bases) {
            const QString dir = path(QStringLiteral("bases/") + base.name);
            written = written && QDir().mkpath(dir) && testfiles::write(dir + "/map.mul", base.map)
                      && testfiles::write(dir + "/staidx.mul", base.index)
                      && testfiles::write(dir + "/statics.mul", base.statics);
        }
        written = written && QDir().mkpath(path("bare")) && QDir().mkpath(path("tampered"));
        for (const char* name : {"mapdifl0.mul", "mapdif0.mul", "stadifl0.mul", "stadifi0.mul", "stadif0.mul",
                                 "mapdif0.manifest.json", "stadif0.manifest.json"}) {
            written = written && QFile::copy(path("patch/") + name, path("tampered/") + name)
                      && (QString(name).endsWith(".json")
                          || QFile::copy(path("patch/") + name, path("bare/") + name));
        }
        const QByteArray difs = testfiles::read(path("patch/mapdif0.mul"));
        return written
               && testfiles::write(path("tampered/mapdif0.mul"), edited(difs, difs.size() - 1, "\x7f"));
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
    // patch generated from the two, with its manifests (patch/).
    void initTestCase()
    {
        QVERIFY(writeFacet(QDir(m_dir.path())));
        QVERIFY(QDir().mkpath(path("current")) && QDir().mkpath(path("patch")));
        SilentProgress silent;
        QVERIFY(combineMapDiff({path("map.mul"), path("mapdif.mul"), path("mapdifl.mul"), path("current"), 0},
                               silent)
                    .succeeded());
        QVERIFY(combineStaticsDiff({path("staidx.mul"), path("statics.mul"), path("stadif.mul"),
                                    path("stadifi.mul"), path("stadifl.mul"), path("current"), 0},
                                   silent)
                    .succeeded());
        QVERIFY(generateMapDiff({path("map.mul"), path("current/map0.mul"), path("patch"), 0}, silent)
                    .succeeded());
        QVERIFY(generateStaticsDiff({path("staidx.mul"), path("statics.mul"), path("current/staidx0.mul"),
                                     path("current/statics0.mul"), path("patch"), 0},
                                    silent)
                    .succeeded());
        QVERIFY(writeBases());
    }

    void factsByGap_data()
    {
        QTest::addColumn<int>("gap");
        QTest::addColumn<std::vector<ExpectedRegion>>("regions");
        // Blocks 9 (1, 1) and 54 (6, 6): 4 blocks between them. Equal in blocks and size, left first.
        const ExpectedRegion block9{8, 8, 8, 8, 1, 3, 1, 1};
        const ExpectedRegion block54{48, 48, 8, 8, 1, 64, 0, 0};
        QTest::newRow("touching only") << 0 << std::vector<ExpectedRegion>{block9, block54};
        QTest::newRow("default gap") << 1 << std::vector<ExpectedRegion>{block9, block54};
        QTest::newRow("gap of 4 joins them") << 4 << std::vector<ExpectedRegion>{{8, 8, 48, 48, 2, 67, 1, 1}};
    }

    void factsByGap()
    {
        QFETCH(int, gap);
        QFETCH(std::vector<ExpectedRegion>, regions);
        SilentProgress silent;
        const JobOutcome outcome = writeReport(job(QStringLiteral("gap%1").arg(gap), gap), silent);
        QVERIFY2(outcome.succeeded(), qPrintable(outcome.message()));
        QCOMPARE(outcome.result().blocks, Blocks);
        QCOMPARE(outcome.result().records, 2);

        const QJsonObject found = facts(path(QStringLiteral("gap%1.json").arg(gap)));
        QCOMPARE(found.keys(), QStringList({"facet", "heightBlocks", "mapBase", "noOpRecords",
                                            "recordsNotDrawn", "regions", "staticsBase", "widthBlocks"}));
        // Locators named otherwise than a set's have no manifest.
        QCOMPARE(found["mapBase"]["case"].toString(), QStringLiteral("notChecked"));
        QVERIFY(found["staticsBase"]["manifest"].isNull());
        QCOMPARE(found["widthBlocks"].toInt(), Height);
        QCOMPARE(found["heightBlocks"].toInt(), Height);
        // Header only, a new order, a repeat, a block outside the map.
        QCOMPARE(found["noOpRecords"].toInt(), 4);
        QCOMPARE(found["recordsNotDrawn"].toInt(), 0);
        const QJsonArray list = found["regions"].toArray();
        QCOMPARE(list.size(), qsizetype(regions.size()));
        for (qsizetype r = 0; r < list.size(); ++r) {
            const QJsonObject region = list[r].toObject();
            const ExpectedRegion& expected = regions[size_t(r)];
            QCOMPARE(region["x"].toInt(), expected.x);
            QCOMPARE(region["y"].toInt(), expected.y);
            QCOMPARE(region["width"].toInt(), expected.width);
            QCOMPARE(region["height"].toInt(), expected.height);
            QCOMPARE(region["blocks"].toInt(), expected.blocks);
            QCOMPARE(region["landCells"].toArray().size(), expected.landCells);
            QCOMPARE(region["staticsAdded"].toArray().size(), expected.added);
            QCOMPARE(region["staticsRemoved"].toArray().size(), expected.removed);
        }
        // Block 9's changes, in world tiles, whichever region holds them.
        const QJsonObject first = list[0].toObject();
        QVERIFY(first["landCells"].toArray().contains(QJsonObject({{"x", 10},
                                                                   {"y", 11},
                                                                   {"tileBefore", Grass},
                                                                   {"tileAfter", Water},
                                                                   {"zBefore", 0},
                                                                   {"zAfter", -5}})));
        QCOMPARE(first["staticsAdded"].toArray(),
                 QJsonArray({QJsonObject({{"id", ItemE.id}, {"x", 12}, {"y", 12}, {"z", 2}, {"hue", 7}})}));
        QCOMPARE(first["staticsRemoved"].toArray(),
                 QJsonArray({QJsonObject({{"id", ItemA.id}, {"x", 12}, {"y", 12}, {"z", 0}, {"hue", 0}})}));
    }

    // The facet the difference files make, against the reference as two
    // whole facets: the same regions and changes, and no records.
    void twoWholeFacets()
    {
        SilentProgress silent;
        QVERIFY(writeReport(job("difs"), silent).succeeded());
        ReportJob facets = job("facets");
        facets.sources = ReportSources();
        facets.sources.map = path("map.mul");
        facets.sources.currentMap = path("current/map0.mul");
        facets.sources.staticsIndex = path("staidx.mul");
        facets.sources.staticsData = path("statics.mul");
        facets.sources.currentStaticsIndex = path("current/staidx0.mul");
        facets.sources.currentStaticsData = path("current/statics0.mul");
        QVERIFY(writeReport(facets, silent).succeeded());
        const QJsonObject fromDifs = facts(path("difs.json")), fromFacets = facts(path("facets.json"));
        QCOMPARE(fromFacets["regions"], fromDifs["regions"]);
        QCOMPARE(fromFacets["noOpRecords"].toInt(), 0);
        QVERIFY(!fromFacets.contains("mapBase") && !fromFacets.contains("staticsBase"));
        const QString html = QString::fromUtf8(testfiles::read(facets.html));
        QVERIFY(html.contains("<th>Current map</th><td class=\"text\">"
                              + path("current/map0.mul").toHtmlEscaped()));
        checkProbes(html, probes(Palette(), false));
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

    void pageListsLinksAndNoOps()
    {
        SilentProgress silent;
        QVERIFY(writeReport(job("page"), silent).succeeded());
        const QString html = QString::fromUtf8(testfiles::read(path("page.html")));
        // Block 54's 64 cells: 20 listed, the rest counted; the JSON holds all (above).
        QVERIFY(html.contains(QStringLiteral("… and 44 more")));
        for (const char* text :
             {"<td class=\"text\">map</td><td>1</td><td>18</td><td class=\"text\">the same cells",
              "<td class=\"text\">map</td><td>2</td><td>9</td><td class=\"text\">an earlier record",
              "<td class=\"text\">map</td><td>3</td><td>500</td><td class=\"text\">the block lies outside",
              "<td class=\"text\">statics</td><td>1</td><td>27</td><td class=\"text\">the same statics",
              // Counts in the right number.
              "1 changed block, 3 land cells changed, 1 static added, 1 static removed",
              // Every region drawn has its contents entry, its section, a way back and its zoom.
              "<li value=\"2\"><a href=\"#region-2\">Region 2</a>", "<section id=\"region-2\">",
              "<a href=\"#overview\">Overview</a> · <a href=\"#contents\">Contents</a>",
              "<figure id=\"region-2-changes\"><figcaption>Changes</figcaption><a "
              "href=\"#region-2-changes\">",
              "href=\"#region-1\" alt=\"Region 1\">", "12 pixels per tile"})
            QVERIFY2(html.contains(QString::fromUtf8(text)), text);
        // Nothing but the page's own data, and no script.
        QVERIFY(!html.contains(QLatin1String("src=\"http")) && !html.contains(QLatin1String("<script")));
    }

    void baseCases_data()
    {
        QTest::addColumn<BaseRow>("row");
        const QString exact = "base exact: it is the patch's reference";
        const QString applied = "base already patched: it is the patch's result";
        const QString fits = "base fits: 1 other block differs from the patch's reference";
        const auto noManifest = [this](const char* set) {
            return QStringLiteral("base not checked: no manifest ")
                   + path(QStringLiteral("bare/%1.manifest.json").arg(set));
        };
        QTest::newRow("exact") << BaseRow{
            ".", "patch", "exact", "exact", "; map " + exact + "; statics " + exact, {}};
        QTest::newRow("already applied") << BaseRow{"bases/applied",
                                                    "patch",
                                                    "alreadyApplied",
                                                    "alreadyApplied",
                                                    "; map " + applied + "; statics " + applied,
                                                    {}};
        QTest::newRow("fits") << BaseRow{
            "bases/fits", "patch", "fits", "fits", "; map " + fits + "; statics " + fits, {}};
        // Tiles in the grid of --height, not of the facet.
        QTest::newRow("conflict") << BaseRow{"bases/conflict",
                                             "patch",
                                             "conflict",
                                             "conflict",
                                             "; map base does not fit: 1 of the 2 blocks it replaces holds "
                                             "something else, at tile 8,8; statics base does not fit: 1 of "
                                             "the 2 blocks it replaces holds something else, at tile 24,24",
                                             {{"map", 9}, {"statics", 27}}};
        QTest::newRow("no manifest") << BaseRow{".",
                                                "bare",
                                                "notChecked",
                                                "notChecked",
                                                "; map " + noManifest("mapdif0") + "; statics "
                                                    + noManifest("stadif0"),
                                                {}};
        QTest::newRow("damaged patch")
            << BaseRow{".",
                       "tampered",
                       {},
                       {},
                       "quillmark-cli: Dif files do not match their manifest: " + path("tampered/mapdif0.mul")
                           + ": Its bytes are not those its manifest names\n",
                       {}};
    }

    // The case of the map and statics given, on the page, in the facts and
    // on the command's line in a combination's words; the blocks that do not
    // fit listed with their tiles and framed on the overview in their own
    // colour, and no such frame elsewhere.
    void baseCases()
    {
        QFETCH(BaseRow, row);
        const QString out = path(QStringLiteral("case-%1").arg(QTest::currentDataTag()).replace(' ', '-'));
        QVERIFY(QDir().mkpath(out));
        const QString base = path(row.base), patch = path(row.patch);
        QStringList line{"report",
                         "--facet",
                         "0",
                         "--height",
                         QString::number(Height),
                         "--map",
                         base + "/map.mul",
                         "--index",
                         base + "/staidx.mul",
                         "--data",
                         base + "/statics.mul"};
        for (const char* option : {"mapdifl", "mapdif", "stadifl", "stadifi", "stadif"})
            line << QStringLiteral("--%1").arg(option) << patch + QStringLiteral("/%1").arg(option) + "0.mul";
        const ToolRun run = runTool(QUILLMARK_CLI, line << "--html" << out + "/r.html"
                                                        << "--json" << out + "/r.json");
        if (row.mapCase.isEmpty()) {
            QCOMPARE(run.exitCode, 1);
            QCOMPARE(run.err, row.line);
            QCOMPARE(testfiles::filesIn(out), QStringList());
            return;
        }
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.endsWith(row.line + '\n'), qPrintable(run.out));
        const QJsonObject found = facts(out + "/r.json");
        const QString html = QString::fromUtf8(testfiles::read(out + "/r.html"));
        QJsonArray conflicts;
        for (const char* set : {"mapBase", "staticsBase"}) {
            const QJsonObject finding = found[set].toObject();
            QCOMPARE(finding["case"].toString(),
                     set == QLatin1String("mapBase") ? row.mapCase : row.staticsCase);
            QVERIFY(html.contains(QStringLiteral("<tr><th>%1 base</th><td class=\"text\">%2")
                                      .arg(set == QLatin1String("mapBase") ? "Map" : "Statics",
                                           finding["text"].toString().toHtmlEscaped())));
            for (const QJsonValue& conflict : finding["conflicts"].toArray())
                conflicts.append(conflict);
        }
        const QImage overview = overviewOf(html);
        QJsonArray expected;
        for (const Conflict& conflict : row.conflicts) {
            const qint64 x = conflict.block / Height * 8, y = conflict.block % Height * 8;
            expected.append(QJsonObject{{"block", conflict.block}, {"x", x}, {"y", y}});
            QVERIFY(html.contains(
                QStringLiteral("<tr><td class=\"text\">%1</td><td>%2</td><td>%3</td><td>%4</td>")
                    .arg(conflict.files)
                    .arg(conflict.block)
                    .arg(x)
                    .arg(y)));
            const QRect frame =
                Overview(Height, Height).conflictFrame(conflict.block / Height, conflict.block % Height);
            QCOMPARE(hexColour(overview.pixel(frame.left(), frame.center().y())),
                     hexColour(Overview::ConflictFrame));
        }
        QCOMPARE(conflicts, expected);
        if (row.conflicts.empty()) {
            QVERIFY(!html.contains("id=\"conflicts\""));
            for (int y = 0; y < overview.height(); ++y)
                for (int x = 0; x < overview.width(); ++x)
                    QVERIFY((overview.pixel(x, y) & 0xffffff) != (Overview::ConflictFrame & 0xffffff));
        }
    }

    void pictureColours_data()
    {
        QTest::addColumn<bool>("radar");
        QTest::addColumn<bool>("outline");
        QTest::newRow("built-in palette") << false << false;
        QTest::newRow("built-in palette, outlined") << false << true;
        QTest::newRow("radar colours") << true << false;
    }

    void pictureColours()
    {
        QFETCH(bool, radar);
        QFETCH(bool, outline);
        ReportJob reportJob = job(QStringLiteral("colours-%1-%2").arg(radar).arg(outline));
        reportJob.outline = outline;
        if (radar)
            reportJob.radarColours = path("radarcol.mul");
        SilentProgress silent;
        QVERIFY(writeReport(reportJob, silent).succeeded());

        // The radar colours by their own rule; the built-in palette tells a
        // repainted tile from the old one at the same altitude, and water apart.
        if (radar) {
            const Palette fromFile(std::vector<quint16>{0x7c00, 0x001f, 0x03e0, 0x4210});
            QCOMPARE(hexColour(fromFile.land({0, 0})), QStringLiteral("#ff0000"));
            QCOMPARE(hexColour(fromFile.land({1, 0})), QStringLiteral("#0000ff"));
            QCOMPARE(hexColour(fromFile.land({3, 0})), QStringLiteral("#848484"));
        } else {
            QVERIFY(distance(Palette::builtinLand({Grass, 0}), Palette::builtinLand({Road, 0})) >= 60);
            QVERIFY(distance(Palette::builtinLand({Grass, 0}), Palette::builtinLand({Grass + 1, 0})) >= 60);
            const QRgb water = Palette::builtinLand({Water, -5});
            QVERIFY(qBlue(water) > qRed(water) + 60 && qBlue(water) > qGreen(water) + 40);
        }
        std::vector<quint16> colours;
        const QByteArray file = radarColours();
        for (qsizetype i = 0; i + 1 < file.size(); i += 2)
            colours.push_back(qFromLittleEndian<quint16>(file.constData() + i));
        const Palette palette = radar ? Palette(colours) : Palette();
        if (radar) {
            QCOMPARE(hexColour(palette.land({Grass, 0})), QStringLiteral("#ff0000"));
            QCOMPARE(palette.item(ItemE.id), Palette::builtinItem(ItemE.id));  // past the file's end
        }
        checkProbes(QString::fromUtf8(testfiles::read(reportJob.html)), probes(palette, outline));
    }

    // Records whose bytes cannot all be drawn are listed with the reason,
    // whatever can be read of them is drawn, and no static leaves its block.
    void damagedRecordsListed_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("row");  // in the page's table of records it could not draw
        // Block 27's new statics: C, then one at x 200 of its block, then 3 bytes.
        const QByteArray outside = items({ItemC, {0x0fff, 200, 4, 0, 0}}) + "xyz";
        QByteArray index = testfiles::read(path("stadifi.mul"));
        index.replace(12, 12,
                      testfiles::int32s({qint32(items({ItemB, ItemE}).size()), qint32(outside.size()), 0}));
        const QByteArray newStatics = items({ItemB, ItemE}) + outside;
        QTest::newRow("partial map locator record")
            << "mapdifl.mul" << testfiles::int32s({9, 18, 9, 500, 54}) + "ab"
            << "<td class=\"text\">map locator</td><td>5</td><td>—</td><td class=\"text\">2 bytes after its "
               "last "
               "whole record of 4 bytes</td>";
        QTest::newRow("statics record, partial and outside its block")
            << "stadifi.mul,stadif.mul" << index + newStatics
            << "<td class=\"text\">statics</td><td>1</td><td>27</td><td class=\"text\">17 bytes, not a whole "
               "number of 7-byte statics; static 2 of 2 lies at x 200, y 4, outside its block</td>";
    }

    void damagedRecordsListed()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, row);
        const QString dir = path(QStringLiteral("damaged-%1").arg(QTest::currentDataTag()).replace(' ', '-'));
        QVERIFY(QDir().mkpath(dir));
        for (const char* name : {"map.mul", "mapdifl.mul", "mapdif.mul", "staidx.mul", "statics.mul",
                                 "stadifl.mul", "stadifi.mul", "stadif.mul"})
            QVERIFY(QFile::copy(path(name), dir + '/' + name));
        const QStringList files = file.split(',');
        QVERIFY(testfiles::write(dir + '/' + files[0], files.size() == 1 ? bytes : bytes.left(24))
                && (files.size() == 1 || testfiles::write(dir + '/' + files[1], bytes.mid(24))));
        QStringList line = arguments("x");
        for (QString& word : line)
            word.replace(m_dir.path(), dir);
        line[line.indexOf("--html") + 1] = dir + "/r.html";
        line[line.indexOf("--json") + 1] = dir + "/r.json";
        const ToolRun run = runTool(QUILLMARK_CLI, line);
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.contains("; 1 record could not be drawn; wrote "), qPrintable(run.out));
        const QString html = QString::fromUtf8(testfiles::read(dir + "/r.html"));
        QVERIFY2(html.contains(row), qPrintable(html.mid(html.indexOf("damaged-records"), 900)));
        const QJsonObject found = facts(dir + "/r.json");
        QCOMPARE(found["recordsNotDrawn"].toInt(), 1);
        // Every static reported lies in its region's blocks.
        for (const QJsonValue& region : found["regions"].toArray())
            for (const char* list : {"staticsAdded", "staticsRemoved"})
                for (const QJsonValue& item : region[list].toArray())
                    QVERIFY(item["x"].toInt() >= region["x"].toInt()
                            && item["x"].toInt() < region["x"].toInt() + region["width"].toInt());
    }

    // The same damaged record in all three commands: combine copies its
    // bytes as they are, inspect finds both faults, the report lists it.
    void damagedStaticsInEveryCommand()
    {
        const QString dir = path("damaged-statics-record,-partial-and-outside-its-block");
        QVERIFY(QFile::exists(dir + "/stadif.mul"));
        const auto cli = [&dir](QStringList words) {
            for (QString& word : words)
                word.replace('@', dir + '/');
            return runTool(QUILLMARK_CLI, words);
        };
        const ToolRun inspect = cli({"inspect", "statics", "--difl", "@stadifl.mul", "--difi", "@stadifi.mul",
                                     "--dif", "@stadif.mul", "--index", "@staidx.mul"});
        QCOMPARE(inspect.exitCode, 1);
        QVERIFY2(
            inspect.out.endsWith("  records that are not whole statics: 1\n"
                                 "    record 1 (block 27): 17 bytes, not a whole number of 7-byte statics\n"
                                 "  statics outside their block: 1\n"
                                 "    record 1 (block 27): static 2 at x 200, y 4\n"
                                 "verdict: 2 problems found\n"),
            qPrintable(inspect.out));
        const ToolRun combine = cli({"combine", "statics", "--index", "@staidx.mul", "--data", "@statics.mul",
                                     "--difl", "@stadifl.mul", "--difi", "@stadifi.mul", "--dif",
                                     "@stadif.mul", "--out", "@", "--facet", "0"});
        QCOMPARE(combine.exitCode, 0);
        const QByteArray data = testfiles::read(dir + "/stadif.mul");
        QVERIFY(testfiles::read(dir + "/statics0.mul").endsWith(data.mid(data.size() - 17)));
    }

    // Damage names the block it was found at, wherever the report finds it:
    // a statics entry past its data, a locator record past its difference data.
    void damageNamesItsBlock()
    {
        QByteArray index = testfiles::read(path("staidx.mul"));
        index.replace(9 * 12, 12, testfiles::int32s({100, 14, 0}));
        ReportJob entryPastData = job("entry-past-data");
        entryPastData.sources.staticsIndex = path("entry-past-data.staidx");
        ReportJob recordPastData = job("record-past-data");
        recordPastData.sources.mapDifData = path("record-past-data.mapdif");
        QVERIFY(testfiles::write(entryPastData.sources.staticsIndex, index)
                && testfiles::write(recordPastData.sources.mapDifData, mapBlock(1)));
        for (const auto& [damaged, block] : {std::pair{entryPastData, 9}, {recordPastData, 18}}) {
            SilentProgress silent;
            const JobOutcome outcome = writeReport(damaged, silent, CommitOptions());
            QCOMPARE(outcome.failure().kind(), Status::Kind::Damaged);
            QCOMPARE(outcome.failure().block(), qint64(block));
        }
    }

    void badInputWritesNothing_data()
    {
        QTest::addColumn<QString>("option");    // the file replaced
        QTest::addColumn<QByteArray>("bytes");  // its new content; null: no such file
        QTest::addColumn<int>("height");        // --height, 0: the facet's (512)
        QTest::addColumn<bool>("facets");       // two whole facets, the reference against itself
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("reason");
        const QByteArray missing;
        const QString noFile = openFailureReason(path("no-such-file"));
        const QByteArray map = testfiles::read(path("map.mul"));
        const auto row = [](const char* name, const QString& option, const QByteArray& bytes, int height,
                            bool facets, const QString& message, const QString& reason) {
            QTest::newRow(name) << option << bytes << height << facets << message << reason;
        };
        row("no map", "map", missing, Height, false, "Unable to open map file", noFile);
        row("no map locator", "mapdifl", missing, Height, false, "Unable to open dif files", noFile);
        row("no statics data", "data", missing, Height, false, "Unable to open static files", noFile);
        row("no statics difference index", "stadifi", missing, Height, false, "Unable to open dif files",
            noFile);
        row("no radar colours", "radar-colours", missing, Height, false, "Unable to open radar colour file",
            noFile);
        row("damaged container", "map", containerbuilder::emptyContainer(), Height, false,
            "Unable to open map file", "it holds no chunk 0 of any map");
        row("map record past its data", "mapdif", mapBlock(1), Height, false,
            "Dif files are damaged at block 18", "It holds 1 record, the locator names record 1");
        QByteArray index = testfiles::read(path("staidx.mul"));
        index.replace(9 * 12, 12, testfiles::int32s({100, 14, 0}));
        row("reference entry past its data", "index", index, Height, false,
            "Reference statics are damaged at block 9",
            "An entry names 14 bytes at 100, its data file has 28");
        row("no output folder", "html", missing, Height, false, "Unable to create report file",
            "No such directory");
        // Files that do not fit together.
        row("map not whole columns of the facet's height", "map", map, 0, false, "Unable to open map file",
            "It holds 64 blocks, not a whole number of columns of 512 blocks");
        row("map not whole columns of --height", "map", map, 7, false, "Unable to open map file",
            "It holds 64 blocks, not a whole number of columns of 7 blocks");
        row("statics index shorter than the map", "index", index.left(63 * 12), Height, false,
            "Unable to open static files", "It holds 63 blocks, the map 64 blocks");
        row("statics index longer than the map", "index", index + index.left(12), Height, false,
            "Unable to open static files", "It holds 65 blocks, the map 64 blocks");
        row("one byte of radar colours", "radar-colours", "\x01", Height, false,
            "Unable to open radar colour file", "It holds 1 byte, not a whole number of 2-byte colours");
        row("no radar colours in the file", "radar-colours", "", Height, false,
            "Unable to open radar colour file", "It holds no colours");
        row("current map of another size", "current-map", map.left(63 * 196), Height, true,
            "Map data files are different sizes", "");
        row("current statics index of another size", "current-index", index.left(63 * 12), Height, true,
            "Index files are different sizes", "");
        row("reference statics index not the map's", "reference-index", index.left(63 * 12), Height, true,
            "Unable to open reference or index data file", "It holds 63 blocks, the map 64 blocks");
    }

    void badInputWritesNothing()
    {
        QFETCH(QString, option);
        QFETCH(QByteArray, bytes);
        QFETCH(int, height);
        QFETCH(bool, facets);
        QFETCH(QString, message);
        QFETCH(QString, reason);
        const QString out = QStringLiteral("out-%1").arg(QTest::currentDataTag()).replace(' ', '-');
        QVERIFY(QDir().mkpath(path(out)));
        QStringList line = arguments(out, facets) << "--radar-colours" << path("radarcol.mul");
        if (height == 0)
            line.remove(line.indexOf("--height"), 2);
        else
            line[line.indexOf("--height") + 1] = QString::number(height);
        const QString damaged = option == "html" ? path("nowhere/r.html") : path(out + "/damaged");
        if (!bytes.isNull())
            QVERIFY(testfiles::write(damaged, bytes));
        line[line.indexOf("--" + option) + 1] = damaged;

        const ToolRun run = runTool(QUILLMARK_CLI, line);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, QString());
        if (reason.isEmpty())  // two sizes, said as the jobs say them
            QVERIFY2(run.err.startsWith("quillmark-cli: " + message + ": ") && run.err.contains(damaged),
                     qPrintable(run.err));
        else
            QCOMPARE(run.err, QStringLiteral("quillmark-cli: %1: %2: %3\n").arg(message, damaged, reason));
        QCOMPARE(testfiles::filesIn(path(out)), bytes.isNull() ? QStringList() : QStringList{"damaged"});
    }

    // Every name the page shows is text, not markup.
    void namesEscapedInThePage()
    {
#ifdef Q_OS_WIN
        const QString name = QStringLiteral("a&b 'q' map.mul");  // Windows allows no <, > or " in a name
        const QString shown = QStringLiteral("a&amp;b 'q' map.mul");
#else
        const QString name = QStringLiteral("a<b>&\"q' map.mul");
        const QString shown = QStringLiteral("a&lt;b&gt;&amp;&quot;q' map.mul");
#endif
        QVERIFY(QDir().mkpath(path("names")) && QFile::copy(path("map.mul"), path("names/" + name)));
        QStringList line = arguments("names");
        line[line.indexOf("--map") + 1] = path("names/" + name);
        QCOMPARE(runTool(QUILLMARK_CLI, line).exitCode, 0);
        const QString html = QString::fromUtf8(testfiles::read(path("names/r.html")));
        QVERIFY(html.contains("<th>Map</th><td class=\"text\">" + path("names/").toHtmlEscaped() + shown
                              + "</td>"));
        QVERIFY(!html.contains(name));
    }

    // However many regions, the page stays within its budget: the first
    // regions drawn, the rest listed (up to its limit) and framed, and the
    // page says so. Here every other block of every other column changes: a
    // region of one block each.
    void pageWithinItsBudget()
    {
        constexpr int Side = 152;  // 5776 regions, more than the page lists
        QByteArray map, locator, difs;
        for (int block = 0; block < Side * Side; ++block) {
            map += mapBlock(0);
            if ((block / Side) % 2 == 0 && (block % Side) % 2 == 0) {
                QByteArray changed = mapBlock(0);
                setCell(changed, block % 8, 3, Road, 4);
                locator += testfiles::int32s({block});
                difs += changed;
            }
        }
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

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("removed");  // options left out
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QString>("error");
        QTest::newRow("no difference files")
            << QStringList{"mapdifl", "mapdif", "index", "data", "stadifl", "stadifi", "stadif"}
            << QStringList()
            << "No difference files given: give --mapdifl and --mapdif, the statics files, or both.";
        QTest::newRow("half a map pair") << QStringList{"mapdif"} << QStringList()
                                         << "Missing option --mapdif: --mapdifl, --mapdif go together.";
        QTest::newRow("statics without their index")
            << QStringList{"index"} << QStringList()
            << "Missing option --index: --index, --data, --stadifl, --stadifi, --stadif go together.";
        QTest::newRow("no map") << QStringList{"map"} << QStringList()
                                << "Missing option --map (or --reference-map and --current-map).";
        QTest::newRow("difference files and two facets") << QStringList() << QStringList{"--current-map", "x"}
                                                         << "--reference-map and --current-map compare two "
                                                            "whole facets: give no --map or difference files "
                                                            "with them.";
        QTest::newRow("gap too wide")
            << QStringList() << QStringList{"--gap", "33"} << "--gap must be a whole number from 0 to 32.";
        QTest::newRow("no page") << QStringList{"html"} << QStringList() << "Missing option --html.";
        QTest::newRow("stray word") << QStringList() << QStringList{"map"} << "Unexpected argument 'map'.";
    }

    void usageErrors()
    {
        QFETCH(QStringList, removed);
        QFETCH(QStringList, added);
        QFETCH(QString, error);
        QStringList line = arguments("usage");
        for (const QString& option : removed)
            line.remove(line.indexOf("--" + option), 2);
        const ToolRun run = runTool(QUILLMARK_CLI, line + added);
        QCOMPARE(run.exitCode, 2);
        QCOMPARE(run.err, QStringLiteral("quillmark-cli: %1\nTry 'quillmark-cli report --help' for more "
                                         "information.\n")
                              .arg(error));
    }

    // The page as a browser shows it: every picture decodes, the page logs
    // nothing (its policy refusing a fetch would be logged), the browser's
    // own decoding gives the colours of the cells, the overview's link leads
    // to its region, and a click on a picture shows it enlarged.
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

        const std::vector<Probe> list = probes(Palette(), true);
        const std::vector<PagePicture> pictures =
            picturesOf(QString::fromUtf8(testfiles::read(reportJob.html)));
        QJsonArray points;
        for (const Probe& probe : list) {
            const QPoint at = find(pictures, probe)->pixel(probe);
            points.append(
                QJsonObject{{"region", probe.region}, {"side", probe.side}, {"x", at.x()}, {"y", at.y()}});
        }
        const QString checker =
            QString::fromUtf8(testfiles::read(QFINDTESTDATA("pagecheck.html")))
                .replace("POINTS", QString::fromUtf8(QJsonDocument(points).toJson(QJsonDocument::Compact)));
        QVERIFY(testfiles::write(path("browser/check.html"), checker.toUtf8()));
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
        const QJsonArray colours = result["colours"].toArray();
        QCOMPARE(colours.size(), qsizetype(list.size()));
        for (size_t i = 0; i < list.size(); ++i)
            QCOMPARE(colours[qsizetype(i)].toString(), hexColour(list[i].colour));
        // The overview's link, then the click on region 1's change view.
        const PagePicture& changes = *find(pictures, {1, "changes", 0, 0, Spot::Middle, 0});
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
        qint64 replaced = 0;
        for (int y = 0; y < screen.height(); ++y)
            for (int x = 0; x < screen.width(); ++x)
                replaced += (screen.pixel(x, y) & 0xffffff) == (changemarks::TileReplaced & 0xffffff);
        qint64 expected = 0;
        for (int y = 0; y < changes.image.height(); ++y)
            for (int x = 0; x < changes.image.width(); ++x)
                expected += (changes.image.pixel(x, y) & 0xffffff) == (changemarks::TileReplaced & 0xffffff);
        expected *= zoom * zoom;
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
