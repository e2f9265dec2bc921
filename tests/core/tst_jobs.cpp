// The four jobs and the map conversion: record layouts and names, the checks
// and their messages in order, compaction, damaged and failing inputs, round
// trips on sample facets, maps in package containers read and written, and
// what is left behind when a run fails or is stopped.

#include "containerbuilder.h"
#include "diffjobs.h"
#include "facetcheck.h"
#include "filesizelimit.h"
#include "recordingprogress.h"
#include "samplefacet.h"
#include "workspace.h"

#include <QFile>
#include <QtTest>

using testfiles::entries;
using testfiles::int32s;
using testfiles::read;

namespace {

constexpr int BlockSize = 196;

QByteArray randomMap(int blocks, quint32 seed)
{
    QByteArray map;
    for (int i = 0; i < blocks; ++i)
        map += testfiles::mapBlock(qint32(seed + i), seed * 7919 + i);
    return map;
}

QByteArray block(const QByteArray& map, int i)
{
    return map.mid(i * BlockSize, BlockSize);
}

// Inputs in the order of the job's fields: generate map (reference, current),
// combine map (map, dif, difl), convert map (map), generate statics
// (reference index and data, current index and data), combine statics
// (index, data, dif, difi, difl). "combine map to uop" and "convert map to
// uop" write a container, "convert map" a plain map file.
JobOutcome runJob(const QString& job, const QStringList& in, const QString& out, int facet = 0,
                  JobProgress* progress = nullptr)
{
    SilentProgress silent;
    JobProgress& p = progress ? *progress : silent;
    const MapFormat format = job.endsWith(" to uop") ? MapFormat::Uop : MapFormat::Mul;
    if (job == "generate map")
        return generateMapDiff({in[0], in[1], out, facet}, p);
    if (job.startsWith("combine map"))
        return combineMapDiff({in[0], in[1], in[2], out, facet, format}, p);
    if (job.startsWith("convert map"))
        return convertMap({in[0], out, facet, format}, p);
    if (job == "generate statics")
        return generateStaticsDiff({in[0], in[1], in[2], in[3], out, facet}, p);
    return combineStaticsDiff({in[0], in[1], in[2], in[3], in[4], out, facet}, p);
}

QStringList files(const Workspace& ws, const QList<QByteArray>& contents)
{
    QStringList paths;
    for (const QByteArray& bytes : contents)
        paths << ws.file(QString("in%1.mul").arg(paths.size()), bytes);
    return paths;
}

// The same map bytes in a container; "damaged" holds chunks 0 and 2 of it but
// no chunk 1.
QByteArray container(const QByteArray& map, bool damaged = false)
{
    using namespace containerbuilder;
    if (damaged)
        return build({storedChunk(0, 0, map), storedChunk(0, 2, map)}).bytes;
    return build(mapChunks(0, map)).bytes;
}

// Every file of a directory with its bytes.
QMap<QString, QByteArray> contents(const QString& dir)
{
    QMap<QString, QByteArray> files;
    for (const QString& name : testfiles::filesIn(dir))
        files[name] = read(dir + '/' + name);
    return files;
}

QString outDirFor(const Workspace& ws, const QString& kind)
{
    if (kind == "missing")
        return ws.path("nowhere");
    if (kind == "file")
        return ws.file("plain.txt", "x");
    return kind == "empty" ? QString() : ws.out();
}

}  // namespace

class JobsTest : public QObject
{
    Q_OBJECT

private slots:
    void mapRecords();
    void staticsWorkedExample();
    void staticsDecisionTable_data();
    void staticsDecisionTable();
    void staticsCombineCompactsAndReplaces();
    void staticsCombineTakesFullOrdinals();
    void namesFollowTheFacet();
    void checksInOrder_data();
    void checksInOrder();
    void damagedInputStopsTheRun_data();
    void damagedInputStopsTheRun();
    void partialRecordsAndFragments();
    void roundTrip_data();
    void roundTrip();
    void containersGiveWhatPlainFilesGive();
    void readAndWriteErrors_data();
    void readAndWriteErrors();
    void stoppedRunLeavesNothing();
    void combineIntoTheFolderOfItsInputs();
};

void JobsTest::mapRecords()
{
    Workspace ws;
    const QByteArray reference = randomMap(300, 1);
    QByteArray current = reference;
    current.replace(5 * BlockSize, 196, randomMap(1, 2));           // payload and header
    current.replace(270 * BlockSize + 4, 192, QByteArray(192, 0));  // payload only
    current.replace(2 * BlockSize, 4, int32s({77}));                // a header alone is never compared
    current[299 * BlockSize + 195] =
        char(current[299 * BlockSize + 195] ^ 1);  // the last byte of the last block
    const QStringList maps = files(ws, {reference, current});
    const JobOutcome generated = runJob("generate map", maps, ws.out(), 1);
    QVERIFY(generated.succeeded());
    QCOMPARE(ws.outFiles(), QStringList({"mapdif1.mul", "mapdifl1.mul"}));
    QCOMPARE(read(ws.outFile("mapdifl1.mul")), int32s({5, 270, 299}));
    QCOMPARE(read(ws.outFile("mapdif1.mul")), block(current, 5) + block(current, 270) + block(current, 299));

    // Block 3 twice (the first record wins), numbers outside the map ignored,
    // the last block replaced.
    const QByteArray map = randomMap(5, 3), dif = randomMap(5, 4);
    QVERIFY(
        runJob("combine map", files(ws, {map, dif, int32s({3, 1, 4, 3, 9, -1})}), ws.out(), 2).succeeded());
    QCOMPARE(read(ws.outFile("map2.mul")),
             block(map, 0) + block(dif, 1) + block(map, 2) + block(dif, 0) + block(dif, 2));
}

void JobsTest::staticsWorkedExample()
{
    Workspace ws;
    const QStringList pairs =
        files(ws, {entries({{0, 4, 0}, {-1, 0, 0}, {4, 6, 0}, {10, 2, 0}}), "AAAABBBBBBCC",
                   entries({{6, 4, 7}, {0, 6, 0}, {-1, 0, 0}, {10, 2, 0}}), "DDDDDDAAAAEE"});
    QVERIFY(runJob("generate statics", pairs, ws.out(), 1).succeeded());
    QCOMPARE(ws.outFiles(), QStringList({"stadif1.mul", "stadifi1.mul", "stadifl1.mul"}));
    QCOMPARE(read(ws.outFile("stadifl1.mul")), QByteArray::fromHex("010000000200000003000000"));
    QCOMPARE(read(ws.outFile("stadifi1.mul")),
             QByteArray::fromHex("000000000600000000000000ffffffff0000000000000000"
                                 "060000000200000000000000"));
    QCOMPARE(read(ws.outFile("stadif1.mul")), QByteArray("DDDDDDEE"));
}

void JobsTest::staticsDecisionTable_data()
{
    QTest::addColumn<QByteArray>("reference");  // entry, then data
    QTest::addColumn<QByteArray>("referenceData");
    QTest::addColumn<QByteArray>("current");
    QTest::addColumn<QByteArray>("currentData");
    QTest::addColumn<QByteArray>("record");  // difference index record written, if any
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray none;
    QTest::newRow("emptied") << entries({{0, 3, 1}}) << QByteArray("abc") << entries({{-1, 5, 9}}) << none
                             << entries({{-1, 5, 9}}) << none;
    QTest::newRow("empty both") << entries({{-1, 0, 0}}) << none << entries({{-1, 7, 7}}) << none << none
                                << none;
    QTest::newRow("new") << entries({{-1, 0, 0}}) << none << entries({{0, 3, 4}}) << QByteArray("xyz")
                         << entries({{0, 3, 4}}) << QByteArray("xyz");
    QTest::newRow("lengths differ") << entries({{0, 2, 0}}) << QByteArray("ab") << entries({{0, 3, 0}})
                                    << QByteArray("abc") << entries({{0, 3, 0}}) << QByteArray("abc");
    QTest::newRow("moved, extra only") << entries({{0, 3, 0}}) << QByteArray("abc") << entries({{2, 3, 9}})
                                       << QByteArray("..abc") << none << none;
    QTest::newRow("bytes differ") << entries({{0, 3, 0}}) << QByteArray("abc") << entries({{1, 3, 0}})
                                  << QByteArray(".abd") << entries({{0, 3, 0}}) << QByteArray("abd");
    QTest::newRow("both length 0") << entries({{0, 0, 0}}) << none << entries({{0, 0, 5}}) << none << none
                                   << none;
    QTest::newRow("new, length 0") << entries({{-1, 0, 0}}) << none << entries({{0, 0, 5}}) << none
                                   << entries({{0, 0, 5}}) << none;
    // Length 0 reads nothing, so an offset at or past the end is no damage.
    QTest::newRow("new, length 0 past the end") << entries({{-1, 0, 0}}) << none << entries({{99, 0, 5}})
                                                << QByteArray("ab") << entries({{0, 0, 5}}) << none;
    QTest::newRow("length 0 both, past the end") << entries({{70, 0, 0}}) << QByteArray("a")
                                                 << entries({{1, 0, 5}}) << QByteArray("b") << none << none;
    QTest::newRow("emptied, length 0 past the end")
        << entries({{70, 0, 3}}) << none << entries({{-1, 0, 4}}) << none << entries({{-1, 0, 4}}) << none;
}

void JobsTest::staticsDecisionTable()
{
    QFETCH(QByteArray, reference);
    QFETCH(QByteArray, referenceData);
    QFETCH(QByteArray, current);
    QFETCH(QByteArray, currentData);
    QFETCH(QByteArray, record);
    QFETCH(QByteArray, bytes);
    Workspace ws;
    // Block 0 is the same on both sides and makes the block under test block 1.
    const QByteArray same = entries({{-1, 0, 0}});
    QVERIFY(runJob("generate statics",
                   files(ws, {same + reference, referenceData, same + current, currentData}), ws.out())
                .succeeded());
    QCOMPARE(read(ws.outFile("stadifl0.mul")), record.isEmpty() ? QByteArray() : int32s({1}));
    QCOMPARE(read(ws.outFile("stadifi0.mul")), record);
    QCOMPARE(read(ws.outFile("stadif0.mul")), bytes);
}

void JobsTest::staticsCombineCompactsAndReplaces()
{
    Workspace ws;
    // Blocks out of order, overlapping (2 and 3), with gaps between them.
    const QByteArray index = entries({{10, 3, 1}, {-1, 4, 2}, {0, 5, 3}, {2, 3, 4}, {20, 2, 5}});
    const QByteArray data = "0123456789abcdefghijkl";
    QVERIFY(runJob("combine statics", files(ws, {index, data, "", "", ""}), ws.out()).succeeded());
    QCOMPARE(read(ws.outFile("staidx0.mul")),
             entries({{0, 3, 1}, {-1, 4, 2}, {3, 5, 3}, {8, 3, 4}, {11, 2, 5}}));
    QCOMPARE(read(ws.outFile("statics0.mul")), QByteArray("abc01234234kl"));

    // Block 4 twice (the first wins), numbers outside the index, the last
    // block replaced, and block 2 emptied: the blocks after it move up.
    const QByteArray difl = int32s({4, 1, 4, 7, -3, 2});
    const QByteArray difi =
        entries({{0, 2, 50}, {-1, 9, 60}, {9000, 9000, 0}, {-1, 0, 0}, {-1, 0, 0}, {-1, 5, 70}});
    const JobOutcome outcome =
        runJob("combine statics", files(ws, {index, data, "zz", difi, difl}), ws.out());
    QCOMPARE(outcome.result().records, 3);
    QCOMPARE(read(ws.outFile("staidx0.mul")),
             entries({{0, 3, 1}, {-1, 9, 60}, {-1, 5, 70}, {3, 3, 4}, {6, 2, 50}}));
    QCOMPARE(read(ws.outFile("statics0.mul")), QByteArray("abc234zz"));

    // Length 0 entries, from the current pair or the difference files, read
    // nothing wherever they point and take the offset where they land.
    QVERIFY(runJob("combine statics",
                   files(ws, {entries({{99, 0, 5}, {0, 2, 0}, {-1, 0, 0}}), "ab", "", entries({{1000, 0, 3}}),
                              int32s({2})}),
                   ws.out())
                .succeeded());
    QCOMPARE(read(ws.outFile("staidx0.mul")), entries({{0, 0, 5}, {0, 2, 0}, {2, 0, 3}}));
    QCOMPARE(read(ws.outFile("statics0.mul")), QByteArray("ab"));

    // A 0-byte index: no blocks, whatever the locator holds.
    QVERIFY(
        runJob("combine statics", files(ws, {"", "junk", "x", "y", int32s({0, 5})}), ws.out()).succeeded());
    QCOMPARE(QFileInfo(ws.outFile("staidx0.mul")).size() + QFileInfo(ws.outFile("statics0.mul")).size(), 0);
}

// The locator is read in pieces of InputFile::MaxView bytes (262,144
// records); records past the first piece keep their whole ordinal. Record r
// names block N - 1 - r and carries r in its length and extra.
void JobsTest::staticsCombineTakesFullOrdinals()
{
    constexpr qint32 Blocks = 300000;
    QByteArray index, locator, difIndex, expected;
    for (qint32 r = 0; r < Blocks; ++r) {
        index += entries({{-1, 0, 0}});
        locator += int32s({Blocks - 1 - r});
        difIndex += entries({{-1, r, r}});
        expected += entries({{-1, Blocks - 1 - r, Blocks - 1 - r}});
    }
    Workspace ws;
    const JobOutcome outcome =
        runJob("combine statics", files(ws, {index, "", "", difIndex, locator}), ws.out());
    QCOMPARE(outcome.result().records, Blocks);
    QCOMPARE(read(ws.outFile("staidx0.mul")), expected);
}

void JobsTest::namesFollowTheFacet()
{
    for (int facet = 0; facet < 4; ++facet) {
        Workspace ws;
        const QStringList map = files(ws, {randomMap(2, 5), "", ""});
        const QStringList statics = files(ws, {entries({{-1, 0, 0}}), "", "", ""});
        QVERIFY(runJob("generate map", {map[0], map[0]}, ws.out(), facet).succeeded());
        QVERIFY(runJob("combine map", map, ws.out(), facet).succeeded());
        QVERIFY(runJob("generate statics", {statics[0], statics[1], statics[0], statics[1]}, ws.out(), facet)
                    .succeeded());
        QVERIFY(runJob("combine statics", {statics[0], statics[1], statics[2], statics[3], statics[3]},
                       ws.out(), facet)
                    .succeeded());
        QStringList expected;
        for (const char* name :
             {"map", "mapdif", "mapdifl", "stadif", "stadifi", "stadifl", "staidx", "statics"})
            expected << QString("%1%2.mul").arg(name).arg(facet);
        QCOMPARE(ws.outFiles(), expected);
    }
}

void JobsTest::checksInOrder_data()
{
    QTest::addColumn<QString>("job");
    // Per input: good, missing, empty, long (twice the good size), or for a map
    // uop (the good map in a container) or damaged (a container without chunk 1).
    QTest::addColumn<QString>("inputs");
    QTest::addColumn<QString>("outDir");   // out, missing, file, empty
    QTest::addColumn<QString>("blocker");  // a directory in out that takes an output's name
    QTest::addColumn<QString>("message");
    const auto row = [](const char* job, const char* inputs, const char* outDir, const char* blocker,
                        const char* message) {
        QTest::addRow("%s: %s, %s %s", job, inputs, outDir, blocker)
            << job << inputs << outDir << blocker << message;
    };
    row("generate map", "missing missing", "missing", "", "Unable to open reference data file");
    row("generate map", "empty good", "out", "", "Unable to open reference data file");
    row("generate map", "good missing", "missing", "", "Unable to open map data file");
    row("generate map", "long good", "missing", "", "Map data files are different sizes");
    for (const char* outDir : {"missing", "file", "empty"})
        row("generate map", "good good", outDir, "", "Output Directory does not exist");
    for (const char* blocker : {"mapdif0.mul", "mapdifl0.mul"})
        row("generate map", "good good", "out", blocker, "Unable to create diff files");
    row("generate map", "damaged good", "missing", "", "Unable to open reference data file");
    row("generate map", "uop damaged", "missing", "", "Unable to open map data file");
    row("generate map", "uop long", "missing", "", "Map data files are different sizes");
    row("generate map", "long uop", "missing", "", "Map data files are different sizes");
    row("combine map", "damaged good good", "missing", "", "Unable to open map file");
    row("combine map to uop", "uop good good", "out", "map0LegacyMUL.uop", "Unable to create new map file");
    for (const char* input : {"missing", "empty", "damaged"})
        row("convert map", input, "out", "", "Unable to open map file");
    row("convert map to uop", "uop", "empty", "", "Output Directory does not exist");
    row("convert map", "uop", "missing", "", "Unable to create new map file");
    row("convert map to uop", "good", "out", "map0LegacyMUL.uop", "Unable to create new map file");
    row("combine map", "missing missing missing", "missing", "", "Unable to open map file");
    row("combine map", "missing good good", "empty", "", "Unable to open map file");
    row("combine map", "good missing good", "missing", "", "Unable to open dif files");
    row("combine map", "good good empty", "out", "", "Unable to open dif files");
    row("combine map", "good good good", "empty", "", "Output Directory does not exist");
    for (const char* outDir : {"missing", "file"})
        row("combine map", "good good good", outDir, "", "Unable to create new map file");
    row("generate statics", "good missing missing good", "missing", "",
        "Unable to open reference or index data file");
    row("generate statics", "empty good good good", "out", "", "Unable to open reference or index data file");
    row("generate statics", "good good good missing", "missing", "",
        "Unable to open statics data or index file");
    row("generate statics", "good good missing good", "out", "", "Unable to open statics data or index file");
    row("generate statics", "long good good good", "missing", "", "Index files are different sizes");
    for (const char* outDir : {"missing", "empty"})
        row("generate statics", "good good good good", outDir, "", "Output Directory does not exist");
    for (const char* blocker : {"stadif0.mul", "stadifl0.mul", "stadifi0.mul"})
        row("generate statics", "good good good good", "out", blocker, "Unable to create diff files");
    row("combine statics", "good missing missing good good", "missing", "", "Unable to open static files");
    row("combine statics", "empty good good good good", "out", "", "Unable to open static files");
    row("combine statics", "good good missing good good", "missing", "", "Unable to open dif files");
    row("combine statics", "good good good missing good", "out", "", "Unable to open dif files");
    row("combine statics", "good good good good empty", "out", "", "Unable to open dif files");
    row("combine statics", "good good good good good", "empty", "", "Output Directory does not exist");
    row("combine statics", "good good good good good", "missing", "", "Unable to create new static files");
    for (const char* blocker : {"statics0.mul", "staidx0.mul"})
        row("combine statics", "good good good good good", "out", blocker,
            "Unable to create new static files");
}

void JobsTest::checksInOrder()
{
    QFETCH(QString, job);
    QFETCH(QString, inputs);
    QFETCH(QString, outDir);
    QFETCH(QString, blocker);
    QFETCH(QString, message);
    const QMap<QString, QList<QByteArray>> good{
        {"generate map", {randomMap(3, 6), randomMap(3, 7)}},
        {"combine map", {randomMap(3, 6), randomMap(1, 7), int32s({0})}},
        {"convert map", {randomMap(3, 6)}},
        {"generate statics", {entries({{0, 2, 0}}), "ab", entries({{0, 2, 0}}), "xy"}},
        {"combine statics", {entries({{0, 2, 0}}), "xy", "z", entries({{0, 1, 0}}), int32s({0})}}};
    Workspace ws;
    if (!blocker.isEmpty())
        QDir(ws.out()).mkdir(blocker);
    QStringList paths;
    const QStringList kinds = inputs.split(' ');
    for (int i = 0; i < kinds.size(); ++i) {
        const QByteArray bytes = good[job.section(" to ", 0, 0)][i];
        const QMap<QString, QByteArray> made{{"good", bytes},
                                             {"long", bytes + bytes},
                                             {"uop", container(bytes)},
                                             {"damaged", container(bytes, true)}};
        paths << (kinds[i] == "missing" ? ws.path("absent.mul")
                  : kinds[i] == "empty" ? QString()
                                        : ws.file(QString("in%1.mul").arg(i), made[kinds[i]]));
    }
    RecordingProgress progress;
    const JobOutcome outcome = runJob(job, paths, outDirFor(ws, outDir), 0, &progress);
    QCOMPARE(outcome.message(), message);
    QCOMPARE(progress.begun, 0);  // every check comes before the walk
    QCOMPARE(ws.outFiles(), QStringList());
}

void JobsTest::damagedInputStopsTheRun_data()
{
    QTest::addColumn<QString>("job");
    QTest::addColumn<QList<QByteArray>>("inputs");
    QTest::addColumn<QString>("message");
    const QByteArray good = entries({{0, 2, 0}}), data = "12345678";
    const QList<std::pair<const char*, QByteArray>> damage{{"negative offset", entries({{-2, 1, 0}})},
                                                           {"negative length", entries({{0, -1, 0}})},
                                                           {"past the end", entries({{6, 3, 0}})},
                                                           {"huge length", entries({{0, 0x7fffffff, 0}})}};
    for (const auto& [name, bad] : damage) {
        QTest::addRow("reference, %s", name)
            << "generate statics" << QList<QByteArray>{good + bad, data, good + good, data}
            << "Reference statics are damaged at block 1";
        QTest::addRow("current, %s", name)
            << "generate statics" << QList<QByteArray>{good + good, data, good + bad, data}
            << "Current statics are damaged at block 1";
        QTest::addRow("combined current, %s", name)
            << "combine statics" << QList<QByteArray>{good + bad, data, data, good, int32s({0})}
            << "Current statics are damaged at block 1";
        QTest::addRow("difference index, %s", name)
            << "combine statics" << QList<QByteArray>{good + good, data, data, good + bad, int32s({0, 1})}
            << "Dif files are damaged at block 1";
    }
    QTest::newRow("record past the difference index")
        << "combine statics" << QList<QByteArray>{good + good, data, data, good + "\1\2", int32s({0, 1})}
        << "Dif files are damaged at block 1";
    // A container's zlib stream is checked as the walk unpacks it.
    const QByteArray map = randomMap(3, 8);
    containerbuilder::Part cut = containerbuilder::zlibChunk(0, 0, map);
    cut.stored.chop(6);
    const QByteArray unpackable = containerbuilder::build({cut}).bytes;
    QTest::newRow("container, generate")
        << "generate map" << QList<QByteArray>{map, unpackable} << "Unable to read map data files";
    QTest::newRow("container, combine") << "combine map" << QList<QByteArray>{unpackable, map, int32s({1})}
                                        << "Unable to read map or dif files";
    QTest::newRow("container, convert")
        << "convert map to uop" << QList<QByteArray>{unpackable} << "Unable to read map file";
    QTest::newRow("record past the map dif data")
        << "combine map"
        << QList<QByteArray>{randomMap(4, 8), randomMap(1, 9) + QByteArray(100, 'x'), int32s({0, 0, 3})}
        << "Dif files are damaged at block 3";
}

void JobsTest::damagedInputStopsTheRun()
{
    QFETCH(QString, job);
    QFETCH(QList<QByteArray>, inputs);
    QFETCH(QString, message);
    Workspace ws;
    // Earlier outputs of every job survive a failed run.
    const QStringList earlier{"map0.mul",    "staidx0.mul",  "statics0.mul",
                              "stadif0.mul", "stadifi0.mul", "stadifl0.mul"};
    for (const QString& name : earlier)
        testfiles::write(ws.outFile(name), name.toLatin1());
    RecordingProgress progress;
    QCOMPARE(runJob(job, files(ws, inputs), ws.out(), 0, &progress).message(), message);
    QCOMPARE(progress.ended, 1);
    QCOMPARE(ws.outFiles().size(), earlier.size());
    for (const QString& name : earlier)
        QCOMPARE(read(ws.outFile(name)), name.toLatin1());
}

void JobsTest::partialRecordsAndFragments()
{
    Workspace ws;
    const QByteArray map = randomMap(3, 10), tail = "\5\6\7\10\11";
    // Generation compares whole blocks only; combination carries the fragment over.
    QVERIFY(runJob("generate map", files(ws, {map + "aaaa", map + "bbbb"}), ws.out()).succeeded());
    QCOMPARE(read(ws.outFile("mapdifl0.mul")), QByteArray());
    const QByteArray newBlock = randomMap(1, 11);
    QVERIFY(
        runJob("combine map", files(ws, {map + "bbbb", newBlock, int32s({1}) + tail}), ws.out()).succeeded());
    QCOMPARE(read(ws.outFile("map0.mul")), block(map, 0) + newBlock + block(map, 2) + "bbbb");

    RecordingProgress progress;
    const QByteArray index = entries({{0, 2, 0}, {2, 2, 0}}) + tail;
    QVERIFY(runJob("generate statics", files(ws, {index, "abcd", index, "abxy"}), ws.out(), 0, &progress)
                .succeeded());
    QCOMPARE(progress.total, 2);
    QCOMPARE(read(ws.outFile("stadifl0.mul")), int32s({1}));
    // A replaced block's damaged current entry is never read through.
    const QByteArray damaged = entries({{0, 2, 0}, {99, 99, 0}}) + tail;
    QVERIFY(runJob("combine statics",
                   files(ws, {damaged, "abcd", "zz", entries({{0, 2, 3}}) + tail, int32s({1}) + tail}),
                   ws.out())
                .succeeded());
    QCOMPARE(read(ws.outFile("staidx0.mul")), entries({{0, 2, 0}, {2, 2, 3}}));
    QCOMPARE(read(ws.outFile("statics0.mul")), QByteArray("abzz"));
}

void JobsTest::roundTrip_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    for (const auto& [width, height] : {std::pair{1, 1}, {9, 11}, {10, 10}, {101, 1}, {25, 10}, {128, 128}})
        QTest::addRow("%d blocks", width * height) << width << height;
}

void JobsTest::roundTrip()
{
    QFETCH(int, width);
    QFETCH(int, height);
    Workspace ws;
    SampleFacetOptions options{ws.path("sample"), 0, width, height, 0.3, 0.1, 0.1, quint32(width)};
    QVERIFY(writeSampleFacet(options).status.ok());
    const FacetFiles reference = referenceFiles(options), current = editedFiles(options);
    QList<qint64> steps;
    for (qint64 step = 0; step < width * height; step += 100)
        steps << step;
    const QList<std::pair<QString, QStringList>> runs{
        {"generate map", {reference.map, current.map}},
        {"combine map", {reference.map, ws.outFile("mapdif0.mul"), ws.outFile("mapdifl0.mul")}},
        {"generate statics", {reference.index, reference.data, current.index, current.data}},
        {"combine statics",
         {reference.index, reference.data, ws.outFile("stadif0.mul"), ws.outFile("stadifi0.mul"),
          ws.outFile("stadifl0.mul")}}};
    for (const auto& [job, inputs] : runs) {
        RecordingProgress progress;
        QVERIFY2(runJob(job, inputs, ws.out(), 0, &progress).succeeded(), qPrintable(job));
        QCOMPARE(progress.total, width * height);
        QCOMPARE(progress.steps, steps);
        QCOMPARE(progress.ended, 1);
    }
    const FacetCheck map = checkCombinedMap(current.map, ws.outFile("map0.mul"));
    QVERIFY2(map.status.ok(), qPrintable(map.status.message()));
    const FacetCheck statics = checkCombinedStatics(current.index, current.data, ws.outFile("staidx0.mul"),
                                                    ws.outFile("statics0.mul"));
    QVERIFY2(statics.status.ok(), qPrintable(statics.status.message()));
}

void JobsTest::containersGiveWhatPlainFilesGive()
{
    Workspace ws;
    // Three chunks, the last one short, then a fragment past the last whole
    // block; changed blocks in every chunk.
    const int blocks = 2 * 4096 + 300;
    const QByteArray reference = randomMap(blocks, 20) + "frag";
    QByteArray current = reference;
    for (const int changed : {5, 4100, 8300})
        current.replace(changed * BlockSize + 4, 192, testfiles::randomBytes(192, changed));
    const QString referenceMap = ws.file("ref.mul", reference), currentMap = ws.file("cur.mul", current);
    // The reference in a container such as no writer of ours makes: zlib and
    // stored chunks out of order, in two tables chained backwards, padded.
    containerbuilder::Layout layout;
    layout.capacity = 3;
    layout.tablesBackwards = true;
    layout.tables = {{2, -1}, {1, 0}};
    const QString referenceUop = ws.file(
        "ref.uop",
        containerbuilder::build(containerbuilder::mapChunks(0, reference, {true, false, true}), layout)
            .bytes);
    // The current map in the container that conversion writes.
    QVERIFY(runJob("convert map to uop", {currentMap}, ws.path(""), 2).succeeded());
    const QString currentUop = ws.path("map2LegacyMUL.uop");

    const auto run = [&](const QString& job, const QStringList& inputs) {
        QDir(ws.out()).removeRecursively();
        QDir().mkpath(ws.out());
        RecordingProgress progress;
        const JobOutcome outcome = runJob(job, inputs, ws.out(), 0, &progress);
        return std::pair(contents(ws.out()), outcome.succeeded() ? progress.steps : QList<qint64>{-1});
    };
    const auto plainGenerated = run("generate map", {referenceMap, currentMap});
    QCOMPARE(plainGenerated.first["mapdifl0.mul"], int32s({5, 4100, 8300}));
    QCOMPARE(run("generate map", {referenceUop, currentMap}), plainGenerated);
    QCOMPARE(run("generate map", {referenceMap, currentUop}), plainGenerated);
    QCOMPARE(run("generate map", {referenceUop, currentUop}), plainGenerated);
    const QString dif = ws.file("dif", plainGenerated.first["mapdif0.mul"]);
    const QString difl = ws.file("difl", plainGenerated.first["mapdifl0.mul"]);
    const auto plainCombined = run("combine map", {referenceMap, dif, difl});
    QCOMPARE(plainCombined.first["map0.mul"], current);
    QCOMPARE(run("combine map", {referenceUop, dif, difl}), plainCombined);

    // Into a container and back: the plain map, byte for byte.
    const auto combinedUop = run("combine map to uop", {referenceUop, dif, difl});
    QCOMPARE(combinedUop.first.keys(), QStringList{"map0LegacyMUL.uop"});
    QCOMPARE(combinedUop.second, plainCombined.second);
    const QString kept = ws.file("combined.uop", combinedUop.first["map0LegacyMUL.uop"]);
    QCOMPARE(run("convert map", {kept}), plainCombined);
    QCOMPARE(checkCombinedMap(currentMap, kept).status.message(), QString());
}

void JobsTest::readAndWriteErrors_data()
{
    QTest::addColumn<QString>("job");
    QTest::addColumn<QString>("readError");
    QTest::addColumn<QString>("writeError");
    QTest::newRow("generate map") << "generate map"
                                  << "Unable to read map data files"
                                  << "Unable to write diff files";
    QTest::newRow("combine map") << "combine map"
                                 << "Unable to read map or dif files"
                                 << "Unable to write new map file";
    QTest::newRow("convert map") << "convert map"
                                 << "Unable to read map file"
                                 << "Unable to write new map file";
    QTest::newRow("generate statics") << "generate statics"
                                      << "Unable to read statics files"
                                      << "Unable to write diff files";
    QTest::newRow("combine statics") << "combine statics"
                                     << "Unable to read statics or dif files"
                                     << "Unable to write new static files";
}

void JobsTest::readAndWriteErrors()
{
    QFETCH(QString, job);
    QFETCH(QString, readError);
    QFETCH(QString, writeError);
    Workspace ws;
    // Large enough that no input fits in one read window.
    SampleFacetOptions options{ws.path("sample"), 0, 256, 128, 0.5, 0, 0, 12};
    QVERIFY(writeSampleFacet(options).status.ok());
    const FacetFiles reference = referenceFiles(options), current = editedFiles(options);
    const QString empty = ws.file("empty.mul", "");
    const QStringList inputs = job == "generate map"  ? QStringList{reference.map, current.map}
                               : job == "combine map" ? QStringList{current.map, empty, empty}
                               : job == "convert map" ? QStringList{current.map}
                               : job == "generate statics"
                                   ? QStringList{reference.index, reference.data, current.index, current.data}
                                   : QStringList{current.index, current.data, empty, empty, empty};
    const QString shrinking = job.endsWith("map") ? current.map : current.data;
    {
        FileSizeLimit limit(16 * 1024);
        QCOMPARE(runJob(job, inputs, ws.out()).message(), writeError);
    }
    RecordingProgress progress;
    progress.actAt = 100;
    progress.action = [&] { QFile::resize(shrinking, 1000); };
    QCOMPARE(runJob(job, inputs, ws.out(), 0, &progress).message(), readError);
    QCOMPARE(ws.outFiles(), QStringList());
}

void JobsTest::stoppedRunLeavesNothing()
{
    Workspace ws;
    const QStringList maps = files(ws, {randomMap(300, 12), randomMap(300, 13), randomMap(300, 14)});
    QVERIFY(runJob("generate map", {maps[0], maps[1]}, ws.out()).succeeded());
    const QByteArray earlier = read(ws.outFile("mapdif0.mul"));
    RecordingProgress progress;
    progress.stopAt = 200;
    const JobOutcome stopped = runJob("generate map", {maps[0], maps[2]}, ws.out(), 0, &progress);
    QVERIFY(stopped.stopped() && !stopped.succeeded());
    QCOMPARE(progress.ended, 1);
    QCOMPARE(ws.outFiles(), QStringList({"mapdif0.mul", "mapdifl0.mul"}));
    QCOMPARE(read(ws.outFile("mapdif0.mul")), earlier);
}

void JobsTest::combineIntoTheFolderOfItsInputs()
{
    Workspace ws;
    const QByteArray map = randomMap(3, 15), newBlock = randomMap(1, 16);
    testfiles::write(ws.outFile("map0.mul"), map);
    testfiles::write(ws.outFile("staidx0.mul"), entries({{2, 2, 0}, {0, 2, 0}}));
    testfiles::write(ws.outFile("statics0.mul"), "abcd");
    QVERIFY(runJob("combine map", {ws.outFile("map0.mul"), ws.file("d", newBlock), ws.file("l", int32s({2}))},
                   ws.out())
                .succeeded());
    QCOMPARE(read(ws.outFile("map0.mul")), block(map, 0) + block(map, 1) + newBlock);
    QVERIFY(runJob("combine statics",
                   {ws.outFile("staidx0.mul"), ws.outFile("statics0.mul"), ws.file("d", "zz"),
                    ws.file("i", entries({{0, 2, 7}})), ws.file("l", int32s({0}))},
                   ws.out())
                .succeeded());
    QCOMPARE(read(ws.outFile("staidx0.mul")), entries({{0, 2, 7}, {2, 2, 0}}));
    QCOMPARE(read(ws.outFile("statics0.mul")), QByteArray("zzab"));
    QCOMPARE(ws.outFiles().size(), 3);
}

QTEST_GUILESS_MAIN(JobsTest)
#include "tst_jobs.moc"
