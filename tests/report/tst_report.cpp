// The review report on a hand-made facet (reportfacet.h): the facts it finds
// (changed cells, statics as multisets, records that change nothing, regions
// by gap), its lists, the colours of its pictures with and without radar
// colours, the failures of damaged input with their exact messages and
// nothing written, its usage errors, and the page in headless Chromium.

#include "reportfacet.h"
#include "testfiles.h"
#include "toolrun.h"

#include "containerbuilder.h"
#include "palette.h"
#include "reportjob.h"

#include <QtTest>

#include <vector>

using namespace quillmark;
using namespace reportfacet;

namespace {

struct ExpectedRegion
{
    int x, y, width, height, blocks, landCells, added, removed;
};

// A pixel of a region's picture: the middle of a tile, or its top-left corner.
struct Probe
{
    int region;
    const char* side;
    int tileX, tileY;
    bool corner;
    QRgb colour;
};

// A picture of the page with where it lies in the world.
struct Picture
{
    int region = 0;
    QString side;
    int x = 0, y = 0, pixelsPerTile = 1;
    QImage image;

    QPoint pixel(const Probe& probe) const
    {
        const int inset = probe.corner ? 0 : pixelsPerTile / 2;
        return {(probe.tileX - x) * pixelsPerTile + inset, (probe.tileY - y) * pixelsPerTile + inset};
    }
};

std::vector<Picture> picturesOf(const QString& html)
{
    static const QRegularExpression tag(
        "<img class=\"picture\" data-side=\"(\\w+)\" data-region=\"(\\d+)\" data-x=\"(\\d+)\" "
        "data-y=\"(\\d+)\" data-pixels-per-tile=\"(\\d+)\" data-tiles-per-pixel=\"1\"[^>]* "
        "src=\"data:image/png;base64,([^\"]+)\"");
    std::vector<Picture> pictures;
    for (const QRegularExpressionMatch& m : tag.globalMatch(html))
        pictures.push_back({m.captured(2).toInt(), m.captured(1), m.captured(3).toInt(),
                            m.captured(4).toInt(), m.captured(5).toInt(),
                            QImage::fromData(QByteArray::fromBase64(m.captured(6).toLatin1()), "PNG")});
    return pictures;
}

QString hexColour(QRgb colour)
{
    return QStringLiteral("#%1").arg(colour & 0xffffff, 6, 16, QLatin1Char('0'));
}

}  // namespace

Q_DECLARE_METATYPE(std::vector<ExpectedRegion>)
Q_DECLARE_METATYPE(std::vector<Probe>)

class ReportTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    ReportJob job(const QString& out, int gap = 1) const
    {
        ReportJob job;
        job.sources = {path("map.mul"),     path("mapdifl.mul"), path("mapdif.mul"),  path("staidx.mul"),
                       path("statics.mul"), path("stadifl.mul"), path("stadifi.mul"), path("stadif.mul")};
        job.heightBlocks = Height;
        job.gap = gap;
        job.html = path(out + ".html");
        job.json = path(out + ".json");
        return job;
    }

    // The command line of the same report, every file named.
    QStringList arguments(const QString& out) const
    {
        QStringList line{"report", "--facet", "0", "--height", QString::number(Height)};
        for (const char* file : {"map", "mapdifl", "mapdif", "stadifl", "stadifi", "stadif"})
            line << QStringLiteral("--%1").arg(file) << path(QStringLiteral("%1.mul").arg(file));
        line << "--index" << path("staidx.mul") << "--data" << path("statics.mul");
        return line << "--html" << path(out + "/r.html") << "--json" << path(out + "/r.json");
    }

    // The probes of region 1 (block 9 and its margin), the colours as `palette` gives them.
    static std::vector<Probe> probes(const Palette& palette, bool outline)
    {
        const QRgb grass = palette.land({Grass, 0});
        const QRgb water = palette.land({Water, -5});
        std::vector<Probe> list{
            {1, "before", 10, 11, false, grass},
            {1, "after", 10, 11, false, water},
            {1, "before", 12, 12, false, palette.item(ItemA.id)},
            {1, "after", 12, 12, false, palette.item(ItemE.id)},
            {1, "after", 13, 13, false, palette.item(ItemB.id)},
            {1, "before", 0, 0, false, grass},  // in the margin, outside the facet's changed blocks
        };
        if (outline) {
            list.push_back({1, "before", 10, 11, true, Palette::Outline});
            list.push_back({1, "after", 12, 12, true, Palette::Outline});
            list.push_back({1, "after", 13, 13, true, QColor(palette.item(ItemB.id)).darker(170).rgb()});
        }
        return list;
    }

private slots:
    void initTestCase() { QVERIFY(writeFacet(QDir(m_dir.path()))); }

    void factsByGap_data()
    {
        QTest::addColumn<int>("gap");
        QTest::addColumn<std::vector<ExpectedRegion>>("regions");
        // Blocks 9 (1, 1) and 54 (6, 6): 4 blocks between them. Equal in blocks and size, left first.
        const ExpectedRegion block9{8, 8, 8, 8, 1, 1, 1, 1};
        const ExpectedRegion block54{48, 48, 8, 8, 1, 64, 0, 0};
        QTest::newRow("touching only") << 0 << std::vector<ExpectedRegion>{block9, block54};
        QTest::newRow("default gap") << 1 << std::vector<ExpectedRegion>{block9, block54};
        QTest::newRow("gap of 4 joins them") << 4 << std::vector<ExpectedRegion>{{8, 8, 48, 48, 2, 65, 1, 1}};
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

        const QJsonObject facts =
            QJsonDocument::fromJson(testfiles::read(path(QStringLiteral("gap%1.json").arg(gap)))).object();
        QCOMPARE(facts.keys(),
                 QStringList({"facet", "heightBlocks", "noOpRecords", "regions", "widthBlocks"}));
        QCOMPARE(facts["widthBlocks"].toInt(), Height);
        QCOMPARE(facts["heightBlocks"].toInt(), Height);
        // Header only, a new order, a repeat, a block outside the map.
        QCOMPARE(facts["noOpRecords"].toInt(), 4);
        const QJsonArray found = facts["regions"].toArray();
        QCOMPARE(found.size(), qsizetype(regions.size()));
        for (qsizetype r = 0; r < found.size(); ++r) {
            const QJsonObject region = found[r].toObject();
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
        const QJsonObject first = found[0].toObject();
        QCOMPARE(first["landCells"].toArray().first().toObject(), QJsonObject({{"x", 10},
                                                                               {"y", 11},
                                                                               {"tileBefore", Grass},
                                                                               {"tileAfter", Water},
                                                                               {"zBefore", 0},
                                                                               {"zAfter", -5}}));
        QCOMPARE(first["staticsAdded"].toArray(),
                 QJsonArray({QJsonObject({{"id", ItemE.id}, {"x", 12}, {"y", 12}, {"z", 2}, {"hue", 7}})}));
        QCOMPARE(first["staticsRemoved"].toArray(),
                 QJsonArray({QJsonObject({{"id", ItemA.id}, {"x", 12}, {"y", 12}, {"z", 0}, {"hue", 0}})}));
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

    void pageListsCappedAndNoOpsNamed()
    {
        SilentProgress silent;
        QVERIFY(writeReport(job("page"), silent).succeeded());
        const QString html = QString::fromUtf8(testfiles::read(path("page.html")));
        // Block 54's 64 cells: 20 listed, the rest counted; the JSON holds all (above).
        QVERIFY(html.contains(QStringLiteral("… and 44 more")));
        for (const char* row :
             {"<td class=\"text\">map</td><td>1</td><td>18</td><td class=\"text\">the same cells",
              "<td class=\"text\">map</td><td>2</td><td>9</td><td class=\"text\">an earlier record",
              "<td class=\"text\">map</td><td>3</td><td>500</td><td class=\"text\">the block lies "
              "outside",
              "<td class=\"text\">statics</td><td>1</td><td>27</td><td class=\"text\">the same "
              "statics"})
            QVERIFY2(html.contains(QLatin1String(row)), row);
        // Nothing but the page's own data.
        QVERIFY(!html.contains(QLatin1String("src=\"http")) && !html.contains(QLatin1String("<script")));
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

        // The radar colours by their own rule, beside the built-in palette's meaning.
        if (radar) {
            const Palette fromFile(std::vector<quint16>{0x7c00, 0x001f, 0x03e0, 0x4210});
            QCOMPARE(hexColour(fromFile.land({0, 0})), QStringLiteral("#ff0000"));
            QCOMPARE(hexColour(fromFile.land({1, 0})), QStringLiteral("#0000ff"));
            QCOMPARE(hexColour(fromFile.land({3, 0})), QStringLiteral("#848484"));
        } else {
            const QRgb water = Palette::builtinLand({Water, -5});
            QVERIFY(qBlue(water) > qRed(water) + 60 && qBlue(water) > qGreen(water) + 40);
            QVERIFY(Palette::builtinLand({Grass, 0}) != Palette::builtinLand({Grass, 40}));
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
        const std::vector<Picture> pictures = picturesOf(QString::fromUtf8(testfiles::read(reportJob.html)));
        QCOMPARE(pictures.size(), size_t(4));
        for (const Probe& probe : probes(palette, outline)) {
            const auto picture = std::find_if(pictures.begin(), pictures.end(), [&probe](const Picture& p) {
                return p.region == probe.region && p.side == QLatin1String(probe.side);
            });
            QVERIFY(picture != pictures.end() && !picture->image.isNull());
            const QPoint at = picture->pixel(probe);
            QCOMPARE(hexColour(picture->image.pixel(at)), hexColour(probe.colour));
        }
    }

    void damagedInputWritesNothing_data()
    {
        QTest::addColumn<QString>("option");    // the file replaced
        QTest::addColumn<QByteArray>("bytes");  // its new content; null: no such file
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("reason");
        const QByteArray missing;
        const QString noFile = openFailureReason(path("no-such-file"));
        QTest::newRow("no map") << "map" << missing << "Unable to open map file" << noFile;
        QTest::newRow("no map locator") << "mapdifl" << missing << "Unable to open dif files" << noFile;
        QTest::newRow("no statics data") << "data" << missing << "Unable to open static files" << noFile;
        QTest::newRow("no statics difference index")
            << "stadifi" << missing << "Unable to open dif files" << noFile;
        QTest::newRow("no radar colours")
            << "radar-colours" << missing << "Unable to open radar colour file" << noFile;
        QTest::newRow("damaged container")
            << "map" << containerbuilder::emptyContainer() << "Unable to open map file"
            << "it holds no chunk 0 of any map";
        QTest::newRow("map record past its data")
            << "mapdif" << mapBlock(1) << "Dif files are damaged at block 18"
            << "It holds 1 records, the locator names record 1";
        QByteArray index = testfiles::read(path("staidx.mul"));
        index.replace(9 * 12, 12, testfiles::int32s({100, 14, 0}));
        QTest::newRow("reference entry past its data")
            << "index" << index << "Reference statics are damaged at block 9"
            << "An entry names 14 bytes at 100, its data file has 28";
        QTest::newRow("partial statics entry")
            << "stadifi" << testfiles::int32s({0, 10, 0, 14, 14, 0}) << "Dif files are damaged at block 9"
            << "An entry names 10 bytes, not a whole number of 7-byte statics";
        QTest::newRow("no output folder") << "html" << missing << "Unable to create report file"
                                          << "No such directory";
    }

    void damagedInputWritesNothing()
    {
        QFETCH(QString, option);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        QFETCH(QString, reason);
        const QString out = QStringLiteral("out-%1").arg(QTest::currentDataTag()).replace(' ', '-');
        QVERIFY(QDir().mkpath(path(out)));
        QStringList line = arguments(out) << "--radar-colours" << path("radarcol.mul");
        const QString damaged = option == "html" ? path("nowhere/r.html") : path(out + "/damaged");
        if (!bytes.isNull())
            QVERIFY(testfiles::write(damaged, bytes));
        line[line.indexOf("--" + option) + 1] = damaged;

        const ToolRun run = runTool(QUILLMARK_CLI, line);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, QString());
        const QString expected = QStringLiteral("quillmark-cli: %1: %2: ").arg(message, damaged);
        QCOMPARE(run.err, expected + reason + '\n');
        QCOMPARE(testfiles::filesIn(path(out)), bytes.isNull() ? QStringList() : QStringList{"damaged"});
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
    // nothing (its policy refusing a fetch would be logged), and the
    // browser's own decoding gives the colours of the cells.
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
        const std::vector<Picture> pictures = picturesOf(QString::fromUtf8(testfiles::read(reportJob.html)));
        QJsonArray points;
        for (const Probe& probe : list) {
            const Picture& picture = pictures[probe.side == QLatin1String("before") ? 0 : 1];
            const QPoint at = picture.pixel(probe);
            points.append(
                QJsonObject{{"region", probe.region}, {"side", probe.side}, {"x", at.x()}, {"y", at.y()}});
        }
        const QString checker =
            QString::fromUtf8(testfiles::read(QFINDTESTDATA("pagecheck.html")))
                .replace("POINTS", QString::fromUtf8(QJsonDocument(points).toJson(QJsonDocument::Compact)));
        QVERIFY(testfiles::write(path("browser/check.html"), checker.toUtf8()));
        QTemporaryDir profile;
        const ToolRun run =
            runTool(chromium,
                    {"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--user-data-dir=" + profile.path(), "--allow-file-access-from-files",
                     "--enable-logging=stderr", "--v=0", "--virtual-time-budget=10000", "--dump-dom",
                     QUrl::fromLocalFile(path("browser/check.html")).toString()},
                    120000);
        if (run.exitCode != 0 && run.out.isEmpty())
            QSKIP(qPrintable("chromium could not run here: " + run.err.left(400)));
        const QRegularExpressionMatch found =
            QRegularExpression("<pre id=\"result\">(.*)</pre>").match(run.out);
        QVERIFY2(found.hasMatch(), qPrintable(run.out.left(400)));
        const QJsonObject result = QJsonDocument::fromJson(found.captured(1).toUtf8()).object();
        QCOMPARE(result["pictures"].toInt(), 5);  // the overview, two regions before and after
        QCOMPARE(result["broken"].toArray(), QJsonArray());
        for (const QString& line : run.err.split('\n'))
            QVERIFY2(!line.contains(":CONSOLE"), qPrintable(line));
        const QJsonArray colours = result["colours"].toArray();
        QCOMPARE(colours.size(), qsizetype(list.size()));
        for (size_t i = 0; i < list.size(); ++i)
            QCOMPARE(colours[qsizetype(i)].toString(), hexColour(list[i].colour));
    }
};

QTEST_GUILESS_MAIN(ReportTest)
#include "tst_report.moc"
