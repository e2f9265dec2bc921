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
// The facts a report finds, held against a small model on random patches of
// small facets whose records include ones that change nothing: the regions
// in order, with every land cell and static they list, the records that
// change nothing with their reasons, and the same regions from two whole
// facets. On the hand-made facet: one table of reports through the engine
// for the colours of its before, after and change pictures, with and without
// radar colours, and its lists and links; one table of command lines for its
// defaults, usage errors, the failures of missing, damaged or ill-fitting
// input with their exact messages and nothing written, damaged records listed
// rather than drawn, and names escaped in the page; the base cases of a patch
// with manifests, the blocks that do not fit framed in the pictures and
// listed with what the base and the patch hold; page and facts committed
// together; every region of a scattered patch drawn, on pages split within
// their budget; and the pages in headless Chromium: every picture decodes, a
// large rebuild drawn, links, and the zoom within the window, its marks and
// frames painted.

#include "jobrun.h"
#include "memoryfilesystem.h"
#include "reviewmodel.h"
#include "testfiles.h"
#include "toolrun.h"

#include "changemarks.h"
#include "jobs.h"
#include "overview.h"
#include "pagelimits.h"
#include "palette.h"
#include "reportjob.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTest>

#include <random>
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

constexpr int ScatteredWidth = 96;
constexpr int ScatteredHeight = 80;
constexpr int ScatteredRegions = 40;

// A facet of 96 x 80 blocks and a patch of its map: a rebuild of 72 x 64
// blocks, whose cells are raised by 1 or 5, lowered by 20 or given another
// tile in turn, and 40 blocks apart from it and from each other.
bool writeScatteredFacet(const QString& dir)
{
    QByteArray map, locator, difs, rebuilt = mapBlock(0);
    for (int cell = 0; cell < 64; ++cell) {
        const int kind = cell % 4;
        setCell(rebuilt, cell % 8, cell / 8, kind == 3 ? Road : Grass,
                qint8(kind == 0   ? 1
                      : kind == 1 ? 5
                      : kind == 2 ? -20
                                  : 0));
    }
    for (int x = 0; x < ScatteredWidth; ++x) {
        for (int y = 0; y < ScatteredHeight; ++y) {
            map += mapBlock(x * ScatteredHeight + y);
            if ((x < 72 && y < 64) || (x >= 76 && (x - 76) % 6 == 0 && y % 8 == 2)) {
                locator += testfiles::int32s({x * ScatteredHeight + y});
                difs += rebuilt;
            }
        }
    }
    return testfiles::write(dir + "/map.mul", map) && testfiles::write(dir + "/mapdifl.mul", locator)
           && testfiles::write(dir + "/mapdif.mul", difs);
}

// A pixel of a region's pictures and the colour it must have: for the
// change view, which of the 2 x 2 pixels its marks give a tile (inside the
// outline, when there is one); Transparent where nothing shows.
struct Probe
{
    int region;
    const char* side;
    QPoint tile, quarter;
    QRgb colour;
};

// A view of the page, the PNG data it draws (before: the reference; after:
// what lies over it, beside the reference in the same data; changes: the
// marks) and where it lies in the world.
struct PagePicture
{
    int region = 0;
    QString side;
    int x = 0, y = 0, tilesPerCell = 1, cellsWide = 1;
    QImage image;

    QRgb at(QPoint tile, QPoint quarter = {}) const
    {
        const QPoint cell = (tile - QPoint(x, y)) / tilesPerCell;
        const int pixels = image.width() / cellsWide;  // the marks': 2 a cell, or 4 with the outline
        return image.pixel(cell * pixels + quarter + (pixels == 4 ? QPoint(1, 1) : QPoint()));
    }
};

std::vector<PagePicture> picturesOf(const QString& html)
{
    static const QRegularExpression tag(
        "<svg class=\"picture\"[^>]* data-region=\"(\\d+)\" data-side=\"(\\w+)\" data-x=\"(\\d+)\" "
        "data-y=\"(\\d+)\" data-tiles-per-cell=\"(\\d+)\"[^>]* data-pixels-per-cell=\"(\\d+)\"[^>]*>"
        "(?:(?!</svg>).)*?<image[^>]* width=\"(\\d+)\"[^>]* href=\"data:image/png;base64,([^\"]+)\"");
    std::vector<PagePicture> pictures;
    for (const QRegularExpressionMatch& m : tag.globalMatch(html)) {
        PagePicture picture{m.captured(1).toInt(),
                            m.captured(2),
                            m.captured(3).toInt(),
                            m.captured(4).toInt(),
                            m.captured(5).toInt(),
                            m.captured(7).toInt() / m.captured(6).toInt(),
                            QImage::fromData(QByteArray::fromBase64(m.captured(8).toLatin1()), "PNG")
                                .convertToFormat(QImage::Format_ARGB32)};
        if (picture.side == QLatin1String("before")) {
            const QImage sides = picture.image;
            picture.cellsWide /= 2;
            picture.image = sides.copy(0, 0, sides.width() / 2, sides.height());
            pictures.push_back(picture);
            picture.side = QStringLiteral("after");
            picture.image = sides.copy(sides.width() / 2, 0, sides.width() / 2, sides.height());
        }
        pictures.push_back(picture);
    }
    return pictures;
}

const PagePicture* find(const std::vector<PagePicture>& pictures, int region, const char* side)
{
    const auto found = std::find_if(pictures.begin(), pictures.end(), [&](const PagePicture& p) {
        return p.region == region && p.side == QLatin1String(side);
    });
    return found == pictures.end() ? nullptr : &*found;
}

QString hexColour(QRgb colour)
{
    return qAlpha(colour) == 0 ? QStringLiteral("transparent")
                               : QStringLiteral("#%1").arg(colour & 0xffffff, 6, 16, QLatin1Char('0'));
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
std::vector<Probe> probes(const Palette& palette, int height)
{
    using namespace changemarks;
    const QRgb grass = palette.land({Grass, 0});
    std::vector<Probe> list{
        {1, "before", {13, 9}, {}, grass},  // repainted at the same altitude
        {1, "after", {13, 9}, {}, palette.land({Road, 0})},
        {1, "after", {10, 11}, {}, palette.land({Water, -5})},
        {1, "before", {12, 12}, {}, palette.item(ItemA.id)},
        {1, "after", {12, 12}, {}, palette.item(ItemE.id)},
        {1, "before", {13, 13}, {}, palette.item(ItemB.id)},
        {1, "after", {13, 13}, {}, Transparent},  // as before
        {1, "before", {17, 17}, {}, grass},       // in the margin
        // The marks: tile replaced and lowered by 5, side by side; repainted;
        // raised by 1; an item swapped; nothing where nothing changed.
        {1, "changes", {10, 11}, {0, 1}, TileReplaced},
        {1, "changes", {10, 11}, {1, 1}, altitude(-5)},
        {1, "changes", {13, 9}, {1, 0}, TileReplaced},
        {1, "changes", {9, 14}, {1, 1}, altitude(1)},
        {1, "changes", {12, 12}, {0, 0}, StaticsAdded},
        {1, "changes", {12, 12}, {1, 0}, StaticsRemoved},
        {1, "changes", {17, 17}, {0, 0}, Transparent},
    };
    for (Probe& probe : list)
        probe.tile = moved(probe.tile, height);
    return list;
}

// A random facet of a few blocks a side with its statics, and a random patch
// of both whose records include ones that change nothing (the same cells
// under another header, the same statics in another order or with another
// extra, a block named again, one outside the facet) and statics that lie
// outside their block, which a report leaves out and lists.
struct RandomPatch
{
    qint32 width = 1;
    int gap = 1;
    reviewmodel::Facet facet;
    QList<qint32> mapBlocks, staticsBlocks;  // the locators
    QList<QByteArray> mapRecords;
    QList<reviewmodel::Statics> staticsRecords;

    qint32 blocks() const { return width * facet.height; }
    bool holds(qint32 block) const { return block >= 0 && block < blocks(); }
};

struct PatchDice
{
    QRandomGenerator random;
    int below(int n) { return int(random.bounded(n)); }
    bool chance(int percent) { return below(100) < percent; }
    QByteArray cells(QByteArray from, int edits)
    {
        for (int n = edits; n > 0; --n)
            from.replace(below(64) * 3, 3,
                         cell(std::array{Grass, Water, Road}[size_t(below(3))], qint8(below(3) * 3 - 3)));
        return from;
    }
    // On a few tiles, so that a tile often holds two.
    QByteArray item(int outside)
    {
        const int past = chance(outside) ? 1 + below(2) : 0;  // past the block's right side or its bottom
        return items({{quint16(ItemA.id + below(3)), quint8(below(3) + (past == 1 ? 8 : 0)),
                       quint8(below(3) + (past == 2 ? 8 : 0)), qint8(below(2) * 3), quint16(below(2) * 7)}});
    }
    reviewmodel::Statics statics(const reviewmodel::Statics& from, int outside)
    {
        QList<QByteArray> after = from.value_or(QList<QByteArray>());
        if (chance(30))  // the same statics in another order
            std::shuffle(after.begin(), after.end(), std::mt19937(random.generate()));
        else if (chance(15))
            return std::nullopt;
        else if (!after.isEmpty() && chance(60))
            after.removeAt(below(int(after.size())));
        for (int n = chance(60) ? 1 + below(2) : 0; n > 0; --n)
            after << item(outside);
        return after;
    }
    // Most records name a block of the facet; some one named before, some one outside it.
    qint32 block(const RandomPatch& patch, const QList<qint32>& named)
    {
        if (!named.isEmpty() && chance(15))
            return named[below(int(named.size()))];
        return chance(12) ? (chance(50) ? -1 - below(2) : patch.blocks() + below(3)) : below(patch.blocks());
    }
};

RandomPatch randomPatch(quint32 seed)
{
    PatchDice dice{QRandomGenerator(seed)};
    RandomPatch patch{1 + dice.below(12), dice.below(4), {1 + dice.below(12), {}, {}}, {}, {}, {}, {}};
    for (qint32 block = 0; block < patch.blocks(); ++block) {
        patch.facet.cells << dice.cells(QByteArray(192, '\0'), 64);
        patch.facet.statics << dice.statics(QList<QByteArray>(), 0);
    }
    for (int n = dice.below(patch.blocks() / 3 + 3); n > 0; --n) {
        patch.mapBlocks << dice.block(patch, patch.mapBlocks);
        const QByteArray before = patch.facet.cells.value(patch.mapBlocks.last(), QByteArray(192, '\0'));
        patch.mapRecords << dice.cells(before, dice.chance(30) ? 0 : 1 + dice.below(5));
    }
    for (int n = dice.below(patch.blocks() / 3 + 3); n > 0; --n) {
        patch.staticsBlocks << dice.block(patch, patch.staticsBlocks);
        patch.staticsRecords << dice.statics(patch.facet.statics.value(patch.staticsBlocks.last()), 12);
    }
    return patch;
}

void writeStatics(MemoryFileSystem& files, const QString& index, const QString& data,
                  const QList<reviewmodel::Statics>& blocks)
{
    QByteArray entries, bytes;
    for (const reviewmodel::Statics& block : blocks) {
        const QByteArray joined = block.value_or(QList<QByteArray>()).join();
        entries += testfiles::int32s(
            {block ? qint32(bytes.size()) : -1, qint32(joined.size()), qint32(entries.size())});
        bytes += joined;
    }
    files.writeFile(index, entries);
    files.writeFile(data, bytes);
}

// A map, or map difference records, each block under a header of its own.
void writeMap(MemoryFileSystem& files, const QString& path, const QList<QByteArray>& cells, qint32 header)
{
    QByteArray map;
    for (const QByteArray& block : cells)
        map += testfiles::int32s({header++}) + block;
    files.writeFile(path, map);
}

QByteArray locator(const QList<qint32>& blocks)
{
    QByteArray bytes;
    for (const qint32 block : blocks)
        bytes += testfiles::int32s({block});
    return bytes;
}

// What the report must find of a patch: the facet after it, the records that
// change nothing as the page lists them, and how many records it could not
// draw whole.
struct ReportModel
{
    reviewmodel::Facet after;
    QStringList noOpRows;
    qint64 notDrawn = 0;
};

// The first record of a block of the facet is used; it changes nothing when
// it leaves the cells, or the statics as a report compares them, as they were.
template <typename Content, typename Same>
void applyRecords(const RandomPatch& patch, const char* file, const QList<qint32>& blocks,
                  const QList<Content>& records, QList<Content>& facet, Same same, const char* sameReason,
                  ReportModel& model)
{
    QSet<qint32> named;
    for (qsizetype k = 0; k < blocks.size(); ++k) {
        const qint32 block = blocks[k];
        const bool used = patch.holds(block) && !named.contains(block);
        const char* reason = !patch.holds(block)              ? "the block lies outside"
                             : !used                          ? "an earlier record"
                             : same(records[k], facet[block]) ? sameReason
                                                              : nullptr;
        if (reason) {
            const QPoint at = patch.facet.corner(block);
            const QString tiles = patch.holds(block) ? QString::asprintf("x %d to %d, y %d to %d", at.x(),
                                                                         at.x() + 7, at.y(), at.y() + 7)
                                                     : QStringLiteral("—");
            model.noOpRows << QStringLiteral("<td class=\"text\">%1</td><td>%2</td><td>%3</td><td "
                                             "class=\"text\">%4</td><td class=\"text\">%5")
                                  .arg(QLatin1String(file))
                                  .arg(k)
                                  .arg(block)
                                  .arg(tiles, QLatin1String(reason));
        }
        if (used)
            facet[block] = records[k];
        named << block;
    }
}

ReportModel reportModel(const RandomPatch& patch)
{
    ReportModel model{patch.facet, {}, 0};
    applyRecords(patch, "map", patch.mapBlocks, patch.mapRecords, model.after.cells,
                 std::equal_to<QByteArray>(), "the same cells", model);
    applyRecords(
        patch, "statics", patch.staticsBlocks, patch.staticsRecords, model.after.statics,
        [](const reviewmodel::Statics& a, const reviewmodel::Statics& b) {
            return reviewmodel::comparedStatics(a) == reviewmodel::comparedStatics(b);
        },
        "the same statics", model);
    for (const reviewmodel::Statics& statics : model.after.statics)
        model.notDrawn +=
            statics.value_or(QList<QByteArray>()).size() != reviewmodel::comparedStatics(statics).size();
    return model;
}

// What a facts file holds besides its regions: the facet's size, one page,
// and the bases where difference files are read.
bool framedAsFacts(const QJsonObject& facts, const RandomPatch& patch, bool bases)
{
    QStringList keys{"facet", "formatVersion",   "heightBlocks", "noOpRecords",
                     "pages", "recordsNotDrawn", "regions",      "widthBlocks"};
    keys += bases ? QStringList{"mapBase", "staticsBase"} : QStringList();
    keys.sort();
    return facts.keys() == keys && facts["formatVersion"].toInt() == 2
           && facts["pages"].toArray() == QJsonArray{"r.html"} && facts["widthBlocks"].toInt() == patch.width
           && facts["heightBlocks"].toInt() == patch.facet.height;
}

}  // namespace

// A report of the facet, written through the engine, and how its page shows it.
struct FacetRow
{
    const char* name;
    int height;
    bool radar, outline;
    bool facets;  // the facet the difference files make against the reference, as two whole facets
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
        checkProbes(html, probes(palette, row.height));
        for (const char* text :
             {// Block 54's 64 cells: 20 listed, the rest counted; the JSON holds all (above).
              "… and 44 more",
              // Where in the world, counts in the right number, and the scale, each with its unit.
              "1 changed block, 3 land cells changed, 1 static added, 1 static removed",
              "Shown at 12 pixels per tile",
              // Every region has a way back and its zoom.
              "#overview\">Overview</a> · <a href=\"",
              "<figure class=\"view\" id=\"region-2-changes\" popover>",
              "href=\"#region-1\" title=\"Region 1: 1 changed block, changed tiles x "})
            QVERIFY2(html.contains(QString::fromUtf8(text)), text);
        if (row.height == Height)
            QVERIFY(html.contains(
                QStringLiteral("Changed tiles: x 9 to 13, y 9 to 14 (5 × 6 tiles), within blocks "
                               "of tiles x 8 to 15, y 8 to 15 (8 × 8 tiles).")));
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
            const PagePicture* picture = find(pictures, probe.region, probe.side);
            QVERIFY(picture && !picture->image.isNull());
            const QRgb shown = picture->at(probe.tile, probe.quarter);
            QCOMPARE(hexColour(shown), hexColour(probe.colour));
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
        QVERIFY(runJob(Job::CombineMap, {path("map.mul"), path("mapdif.mul"), path("mapdifl.mul")},
                       path("current"))
                    .succeeded());
        QVERIFY(runJob(Job::CombineStatics,
                       {path("staidx.mul"), path("statics.mul"), path("stadif.mul"), path("stadifi.mul"),
                        path("stadifl.mul")},
                       path("current"))
                    .succeeded());
        for (const QString patch : {"patch", "bare"}) {
            QVERIFY(QDir().mkpath(path(patch)));
            QVERIFY(runJob(Job::GenerateMap, {path("map.mul"), path("current/map0.mul")}, path(patch))
                        .succeeded());
            QVERIFY(runJob(Job::GenerateStatics,
                           {path("staidx.mul"), path("statics.mul"), path("current/staidx0.mul"),
                            path("current/statics0.mul")},
                           path(patch))
                        .succeeded());
        }
        QVERIFY(QFile::remove(path("bare/mapdif0.manifest.json"))
                && QFile::remove(path("bare/stadif0.manifest.json")));
        QVERIFY(writeConflictingBase());
    }

    void reportOfTheFacet_data()
    {
        QTest::addColumn<FacetRow>("row");
        const FacetRow rows[] = {
            {"built-in palette, outlined", Height, false, true, false},
            {"radar colours", Height, true, false, false},
            {"a facet higher than wide", 16, false, false, false},  // block 9 at (0, 9), off the diagonal
            {"two whole facets", Height, false, false, true},
        };
        for (const FacetRow& row : rows)
            QTest::newRow(row.name) << row;
    }

    void reportOfTheFacet()
    {
        QFETCH(FacetRow, row);
        ReportJob reportJob =
            job(QStringLiteral("facet-%1").arg(QTest::currentDataTag()).replace(' ', '-'), row.facets);
        reportJob.heightBlocks = row.height;
        reportJob.outline = row.outline;
        if (row.radar)
            reportJob.radarColours = path("radarcol.mul");
        SilentProgress silent;
        const JobOutcome outcome = writeReport(reportJob, silent);
        QVERIFY2(outcome.succeeded(), qPrintable(outcome.message()));
        checkPage(QString::fromUtf8(testfiles::read(reportJob.html)), row);
    }

    // Random patches of small facets held against the model: every changed
    // block in a region as the model groups them, in the model's order, each
    // with the rectangle of its blocks, the bounds of its changed tiles and
    // every land cell and static that changed, and its entry and section on
    // the page; every record that changes nothing counted and listed with its
    // reason, and those with statics outside their block counted; and the
    // same from the facet before and after as two whole facets.
    void randomPatchesAgainstTheModel()
    {
        for (quint32 seed = 1; seed <= 100; ++seed) {
            const RandomPatch patch = randomPatch(seed);
            const ReportModel model = reportModel(patch);
            MemoryFileSystem files;
            files.makeFolder("/in");
            files.makeFolder("/out");
            files.writeFile("/in/mapdifl", locator(patch.mapBlocks));
            files.writeFile("/in/stadifl", locator(patch.staticsBlocks));
            writeMap(files, "/in/map", patch.facet.cells, 0);
            writeMap(files, "/in/mapdif", patch.mapRecords, 1000);
            writeMap(files, "/in/current", model.after.cells, 0);
            writeStatics(files, "/in/staidx", "/in/statics", patch.facet.statics);
            writeStatics(files, "/in/stadifi", "/in/stadif", patch.staticsRecords);
            writeStatics(files, "/in/currentidx", "/in/currentdata", model.after.statics);
            ReportJob difs;
            ReportSources& sources = difs.sources;
            sources.map = "/in/map", sources.staticsIndex = "/in/staidx", sources.staticsData = "/in/statics";
            sources.mapDifLocator = "/in/mapdifl", sources.mapDifData = "/in/mapdif";
            sources.staticsDifLocator = "/in/stadifl", sources.staticsDifIndex = "/in/stadifi";
            sources.staticsDifData = "/in/stadif";
            difs.heightBlocks = patch.facet.height, difs.gap = patch.gap;
            difs.html = "/out/r.html", difs.json = "/out/r.json";
            CommitOptions options;
            options.files = &files;
            SilentProgress silent;
            ReportSummary summary;
            const JobOutcome outcome = writeReport(difs, silent, options, &summary);
            const QString context = QStringLiteral("seed %1: ").arg(seed) + outcome.message();
            const QJsonObject found = QJsonDocument::fromJson(files.contents(difs.json)).object();
            const QStringList regions = reviewmodel::regionsOf(found);
            const reviewmodel::Changes changes = reviewmodel::changesBetween(patch.facet, model.after);
            QVERIFY2(outcome.succeeded() && framedAsFacts(found, patch, true), qPrintable(context));
            QCOMPARE(regions, reviewmodel::modelRegions(patch.facet, changes, patch.gap));
            const qint64 changed = changes.lines.size(), noOps = model.noOpRows.size();
            QVERIFY2(outcome.result().blocks == patch.blocks() && outcome.result().records == changed
                         && found["noOpRecords"].toInt() == noOps
                         && found["recordsNotDrawn"].toInt() == model.notDrawn
                         && summary.changedBlocks == changed && summary.noOpRecords == noOps
                         && summary.regions == regions.size() && summary.drawnRegions == regions.size(),
                     qPrintable(context));
            const QString html = QString::fromUtf8(files.contents(difs.html));
            for (const QString& row : model.noOpRows)
                QVERIFY2(html.contains(row), qPrintable(context + row));
            for (qsizetype region = 1; region <= regions.size() + 1; ++region)
                QCOMPARE(html.contains(QStringLiteral("<li><a href=\"#region-%1\">").arg(region))
                             + html.contains(
                                 QStringLiteral("<section class=\"region\" id=\"region-%1\">").arg(region)),
                         region <= regions.size() ? 2 : 0);
            ReportJob facets = difs;
            facets.sources = ReportSources();
            facets.sources.map = "/in/map", facets.sources.staticsIndex = "/in/staidx";
            facets.sources.staticsData = "/in/statics", facets.sources.currentMap = "/in/current";
            facets.sources.currentStaticsIndex = "/in/currentidx",
            facets.sources.currentStaticsData = "/in/currentdata";
            QVERIFY(writeReport(facets, silent, options).succeeded());
            const QJsonObject again = QJsonDocument::fromJson(files.contents(facets.json)).object();
            QCOMPARE(reviewmodel::regionsOf(again), regions);
            QVERIFY2(framedAsFacts(again, patch, false) && again["noOpRecords"].toInt() == 0
                         && again["recordsNotDrawn"].toInt() == model.notDrawn,
                     qPrintable(context));
        }
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
        checkConflictsInRegions(html, found, row.conflicts);
    }

    // Each block that does not fit framed in every view of its region, and
    // each of its cells or tiles where the base and the patch differ listed
    // with what each holds, on the page and in the facts.
    static void checkConflictsInRegions(const QString& html, const QJsonObject& found, bool conflicts)
    {
        static const QRegularExpression view("data-region=\"(\\d+)\" data-side=\"\\w+\" data-x=\"(\\d+)\" "
                                             "data-y=\"(\\d+)\" data-tiles-per-cell=\"1\" "
                                             "data-left=\"(\\d+)\" data-top=\"(\\d+)\" "
                                             "data-pixels-per-cell=\"(\\d+)\"((?:(?!</svg>).)*)</svg>");
        static const QRegularExpression frame(
            "<rect class=\"frame-conflict\" x=\"(\\d+)\" y=\"(\\d+)\" width=\"(\\d+)\" height=\"(\\d+)\"/>");
        QList<QRect> framed;
        for (const QRegularExpressionMatch& drawn : view.globalMatch(html)) {
            const auto number = [&drawn](int i) { return drawn.captured(i).toInt(); };
            for (const QRegularExpressionMatch& rect : frame.globalMatch(drawn.captured(7))) {
                const auto tiles = [&](int i, int origin, int ruler) {
                    return origin + (rect.captured(i).toInt() - ruler) / number(6);
                };
                framed << QRect(tiles(1, number(2), number(4)), tiles(2, number(3), number(5)),
                                rect.captured(3).toInt() / number(6), rect.captured(4).toInt() / number(6));
            }
        }
        const QList<QRect> blocks{{8, 8, 8, 8}, {24, 24, 8, 8}};
        QCOMPARE(framed, conflicts ? blocks + blocks + blocks : QList<QRect>());  // in all three views
        QJsonArray listed;
        for (const QJsonValue& region : found["regions"].toArray())
            for (const QJsonValue& conflict : region["conflicts"].toArray())
                listed.append(conflict);
        const auto cell = [](int x, int y, int tileBase, int zBase, int tilePatch, int zPatch) {
            return QJsonObject{{"x", x},
                               {"y", y},
                               {"tileBase", tileBase},
                               {"zBase", zBase},
                               {"tilePatch", tilePatch},
                               {"zPatch", zPatch}};
        };
        const auto item = [](const Item& i) { return QJsonObject{{"id", i.id}, {"z", i.z}, {"hue", i.hue}}; };
        const QJsonArray expected{
            QJsonObject{
                {"files", "map"},
                {"block", 9},
                {"x", 8},
                {"y", 8},
                {"cells", QJsonArray{cell(8, 8, Road, 3, Grass, 0), cell(13, 9, Grass, 0, Road, 0),
                                     cell(10, 11, Grass, 0, Water, -5), cell(9, 14, Grass, 0, Grass, 1)}}},
            QJsonObject{{"files", "statics"},
                        {"block", 27},
                        {"x", 24},
                        {"y", 24},
                        {"tiles", QJsonArray{QJsonObject{{"x", 25},
                                                         {"y", 25},
                                                         {"base", QJsonArray{item(ItemC)}},
                                                         {"patch", QJsonArray{item(ItemC), item(ItemD)}}}}}}};
        QCOMPARE(listed, conflicts ? expected : QJsonArray());
        for (const char* row :
             {"<td class=\"text\">map</td><td>8</td><td>8</td><td class=\"text\">tile 0x0071 at "
              "altitude 3</td><td class=\"text\">tile 0x0003 at altitude 0</td>",
              "<td class=\"text\">statics</td><td>25</td><td>25</td><td class=\"text\">0x0006 at "
              "altitude 0, hue 0</td><td class=\"text\">0x0006 at altitude 0, hue 0; 0x0007 at "
              "altitude 5, hue 0</td>"})
            QCOMPARE(html.contains(QString::fromUtf8(row)), conflicts);
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

    // However many regions, every one is drawn, on pages that each stay
    // within their budget, the first of which lists them all and links each
    // to the page that holds it. Here every other block of every other
    // column changes: a region of one block each.
    void pagesSplitWithinTheirBudget()
    {
        constexpr int Side = 152;  // 5776 regions
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
        budget.html = path("budget/r #1.html");  // a name that only works as a link percent-encoded
        budget.json = path("budget/r.json");
        SilentProgress silent;
        ReportSummary summary;
        const JobOutcome outcome = writeReport(budget, silent, CommitOptions(), &summary);
        QVERIFY(outcome.succeeded());
        QCOMPARE(summary.regions, (Side / 2) * (Side / 2));
        QCOMPARE(summary.drawnRegions, summary.regions);
        const QJsonArray pages = facts(budget.json)["pages"].toArray();
        QVERIFY(pages.size() > 1);
        QCOMPARE(outcome.result().written.size(), pages.size() + 1);
        const QString first = QString::fromUtf8(testfiles::read(budget.html));
        qint64 sections = 0;
        for (const QJsonValue& page : pages) {
            const QString file = path("budget/" + page.toString());
            QVERIFY(QFileInfo(file).size() <= PageBytes);
            const QString html = QString::fromUtf8(testfiles::read(file));
            sections += html.count("<section class=\"region\"");
            // Each region in the contents leads to the page that holds it.
            for (const int region : {1, int(summary.regions / 2), int(summary.regions)}) {
                const QString href =
                    QStringLiteral("\"%1#region-%2\"")
                        .arg(page == pages[0] ? "" : QUrl::toPercentEncoding(page.toString()))
                        .arg(region);
                QCOMPARE(first.contains("<li><a href=" + href),
                         html.contains(QStringLiteral("id=\"region-%1\"").arg(region)));
            }
        }
        QCOMPARE(sections, summary.regions);
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
        add("a merge and difference files", {}, {"--base-map", "x"}, {}, 2,
            "--base-map, --ours-map and --theirs-map review a merge: give no --map, difference files, "
            "--reference-map or --current-map files with them.");
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
            "<td class=\"text\">map locator</td><td>5</td><td>—</td><td class=\"text\">—</td><td "
            "class=\"text\">"
            "2 bytes after its last whole record of 4 bytes</td>",
            1);
        add("statics record, partial and outside its block", {}, {},
            {{"stadifi", outsideIndex}, {"stadif", new9 + outside}}, 0,
            "; 1 record could not be drawn; wrote ",
            "<td class=\"text\">statics</td><td>1</td><td>27</td><td class=\"text\">x 24 to 31, y 24 to "
            "31</td>"
            "<td class=\"text\">17 bytes, not a whole number of 7-byte statics; static 2 of 2 lies at x 200, "
            "y 4, "
            "outside its block</td>",
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

    // The pages as a browser shows them: every picture decodes, every region
    // of a scattered patch has its views, a large rebuild is drawn as an
    // overview and the detail of each square it changes, whose marks show
    // each kind of edit in its own colour; the overview's link leads to its
    // region, a click shows a view enlarged within the window and another
    // puts it back (Escape closes it too: it is an automatic popover); the
    // enlarged change view of a base that does not fit shows its marks and
    // the frame of the block; and no page logs anything (its policy refusing
    // a fetch would be logged).
    void pagesInChromium()
    {
        const QString launcher = qEnvironmentVariable("QUILLMARK_TEST_CHROMIUM_LAUNCHER");
        const QString chromium = launcher.isEmpty() ? QStandardPaths::findExecutable("chromium") : launcher;
        if (chromium.isEmpty())
            QSKIP("chromium is not installed (Debian's chromium package; tools/setup.sh installs it): "
                  "the pages are not checked in a browser");
        QVERIFY(QDir().mkpath(path("browser/conflict")));
        QVERIFY(writeScatteredFacet(path("browser")));
        SilentProgress silent;
        ReportJob scattered;
        scattered.sources.map = path("browser/map.mul");
        scattered.sources.mapDifLocator = path("browser/mapdifl.mul");
        scattered.sources.mapDifData = path("browser/mapdif.mul");
        scattered.heightBlocks = ScatteredHeight;
        scattered.html = path("browser/scattered.html");
        ReportSummary summary;
        QVERIFY(writeReport(scattered, silent, CommitOptions(), &summary).succeeded());
        QCOMPARE(runTool(QUILLMARK_CLI, arguments("browser/conflict", false, "conflict", "patch")).exitCode,
                 0);
        QStringList logged;
        const auto check = [&](const QString& page) {
            const QString harness = QFileInfo(page).dir().filePath("check.html");
            QFile::remove(harness);
            QFile::copy(QFINDTESTDATA("pagecheck.html"), harness);
            const ToolRun run = runChromium(chromium, {"--dump-dom", QUrl::fromLocalFile(harness).toString()
                                                                         + "#" + QFileInfo(page).fileName()});
            for (const QString& line : run.err.split('\n'))
                if (line.contains(":CONSOLE"))
                    logged << line;
            const QRegularExpressionMatch found =
                QRegularExpression("<pre id=\"result\">(.*)</pre>").match(run.out);
            return QJsonDocument::fromJson(found.captured(1).toUtf8()).object();
        };
        const QJsonObject wide = check(scattered.html);
        if (wide.isEmpty())
            QSKIP("chromium could not run here");
        QCOMPARE(wide["broken"].toInt(), 0);
        QCOMPARE(wide["sections"].toInt(), ScatteredRegions + 1);
        QCOMPARE(wide["details"].toInt(), 20);  // 576 x 512 tiles in squares of 128
        QCOMPARE(wide["withoutViews"].toArray(), QJsonArray());
        QCOMPARE(wide["regionTarget"].toString(), QStringLiteral("region-1"));
        QVERIFY(wide["zoom"]["fits"].toBool());
        // The rebuild's overview, a pixel and a third a tile, shows each kind where it happens.
        const std::vector<PagePicture> pictures =
            picturesOf(QString::fromUtf8(testfiles::read(scattered.html)));
        const PagePicture* overview = find(pictures, 1, "changes");
        QVERIFY(overview && overview->tilesPerCell == 3);
        for (const QRgb mark :
             {changemarks::TileReplaced, changemarks::altitude(5), changemarks::altitude(-20)})
            QVERIFY2(pixelsOf(overview->image, mark) > 0, qPrintable(hexColour(mark)));

        const QJsonObject conflict = check(path("browser/conflict/r.html"));
        QCOMPARE(conflict["broken"].toInt(), 0);
        QCOMPARE(conflict["zoom"].toObject(), (QJsonObject{{"open", true},
                                                           {"closesWithEscape", true},
                                                           {"larger", true},
                                                           {"fits", true},
                                                           {"closedAgain", true}}));
        QCOMPARE(logged, QStringList());
        const ToolRun shot =
            runChromium(chromium, {"--window-size=1280,800", "--screenshot=" + path("browser/zoom.png"),
                                   QUrl::fromLocalFile(path("browser/conflict/check.html")).toString()
                                       + "#r.html&zoom=region-1-changes"});
        const QImage screen(path("browser/zoom.png"));
        QVERIFY2(!screen.isNull(), qPrintable(shot.err.left(400)));
        QVERIFY(pixelsOf(screen, changemarks::TileReplaced) > 100);
        QVERIFY(pixelsOf(screen, Overview::ConflictFrame) > 100);
    }

private:
    static ToolRun runChromium(const QString& chromium, const QStringList& arguments)
    {
        QTemporaryDir profile;
        return runChromiumIn(profile.filePath("run"), chromium,
                             QStringList{"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                                         "--no-first-run", "--disable-background-networking",
                                         "--disable-component-update", "--disable-sync", "--hide-scrollbars",
                                         "--user-data-dir=" + profile.path(),
                                         "--allow-file-access-from-files", "--enable-logging=stderr", "--v=0",
                                         "--virtual-time-budget=10000"}
                                 + arguments);
    }

    // Chromium, or the host's under Wine (tools/windows/host-chromium.sh),
    // whose output and, once it has ended, exit status come back as files.
    static ToolRun runChromiumIn(const QString& run, const QString& chromium, const QStringList& arguments)
    {
        if (!qEnvironmentVariableIsSet("QUILLMARK_TEST_CHROMIUM_LAUNCHER"))
            return runTool(chromium, arguments, 120000);
        if (!QProcess::startDetached(chromium, QStringList{run} + arguments))
            return {};
        const QDeadlineTimer deadline(120000);
        while (!QFile::exists(run + ".status") && !deadline.hasExpired())
            QThread::msleep(100);
        const QByteArray status = testfiles::read(run + ".status").trimmed();
        if (status.isEmpty())
            return {};
        return {status.toInt(), QString::fromUtf8(testfiles::read(run + ".out")),
                QString::fromUtf8(testfiles::read(run + ".err"))};
    }
};

QTEST_GUILESS_MAIN(ReportTest)
#include "tst_report.moc"
