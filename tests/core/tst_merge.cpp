// Merges and rebases held against a small model of the three-way rule, on
// random small facets whose sides change blocks alone, together, alike and
// each its own way (cells, headers, statics, presence, extra, a map's last
// partial block), in grids that are not square: the files and the conflicts
// file are the model's, and a conflict without a side preferred leaves only
// the conflicts file. The laws besides: a side left as the base gives the
// other, sides alike give that side, --prefer moves only conflicting cells,
// and a rebased patch combined with the new base gives the merge; a review
// of the merge lists exactly the tiles it changes, in the regions of the
// review model. Then the refusals: sizes, damaged statics named by side and
// block, a rebase against another reference.

#include "jobrun.h"
#include "mergejobs.h"
#include "mergemessages.h"
#include "reportjob.h"
#include "reviewmodel.h"
#include "workspace.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <algorithm>

using namespace quillmark;
using testfiles::read;

namespace {

constexpr int BlockSize = 196, CellSize = 3, StaticSize = 7;

struct Dice
{
    QRandomGenerator random;
    int below(int n) { return int(random.bounded(n)); }
    // From a small alphabet, so that sides often agree by chance.
    QByteArray bytes(int n)
    {
        QByteArray made;
        for (int i = 0; i < n; ++i)
            made += "\0\1\xf0"[below(3)];  // 0xf0: a negative altitude, a large id
        return made;
    }
};

// What the model makes of three sides: the merged files and the conflicts,
// by world tile.
struct Model
{
    QList<QByteArray> files;
    QMap<std::pair<int, int>, QVariant> conflicts;
    QList<qint64> changes{0, 0, 0};  // blocks changed by ours alone, theirs alone, both

    template <typename Side>
    void count(const Side& b, const Side& o, const Side& t)
    {
        if (o != b || t != b)
            ++changes[o == b ? 1 : t == b ? 0 : 2];
    }
    void add(const char* layer, qint64 block, int cell, qint64 height, const QJsonValue (&values)[3])
    {
        const int x = int(block / height * 8 + cell % 8), y = int(block % height * 8 + cell / 8);
        conflicts[{x, y}] =
            QJsonObject{{"layer", layer},     {"x", x}, {"y", y}, {"base", values[0]}, {"ours", values[1]},
                        {"theirs", values[2]}};
    }
};

// Each side changes a block alone, both change it alike, or each its own way.
template <typename Side, typename Edit>
QList<Side> editedSides(Dice& dice, const Side& base, qint64 blocks, Edit edit)
{
    QList<Side> sides{base, base, base};
    for (qint64 block = 0; block < blocks; ++block) {
        const int how = dice.below(5);
        const quint32 alike = dice.random.generate();
        for (int side = 1; side <= 2; ++side) {
            for (int edits = how == 4 ? 2 : 1; edits > 0 && (how == side || how >= 3); --edits)
                edit(sides[side], block, how == 3 ? alike + quint32(edits) : dice.random.generate());
        }
    }
    return sides;
}

// Maps: blocks of a header and 64 cells, and perhaps a partial block at the end.
QList<QByteArray> mapSides(Dice& dice, int blocks)
{
    const QByteArray base = dice.bytes(blocks * BlockSize + (dice.below(2) ? dice.below(BlockSize) : 0));
    return editedSides(dice, base, blocks + 1, [](QByteArray& map, qint64 block, quint32 seed) {
        Dice edits{QRandomGenerator(seed)};
        for (int i = edits.below(4); i >= 0; --i) {
            const qint64 cell =
                edits.below(2) ? edits.below(4) : edits.below(64);  // sides meet in a few cells
            const qint64 at = block * BlockSize + (edits.below(8) ? 4 + CellSize * cell : 0);
            const qint64 length = qMin<qint64>(edits.below(2) ? CellSize : 4, map.size() - at);
            if (length > 0)
                map.replace(at, length, edits.bytes(int(length)));
        }
    });
}

QJsonObject mapCell(const QByteArray& bytes)
{
    const QByteArray cell = bytes.leftJustified(CellSize, '\0');
    return {{"id", qFromLittleEndian<quint16>(cell.constData())}, {"z", int(qint8(cell[2]))}};
}

Model mergeMapModel(const QList<QByteArray>& sides, qint64 height, Prefer prefer)
{
    Model model{{QByteArray()}, {}};
    for (qint64 block = 0; block * BlockSize < sides[0].size(); ++block) {
        const auto at = [&](int side) { return sides[side].mid(block * BlockSize, BlockSize); };
        const QByteArray b = at(0), o = at(1), t = at(2);
        model.count(b, o, t);
        if (o == b || t == b || o == t) {
            model.files[0] += o == b ? t : o;
            continue;
        }
        model.files[0] += (o.left(4) == b.left(4) ? t : o).left(4);
        for (int cell = 4; cell < b.size(); cell += CellSize) {
            const QByteArray cb = b.mid(cell, CellSize), co = o.mid(cell, CellSize),
                             ct = t.mid(cell, CellSize);
            const bool conflicting = co != cb && ct != cb && co != ct;
            if (conflicting)
                model.add("map", block, (cell - 4) / CellSize, height,
                          {mapCell(cb), mapCell(co), mapCell(ct)});
            model.files[0] += co == cb || (conflicting && prefer == Prefer::Theirs) ? ct : co;
        }
    }
    return model;
}

// Statics: blocks absent or present, each with its statics and its extra.
struct Block
{
    bool present = false;
    qint32 absentLength = 0;  // what the entry of an absent block says
    qint32 extra = 0;
    QByteArray bytes;

    qint32 length() const { return present ? qint32(bytes.size()) : absentLength; }
    bool operator==(const Block& o) const
    {
        return present == o.present && length() == o.length() && extra == o.extra && bytes == o.bytes;
    }
    bool operator!=(const Block& o) const { return !(*this == o); }
    QList<QByteArray> cell(int at) const
    {
        QList<QByteArray> statics;
        for (qsizetype i = 0; i < bytes.size(); i += StaticSize) {
            if (bytes[i + 3] * 8 + bytes[i + 2] == at)
                statics << bytes.mid(i, StaticSize);
        }
        return statics;
    }
};
using Statics = QList<Block>;

// Its index and data; with `gaps`, a byte lies before every third block's data.
QList<QByteArray> staticsFiles(const Statics& blocks, bool gaps = false)
{
    QList<QByteArray> files(2);
    for (const Block& block : blocks) {
        files[1] += gaps && files[0].size() % 36 == 0 ? "?" : "";
        files[0] +=
            testfiles::entries({{block.present ? qint32(files[1].size()) : -1, block.length(), block.extra}});
        files[1] += block.bytes;
    }
    return files;
}

// A static: id, x and y (0 or 1, so that statics share tiles), z and hue.
QByteArray randomStatic(Dice& dice)
{
    return dice.bytes(2) + char(dice.below(2)) + char(dice.below(2)) + dice.bytes(3);
}

// Presence turned over, a static added or removed, the extra or a static's
// altitude changed.
void editStatics(Block& block, quint32 seed)
{
    Dice edits{QRandomGenerator(seed)};
    const int statics = int(block.bytes.size() / StaticSize);
    const int edit = edits.below(5);
    if (edit == 0)
        block = {!block.present, block.absentLength + 1, block.extra, {}};
    else if (edit == 1)
        block.present = true, block.bytes += randomStatic(edits);
    else if (edit == 2)
        block.bytes.remove(edits.below(statics + 1) * StaticSize, StaticSize);
    else if (edit == 3)
        block.extra += 1 + edits.below(2);
    else if (statics > 0)
        block.bytes[edits.below(statics) * StaticSize + 4] = edits.bytes(1)[0];
}

QList<Statics> staticsSides(Dice& dice, int blocks)
{
    Statics base(blocks);
    for (Block& block : base) {
        block.present = dice.below(4) > 0;
        for (int i = dice.below(5); block.present && i > 0; --i)
            block.bytes += randomStatic(dice);
    }
    return editedSides(dice, base, blocks,
                       [](Statics& side, qint64 block, quint32 seed) { editStatics(side[block], seed); });
}

QJsonArray staticsCell(const QList<QByteArray>& statics)
{
    QJsonArray list;
    for (const QByteArray& item : statics)
        list << QJsonObject{{"id", qFromLittleEndian<quint16>(item.constData())},
                            {"z", int(qint8(item[4]))},
                            {"hue", qFromLittleEndian<quint16>(item.constData() + 5)}};
    return list;
}

// A block both sides changed: its cells in cell order, unless they all come
// out as one side has them.
Block mergeStaticsBlock(const Block& b, const Block& o, const Block& t, qint64 block, qint64 height,
                        Prefer prefer, Model& model)
{
    model.count(b, o, t);
    if (o == b || t == b || o == t)
        return o == b ? t : o;
    bool likeOurs = true, likeTheirs = true;
    QByteArray bytes;
    for (int at = 0; at < 64; ++at) {
        const QList<QByteArray> cb = b.cell(at), co = o.cell(at), ct = t.cell(at);
        const bool conflicting = co != cb && ct != cb && co != ct;
        if (conflicting)
            model.add("statics", block, at, height, {staticsCell(cb), staticsCell(co), staticsCell(ct)});
        const QList<QByteArray>& taken = co == cb || (conflicting && prefer == Prefer::Theirs) ? ct : co;
        likeOurs = likeOurs && taken == co;
        likeTheirs = likeTheirs && taken == ct;
        bytes += taken.join();
    }
    const Block& presence = o.present != b.present ? o : t;
    return {presence.present || !bytes.isEmpty(), presence.absentLength,
            o.extra != b.extra ? o.extra : t.extra,
            likeOurs     ? o.bytes
            : likeTheirs ? t.bytes
                         : bytes};
}

Model mergeStaticsModel(const QList<Statics>& sides, qint64 height, Prefer prefer)
{
    Model model;
    Statics merged;
    for (qint64 block = 0; block < sides[0].size(); ++block)
        merged << mergeStaticsBlock(sides[0][block], sides[1][block], sides[2][block], block, height, prefer,
                                    model);
    model.files = staticsFiles(merged);
    return model;
}

SilentProgress silent;

// The jobs on a map's three files, or a statics pair's six, on facet 0.
MergeOutcome merge(const QStringList& in, const QString& out, const MergeChoices& choices = {})
{
    if (in.size() == 3)
        return mergeMaps({BaseSide<MapFiles>{{in[0]}}, OursSide<MapFiles>{{in[1]}},
                          TheirsSide<MapFiles>{{in[2]}}, out, 0, choices},
                         silent);
    return mergeStatics({BaseSide<StaticsFiles>{{in[0], in[1]}}, OursSide<StaticsFiles>{{in[2], in[3]}},
                         TheirsSide<StaticsFiles>{{in[4], in[5]}}, out, 0, choices},
                        silent);
}

// `patch`: a map's locator and data, or statics' locator, index and data.
MergeOutcome rebase(const QStringList& ref, const QStringList& patch, const QStringList& onto,
                    const QString& out, const MergeChoices& choices)
{
    if (ref.size() == 1)
        return rebaseMapPatch({ReferenceSide<MapFiles>{{ref[0]}},
                               {patch[0], patch[1]},
                               OntoSide<MapFiles>{{onto[0]}},
                               out,
                               0,
                               choices},
                              silent);
    const StaticsRebaseJob job{ReferenceSide<StaticsFiles>{{ref[0], ref[1]}},
                               {patch[0], patch[1], patch[2]},
                               OntoSide<StaticsFiles>{{onto[0], onto[1]}},
                               out,
                               0,
                               choices};
    return rebaseStaticsPatch(job, silent);
}

// What a merge or a combination wrote, as the content the laws speak of: a
// map's whole blocks' payloads, or each statics block's presence and bytes.
QList<QByteArray> content(const QString& folder)
{
    QList<QByteArray> blocks;
    const QByteArray map = read(folder + "/map0.mul"), data = read(folder + "/statics0.mul");
    for (qsizetype at = 0; at + BlockSize <= map.size(); at += BlockSize)
        blocks << map.mid(at + 4, BlockSize - 4);
    const QList<qint32> index = testfiles::readInt32s(read(folder + "/staidx0.mul"));
    for (qsizetype at = 0; at + 2 < index.size(); at += 3)
        blocks << (index[at] < 0 ? "absent" : "present " + data.mid(index[at], index[at + 1]));
    return blocks;
}

// A random case: the sides' files (a map each, or an index and a data file
// each), each side's files as a merge writes them, and the model.
struct Case
{
    bool statics = false;
    int height = 1;
    QStringList files;
    QList<QList<QByteArray>> written;
    std::function<Model(Prefer)> model;

    QStringList side(int side) const { return files.mid(side * (statics ? 2 : 1), statics ? 2 : 1); }
    QStringList outputs() const
    {
        return statics ? QStringList{"staidx0.mul", "statics0.mul"} : QStringList{"map0.mul"};
    }
};

Case randomCase(quint32 seed, const Workspace& ws)
{
    Dice dice{QRandomGenerator(seed)};
    Case made;
    made.statics = seed % 2 == 0;
    made.height = 1 + dice.below(4);
    const auto add = [&](const QList<QByteArray>& files) {
        for (const QByteArray& bytes : files)
            made.files << ws.file(QString("in%1").arg(made.files.size()), bytes);
    };
    if (made.statics) {
        const QList<Statics> sides = staticsSides(dice, 1 + dice.below(12));
        for (const Statics& side : sides) {
            add(staticsFiles(side, true));
            made.written << staticsFiles(side);
        }
        made.model = [sides, height = made.height](Prefer p) { return mergeStaticsModel(sides, height, p); };
    } else {
        const QList<QByteArray> sides = mapSides(dice, dice.below(12));
        for (const QByteArray& side : sides) {
            add({side});
            made.written << QList<QByteArray>{side};
        }
        made.model = [sides, height = made.height](Prefer p) { return mergeMapModel(sides, height, p); };
    }
    return made;
}

// A side left as the base gives the other, sides alike give that side,
// and a patch from the base to ours, rebased in place onto theirs and
// combined with it, gives the merge that prefers ours, with a manifest
// whose reference theirs is.
void checkLaws(const Case& c, const Workspace& ws)
{
    for (const QList<int>& order : {QList<int>{0, 1, 0}, {0, 0, 1}, {0, 1, 1}}) {
        const QString out = ws.path(QString("law%1%2").arg(order[1]).arg(order[2]));
        QDir().mkdir(out);
        QVERIFY(merge(c.side(order[0]) + c.side(order[1]) + c.side(order[2]), out).outcome.succeeded());
        for (int file = 0; file < c.outputs().size(); ++file)
            QCOMPARE(read(out + '/' + c.outputs()[file]), c.written[1][file]);
    }
    QVERIFY(QDir().mkdir(ws.path("p")) && QDir().mkdir(ws.path("c")));
    QVERIFY(runJob(c.statics ? Job::GenerateStatics : Job::GenerateMap, c.side(0) + c.side(1), ws.path("p"))
                .succeeded());
    QStringList patch = c.statics ? QStringList{"stadifl0.mul", "stadifi0.mul", "stadif0.mul"}
                                  : QStringList{"mapdifl0.mul", "mapdif0.mul"};
    for (QString& file : patch)
        file = ws.path("p/") + file;
    QVERIFY(rebase(c.side(0), patch, c.side(2), ws.path("p"), {Prefer::Ours, 0, {}}).outcome.succeeded());
    std::reverse(patch.begin(), patch.end());
    const JobOutcome combined =
        runJob(c.statics ? Job::CombineStatics : Job::CombineMap, c.side(2) + patch, ws.path("c"));
    QVERIFY(combined.succeeded() && combined.result().base.found == BaseCase::Exact);
    QCOMPARE(content(ws.path("c")), content(ws.path("out1")));
}

// The review of the merge lists every tile the merge changes and no other,
// in the regions the model groups them into, and the merge's conflicts as
// its conflicts file does (but for those of a map's partial last block,
// which lies outside the facet), each inside a region's changed tiles.
void checkReview(const Case& c, const Workspace& ws)
{
    const int blocks = int(read(c.files[0]).size() / (c.statics ? 12 : BlockSize));
    if (blocks == 0 || blocks % c.height != 0)
        return;
    const QByteArray flatMap(blocks * BlockSize, 0);
    const QString flat = ws.file("flat", flatMap);
    const QStringList maps = c.statics ? QStringList{flat, flat, flat} : c.files,
                      pairs = c.statics ? c.files : QStringList(6);
    ReportJob job;
    job.sources.map = maps[0], job.sources.staticsIndex = pairs[0], job.sources.staticsData = pairs[1];
    job.sources.oursMap = maps[1], job.sources.theirsMap = maps[2];
    job.sources.oursStaticsIndex = pairs[2], job.sources.oursStaticsData = pairs[3];
    job.sources.theirsStaticsIndex = pairs[4], job.sources.theirsStaticsData = pairs[5];
    job.heightBlocks = c.height, job.html = ws.path("review.html"), job.json = ws.path("review.json");
    QVERIFY(writeReport(job, silent).succeeded());
    const QJsonObject facts = QJsonDocument::fromJson(read(job.json)).object();
    QCOMPARE(read(ws.path("review.html")).contains("class=\"frame-merge\" d=\"M"),
             !facts["conflicts"].toArray().isEmpty());  // framed
    QJsonArray conflicts;
    for (const QJsonValue& conflict :
         QJsonDocument::fromJson(read(ws.path("out0/c.json")))["conflicts"].toArray()) {
        if (conflict["x"].toInt() < blocks / c.height * 8)
            conflicts << conflict;
    }
    QCOMPARE(facts["conflicts"].toArray(), conflicts);
    // A side's files, or those the merge that prefers ours wrote, as the model reads them.
    const auto facet = [&](const QStringList& files) {
        return c.statics ? reviewmodel::facetOf(c.height, flatMap, read(files[0]), read(files[1]))
                         : reviewmodel::facetOf(c.height, read(files[0]));
    };
    QStringList written;
    for (const QString& output : c.outputs())
        written << ws.path("out1/" + output);
    const reviewmodel::Facet base = facet(c.side(0)), merged = facet(written);
    QCOMPARE(reviewmodel::regionsOf(facts),
             reviewmodel::modelRegions(base, reviewmodel::changesBetween(base, merged), 1));
    const QJsonArray regions = facts["regions"].toArray();
    for (const QJsonValue& conflict : conflicts)
        QVERIFY(std::any_of(regions.begin(), regions.end(), [&](const QJsonValue& r) {
            const QJsonValue t = r["changedTiles"];
            return QRect(t["x"].toInt(), t["y"].toInt(), t["width"].toInt(), t["height"].toInt())
                .contains(conflict["x"].toInt(), conflict["y"].toInt());
        }));
}

}  // namespace

class MergeTest : public QObject
{
    Q_OBJECT

private slots:
    // The files and conflicts of each preference are the model's; without
    // one, a conflict leaves the conflicts file alone. Between the two
    // preferences, the merged maps differ in exactly the conflicting cells.
    // The laws hold on the first cases.
    void randomFacetsAgainstTheModel()
    {
        for (quint32 seed = 1; seed <= 40; ++seed) {
            Workspace ws;
            const Case c = randomCase(seed, ws);
            for (const Prefer prefer : {Prefer::None, Prefer::Ours, Prefer::Theirs}) {
                const Model model = c.model(prefer);
                const QString out = ws.path(QString("out%1").arg(int(prefer)));
                QDir().mkdir(out);
                const MergeOutcome merged = merge(c.files, out, {prefer, c.height, out + "/c.json"});
                const QString label =
                    QString("seed %1, %2: ").arg(seed).arg(int(prefer)) + merged.outcome.message();
                const bool refused = prefer == Prefer::None && !model.conflicts.isEmpty();
                const MergeFigures& figures = merged.figures;
                QVERIFY2(merged.outcome.succeeded() != refused && figures.conflicts == model.conflicts.size()
                             && model.changes
                                    == QList<qint64>({figures.oursOnly, figures.theirsOnly, figures.both}),
                         qPrintable(label));
                QCOMPARE(QJsonDocument::fromJson(read(out + "/c.json"))["conflicts"].toArray(),
                         QJsonArray::fromVariantList(model.conflicts.values()));
                QCOMPARE(testfiles::filesIn(out),
                         QStringList{"c.json"} + (refused ? QStringList() : c.outputs()));
                for (int file = 0; file < c.outputs().size() && !refused; ++file)
                    QVERIFY2(read(out + '/' + c.outputs()[file]) == model.files[file], qPrintable(label));
                QVERIFY(!refused || merged.outcome.message() == mergemessage::SidesConflict);
            }
            const QByteArray ours = read(ws.path("out1/map0.mul")), theirs = read(ws.path("out2/map0.mul"));
            QSet<qint64> cells;
            for (qint64 at = 0; at < ours.size(); ++at) {
                if (ours[at] != theirs[at])
                    cells << at / BlockSize * BlockSize + qMax<qint64>(-1, (at % BlockSize - 4) / CellSize);
            }
            QCOMPARE(cells.size(), c.statics ? 0 : c.model(Prefer::None).conflicts.size());
            checkReview(c, ws);
            if (seed <= 12)
                checkLaws(c, ws);
        }
    }

    // Nothing is written, not even the conflicts file, for sides of other
    // sizes, damaged statics (named by side and block, in an entry or in the
    // statics of a block both sides changed), statics too large to part by
    // tile, or a rebase against a reference other than the patch's.
    void refusals()
    {
        Workspace ws;
        const QString conflicts = ws.outFile("c.json");
        const auto refused = [&](const MergeOutcome& merged, const QString& message, const QString& file,
                                 const QString& reason) {
            QCOMPARE(merged.outcome.message(), message);
            QCOMPARE(merged.outcome.failure().file(), file);
            QCOMPARE(merged.outcome.failure().reason(), reason);
            QCOMPARE(ws.outFiles(), QStringList());
        };
        const QByteArray map = testfiles::randomBytes(3 * BlockSize, 1);
        const QString a = ws.file("a", map), longer = ws.file("longer", map + "x");
        refused(merge({a, longer, a}, ws.out(), {Prefer::Ours, 0, conflicts}),
                "Map data files are different sizes", "", a + " has 588 bytes, " + longer + " has 589 bytes");

        const QByteArray statics = QByteArray("\1\0\0\0\0\0\0\2\0\1\1\0\0\0", 14);
        const QString index = ws.file("idx", testfiles::entries({{0, 7, 0}, {7, 7, 0}})),
                      data = ws.file("data", statics);
        const QString damaged = ws.file("damaged", testfiles::entries({{0, 7, 0}, {8, 7, 0}}));
        QString (*const messages[])(qint64) = {mergemessage::baseStaticsDamaged,
                                               mergemessage::ourStaticsDamaged,
                                               mergemessage::theirStaticsDamaged};
        for (int side = 0; side < 3; ++side) {
            QStringList files{index, data, index, data, index, data};
            files[2 * side] = damaged;
            refused(merge(files, ws.out(), {Prefer::Ours, 0, conflicts}), messages[side](1), damaged,
                    "An entry names 7 bytes at 8, its data file has 14");
        }
        const QString one = ws.file("one", testfiles::entries({{0, 7, 0}})),
                      ten = ws.file("ten", testfiles::entries({{0, 10, 0}}));
        const QString theirs = ws.file("theirs", QByteArray("\3\0\0\0\0\0\0", 7)),
                      odd = ws.file("odd", QByteArray(10, '\0'));
        refused(merge({one, data, ten, odd, one, theirs}, ws.out(), {Prefer::Ours, 0, conflicts}),
                mergemessage::ourStaticsDamaged(0), odd,
                "A block holds 10 bytes, not a whole number of 7-byte statics");
        const QByteArray large(7 * 149797, '\0');  // past 1 MiB
        const QString big = ws.file("big", testfiles::entries({{0, int(large.size()), 0}}));
        refused(merge({big, ws.file("l0", large), big, ws.file("l1", "\1" + large.mid(1)), big,
                       ws.file("l2", "\2" + large.mid(1))},
                      ws.out(), {Prefer::Ours, 0, conflicts}),
                mergemessage::staticsTooLargeToMerge(0), ws.path("l0"),
                "Both sides changed it, and it holds 1048579 bytes, more than the 1048576 a merge parts tile "
                "by tile");

        // The patch from a to its block 1 changed, rebased against b, whose block 2 differs.
        QByteArray edited = map, other = map;
        edited[BlockSize + 10] = 'e';
        other[2 * BlockSize + 10] = 'o';
        QVERIFY(QDir().mkdir(ws.path("patch")));
        QVERIFY(runJob(Job::GenerateMap, {a, ws.file("edited", edited)}, ws.path("patch")).succeeded());
        const QString b = ws.file("b", other);
        refused(rebase({b}, {ws.path("patch/mapdifl0.mul"), ws.path("patch/mapdif0.mul")}, {b}, ws.out(),
                       {Prefer::Ours, 0, conflicts}),
                mergemessage::NotThePatchsReference, b,
                "base fits: 1 other block differs from the patch's reference");
    }
};

QTEST_MAIN(MergeTest)
#include "tst_merge.moc"
