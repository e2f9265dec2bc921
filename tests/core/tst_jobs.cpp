// The four jobs and the map conversion: record layouts and names, the checks
// and their messages in order, compaction, damaged and failing inputs, round
// trips on sample facets, maps in package containers read and written, and
// what is left behind when a run fails or is stopped.

#include "containerbuilder.h"
#include "facetcheck.h"
#ifndef _WIN32  // no RLIMIT_FSIZE there
#include "filesizelimit.h"
#endif
#include "jobs.h"
#include "samplefacet.h"
#include "workspace.h"

#include <QtTest>

#include <functional>

using namespace quillmark;

using testfiles::entries;
using testfiles::Entry;
using testfiles::int32s;
using testfiles::read;

namespace {

constexpr int BlockSize = 196;

// Records what a job reports; `onStep` may act at a step, and stops the job
// by returning false.
class RecordingProgress final : public JobProgress
{
public:
    void begin(qint64 totalSteps) override { total = totalSteps; }
    bool advance(qint64 step) override
    {
        steps << step;
        return !onStep || onStep(step);
    }
    void end() override { ++ended; }

    qint64 total = -1;
    int ended = 0;
    QList<qint64> steps;
    std::function<bool(qint64)> onStep;
};

const auto randomMap = [](int blocks, quint32 seed) {
    return testfiles::randomBytes(blocks * BlockSize, seed);
};
const auto block = [](const QByteArray& map, int i) { return map.mid(i * BlockSize, BlockSize); };

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

// Inputs that name a file that is not there, or no file at all.
const QByteArray Missing = "<missing>", Unnamed = "<unnamed>";

QStringList files(const Workspace& ws, const QList<QByteArray>& contents)
{
    QStringList paths;
    for (const QByteArray& bytes : contents)
        paths << (bytes == Missing   ? ws.path("absent.mul")
                  : bytes == Unnamed ? QString()
                                     : ws.file(QString("in%1.mul").arg(paths.size()), bytes));
    return paths;
}

// A job's inputs from their kinds: good, missing, empty (no name), long (twice
// the good size), or for a map uop (the good map in a container) or damaged
// (a container with chunks 0 and 2 of it but no chunk 1).
QList<QByteArray> inputsOf(const QString& job, const QString& kinds)
{
    using namespace containerbuilder;
    const QMap<QString, QList<QByteArray>> good{
        {"generate map", {randomMap(3, 6), randomMap(3, 7)}},
        {"combine map", {randomMap(3, 6), randomMap(1, 7), int32s({0})}},
        {"generate statics", {entries({{0, 2, 0}}), "ab", entries({{0, 2, 0}}), "xy"}},
        {"combine statics", {entries({{0, 2, 0}}), "xy", "z", entries({{0, 1, 0}}), int32s({0})}}};
    QList<QByteArray> inputs;
    for (const QString& kind : kinds.split(' ')) {
        // Conversion reads the map that generation reads first.
        const QByteArray bytes = good.value(job.section(" to ", 0, 0), good["generate map"])[inputs.size()];
        inputs << QMap<QString, QByteArray>{
            {"good", bytes},
            {"missing", Missing},
            {"empty", Unnamed},
            {"long", bytes + bytes},
            {"uop", build(mapChunks(0, bytes)).bytes},
            {"damaged", build({storedChunk(0, 0, bytes), storedChunk(0, 2, bytes)}).bytes}}[kind];
    }
    return inputs;
}

// Every file of a directory with its bytes.
QMap<QString, QByteArray> contents(const QString& dir)
{
    QMap<QString, QByteArray> files;
    for (const QString& name : testfiles::filesIn(dir))
        files[name] = read(dir + '/' + name);
    return files;
}

}  // namespace

class JobsTest : public QObject
{
    Q_OBJECT

private slots:
    // Only payloads are compared, and a fragment past the last whole block
    // never; a record carries the current block, header and all.
    void mapRecords()
    {
        Workspace ws;
        const QByteArray reference = randomMap(300, 1) + "aaaa";
        QByteArray current = reference;
        current.replace(5 * BlockSize, 196, randomMap(1, 2));                       // payload and header
        current.replace(270 * BlockSize + 4, 192, QByteArray(192, 0));              // payload only
        current.replace(2 * BlockSize, 4, int32s({77}));                            // header only
        current[299 * BlockSize + 195] = char(current[299 * BlockSize + 195] ^ 1);  // the very last byte
        current.replace(300 * BlockSize, 4, "bbbb");
        QVERIFY(runJob("generate map", files(ws, {reference, current}), ws.out(), 1).succeeded());
        QCOMPARE(ws.outFiles(), QStringList({"mapdif1.mul", "mapdifl1.mul"}));
        QCOMPARE(read(ws.outFile("mapdifl1.mul")), int32s({5, 270, 299}));
        QCOMPARE(read(ws.outFile("mapdif1.mul")),
                 block(current, 5) + block(current, 270) + block(current, 299));

        // Block 3 twice (the first record wins), numbers outside the map and a
        // partial record ignored, the last block replaced, the fragment kept.
        const QByteArray map = randomMap(5, 3) + "frag", dif = randomMap(5, 4);
        const QString target = ws.file("out/map2.mul", map);  // the new map takes its place
        const QStringList inputs =
            QStringList{target} + files(ws, {dif, int32s({3, 1, 4, 3, 9, -1}) + "\5\6"});
        QVERIFY(runJob("combine map", inputs, ws.out(), 2).succeeded());
        QCOMPARE(ws.outFiles(), QStringList({"map2.mul", "mapdif1.mul", "mapdifl1.mul"}));
        QCOMPARE(read(target),
                 block(map, 0) + block(dif, 1) + block(map, 2) + block(dif, 0) + block(dif, 2) + "frag");
    }

    // One block after one that is the same on both sides, and a partial entry
    // that is no block: the record written for it, if any, and the bytes.
    void staticsDecisionTable_data()
    {
        QTest::addColumn<QList<QByteArray>>("pairs");
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QByteArray>("bytes");
        const auto row = [](const char* name, Entry was, const char* wasData, Entry now, const char* nowData,
                            std::initializer_list<Entry> record, const char* bytes) {
            const QByteArray same = entries({{-1, 0, 0}});
            QTest::newRow(name) << QList<QByteArray>{same + entries({was}) + "\1", wasData,
                                                     same + entries({now}) + "\2", nowData}
                                << entries(record) << QByteArray(bytes);
        };
        row("emptied", {0, 3, 1}, "abc", {-1, 5, 9}, "", {{-1, 5, 9}}, "");
        row("empty both", {-1, 0, 0}, "", {-1, 7, 7}, "", {}, "");
        row("new", {-1, 0, 0}, "", {0, 3, 4}, "xyz", {{0, 3, 4}}, "xyz");
        row("lengths differ", {0, 2, 0}, "ab", {0, 3, 0}, "abc", {{0, 3, 0}}, "abc");
        row("moved, extra only", {0, 3, 0}, "abc", {2, 3, 9}, "..abc", {}, "");
        row("bytes differ", {0, 3, 0}, "abc", {1, 3, 0}, ".abd", {{0, 3, 0}}, "abd");
        row("both length 0", {0, 0, 0}, "", {0, 0, 5}, "", {}, "");
        row("new, length 0", {-1, 0, 0}, "", {0, 0, 5}, "", {{0, 0, 5}}, "");
        // Length 0 reads nothing, so an offset at or past the end is no damage.
        row("new, length 0 past the end", {-1, 0, 0}, "", {99, 0, 5}, "ab", {{0, 0, 5}}, "");
        row("length 0 both, past the end", {70, 0, 0}, "a", {1, 0, 5}, "b", {}, "");
        row("emptied, length 0 past the end", {70, 0, 3}, "", {-1, 0, 4}, "", {{-1, 0, 4}}, "");
    }
    void staticsDecisionTable()
    {
        QFETCH(QList<QByteArray>, pairs);
        QFETCH(QByteArray, record);
        QFETCH(QByteArray, bytes);
        Workspace ws;
        QVERIFY(runJob("generate statics", files(ws, pairs), ws.out()).succeeded());
        QCOMPARE(read(ws.outFile("stadifl0.mul")), record.isEmpty() ? QByteArray() : int32s({1}));
        QCOMPARE(read(ws.outFile("stadifi0.mul")), record);
        QCOMPARE(read(ws.outFile("stadif0.mul")), bytes);
    }

    void staticsCombineCompactsAndReplaces()
    {
        Workspace ws;
        // The current pair lies where the new one goes, and makes way for it.
        const auto combine = [&](const QList<QByteArray>& in, const QByteArray& index, const char* data) {
            const QStringList pair{ws.file("out/staidx0.mul", in[0]), ws.file("out/statics0.mul", in[1])};
            QVERIFY(runJob("combine statics", pair + files(ws, in.mid(2)), ws.out()).succeeded());
            QCOMPARE(ws.outFiles(), QStringList({"staidx0.mul", "statics0.mul"}));
            QCOMPARE(read(pair[0]), index);
            QCOMPARE(read(pair[1]), QByteArray(data));
        };
        // Blocks out of order, overlapping (2 and 3), with gaps between them.
        const QByteArray index = entries({{10, 3, 1}, {-1, 4, 2}, {0, 5, 3}, {2, 3, 4}, {20, 2, 5}});
        const QByteArray data = "0123456789abcdefghijkl";
        combine({index, data, "", "", ""}, entries({{0, 3, 1}, {-1, 4, 2}, {3, 5, 3}, {8, 3, 4}, {11, 2, 5}}),
                "abc01234234kl");
        // Block 4 twice (the first wins), numbers outside the index and a
        // partial record ignored, the last block replaced, and block 2
        // emptied: the blocks after it move up.
        combine({index, data, "zz",
                 entries({{0, 2, 50}, {-1, 9, 60}, {9000, 9000, 0}, {-1, 0, 0}, {-1, 0, 0}, {-1, 5, 70}}),
                 int32s({4, 1, 4, 7, -3, 2}) + "\1"},
                entries({{0, 3, 1}, {-1, 9, 60}, {-1, 5, 70}, {3, 3, 4}, {6, 2, 50}}), "abc234zz");
        // Length 0 entries, from the current pair or the difference files, read
        // nothing wherever they point and take the offset where they land. A
        // replaced block's damaged current entry is never read through.
        combine({entries({{99, 0, 5}, {99, 99, 0}, {0, 2, 0}, {-1, 0, 0}}) + "\1", "ab", "zz",
                 entries({{1000, 0, 3}, {0, 2, 6}}) + "\1", int32s({3, 1})},
                entries({{0, 0, 5}, {0, 2, 6}, {2, 2, 0}, {4, 0, 3}}), "zzab");
        // A 0-byte index: no blocks, whatever the locator holds.
        combine({"", "junk", "x", "y", int32s({0, 5})}, "", "");
        // The locator is read in pieces of InputFile::MaxView bytes (262,144
        // records); records past the first piece keep their whole ordinal.
        // Record r names block N - 1 - r and carries r in its length and extra.
        constexpr qint32 Blocks = 300000;
        QByteArray emptied, locator, difIndex, expected;
        for (qint32 r = 0; r < Blocks; ++r) {
            emptied += entries({{-1, 0, 0}});
            locator += int32s({Blocks - 1 - r});
            difIndex += entries({{-1, r, r}});
            expected += entries({{-1, Blocks - 1 - r, Blocks - 1 - r}});
        }
        combine({emptied, "", "", difIndex, locator}, expected, "");
    }

    void checksInOrder_data()
    {
        QTest::addColumn<QString>("job");
        QTest::addColumn<QList<QByteArray>>("inputs");
        // The output folder: out, missing, file, empty, or a folder in out by an output's name.
        QTest::addColumn<QString>("outDir");
        QTest::addColumn<QString>("failure");  // none, or part way: a full disk, a stop, an input shrinking
        QTest::addColumn<QString>("message");
        // Inputs of a kind each (see inputsOf); the checks before the walk, in their order.
        const auto row = [](const char* job, const char* kinds, const char* outDir, const char* message) {
            QTest::addRow("%s: %s, %s", job, kinds, outDir)
                << job << inputsOf(job, kinds) << outDir << "" << message;
        };
        for (const char* kinds : {"missing missing", "empty good", "damaged good"})
            row("generate map", kinds, "missing", "Unable to open reference data file");
        for (const char* kinds : {"good missing", "uop damaged"})
            row("generate map", kinds, "missing", "Unable to open map data file");
        for (const char* kinds : {"long good", "uop long", "long uop"})
            row("generate map", kinds, "missing", "Map data files are different sizes");
        for (const char* outDir : {"missing", "file", "empty"})
            row("generate map", "good good", outDir, "Output Directory does not exist");
        for (const char* blocker : {"mapdif0.mul", "mapdifl0.mul"})
            row("generate map", "good good", blocker, "Unable to create diff files");
        row("combine map to uop", "uop good good", "map0LegacyMUL.uop", "Unable to create new map file");
        for (const char* input : {"missing", "empty", "damaged"})
            row("convert map", input, "out", "Unable to open map file");
        row("convert map to uop", "uop", "empty", "Output Directory does not exist");
        row("convert map", "uop", "missing", "Unable to create new map file");
        row("convert map to uop", "good", "map0LegacyMUL.uop", "Unable to create new map file");
        for (const char* kinds : {"missing missing missing", "empty good good", "damaged good good"})
            row("combine map", kinds, "missing", "Unable to open map file");
        row("combine map", "missing good good", "empty", "Unable to open map file");
        for (const char* kinds : {"good missing good", "good good empty"})
            row("combine map", kinds, "missing", "Unable to open dif files");
        row("combine map", "good good good", "empty", "Output Directory does not exist");
        for (const char* outDir : {"missing", "file"})
            row("combine map", "good good good", outDir, "Unable to create new map file");
        for (const char* kinds : {"good missing missing good", "empty good good good"})
            row("generate statics", kinds, "missing", "Unable to open reference or index data file");
        for (const char* kinds : {"good good good missing", "good good missing good"})
            row("generate statics", kinds, "missing", "Unable to open statics data or index file");
        row("generate statics", "long good good good", "missing", "Index files are different sizes");
        for (const char* outDir : {"missing", "empty"})
            row("generate statics", "good good good good", outDir, "Output Directory does not exist");
        for (const char* blocker : {"stadif0.mul", "stadifl0.mul", "stadifi0.mul"})
            row("generate statics", "good good good good", blocker, "Unable to create diff files");
        for (const char* kinds : {"good missing missing good good", "empty good good good good"})
            row("combine statics", kinds, "missing", "Unable to open static files");
        for (const char* kinds :
             {"good good missing good good", "good good good missing good", "good good good good empty"})
            row("combine statics", kinds, "missing", "Unable to open dif files");
        row("combine statics", "good good good good good", "empty", "Output Directory does not exist");
        for (const char* outDir : {"missing", "statics0.mul", "staidx0.mul"})
            row("combine statics", "good good good good good", outDir, "Unable to create new static files");
        // Damage found during the walk.
        const auto damaged = [](QString name, const char* job, QList<QByteArray> inputs,
                                const char* message) {
            QTest::newRow(qPrintable(name)) << job << inputs << "out"
                                            << "" << message;
        };
        const QByteArray good = entries({{0, 2, 0}}), data = "12345678";
        const QList<std::pair<QString, QByteArray>> damage{{"negative offset", entries({{-2, 1, 0}})},
                                                           {"negative length", entries({{0, -1, 0}})},
                                                           {"past the end", entries({{6, 3, 0}})},
                                                           {"huge length", entries({{0, 0x7fffffff, 0}})}};
        for (const auto& [name, bad] : damage) {
            damaged("reference, " + name, "generate statics", {good + bad, data, good + good, data},
                    "Reference statics are damaged at block 1");
            damaged("current, " + name, "generate statics", {good + good, data, good + bad, data},
                    "Current statics are damaged at block 1");
            damaged("combined current, " + name, "combine statics",
                    {good + bad, data, data, good, int32s({0})}, "Current statics are damaged at block 1");
            damaged("difference index, " + name, "combine statics",
                    {good + good, data, data, good + bad, int32s({0, 1})},
                    "Dif files are damaged at block 1");
        }
        damaged("record past the difference index", "combine statics",
                {good + good, data, data, good + "\1\2", int32s({0, 1})}, "Dif files are damaged at block 1");
        damaged("record past the map dif data", "combine map",
                {randomMap(4, 8), randomMap(1, 9) + QByteArray(100, 'x'), int32s({0, 3})},
                "Dif files are damaged at block 3");
        // A container's zlib stream is checked as the walk unpacks it.
        const QByteArray map = randomMap(3, 8);
        containerbuilder::Part cut = containerbuilder::zlibChunk(0, 0, map);
        cut.stored.chop(6);
        const QByteArray unpackable = containerbuilder::build({cut}).bytes;
        damaged("container, generate", "generate map", {map, unpackable}, "Unable to read map data files");
        damaged("container, combine", "combine map", {unpackable, map, int32s({1})},
                "Unable to read map or dif files");
        damaged("container, convert", "convert map to uop", {unpackable}, "Unable to read map file");
        // Failures part way through walks over inputs larger than a read window.
        QByteArray index;
        for (int i = 0; i < 100000; ++i)
            index += entries({{i * 12, 12, 0}});
        const QByteArray large = randomMap(6000, 1), largeData = testfiles::randomBytes(index.size(), 1);
        const QMap<QString, QList<QByteArray>> largeInputs{
            {"generate map", {large, randomMap(6000, 2)}},
            {"combine map", {large, "", ""}},
            {"convert map", {large}},
            {"generate statics", {index, largeData, index, testfiles::randomBytes(index.size(), 2)}},
            {"combine statics", {index, largeData, "", "", ""}}};
        const auto failing = [&](const char* job, const char* readError, const char* writeError) {
            for (const auto& [failure, message] :
                 {std::pair{"full disk", writeError}, {"stopped", ""}, {"shrunk", readError}})
                QTest::addRow("%s: %s", job, failure)
                    << job << largeInputs[job] << "out" << failure << message;
        };
        failing("generate map", "Unable to read map data files", "Unable to write diff files");
        failing("combine map", "Unable to read map or dif files", "Unable to write new map file");
        failing("convert map", "Unable to read map file", "Unable to write new map file");
        failing("generate statics", "Unable to read statics files", "Unable to write diff files");
        failing("combine statics", "Unable to read statics or dif files", "Unable to write new static files");
    }
    // A failed or stopped run leaves the earlier outputs of every job as they
    // were, and nothing else. Every check comes before the walk begins; damage,
    // a full disk or a stop ends the walk it stops. The input that shrinks is
    // the current map, or the current statics data.
    void checksInOrder()
    {
        QFETCH(QString, job);
        QFETCH(QList<QByteArray>, inputs);
        QFETCH(QString, outDir);
        QFETCH(QString, failure);
        QFETCH(QString, message);
        Workspace ws;
        const QMap<QString, QString> outDirs{{"out", ws.out()},
                                             {"missing", ws.path("nowhere")},
                                             {"file", ws.file("plain.txt", "x")},
                                             {"empty", ""}};
        if (!outDirs.contains(outDir))
            QDir(ws.out()).mkdir(outDir);
        for (const char* name : {"map0.mul", "mapdif0.mul", "mapdifl0.mul", "staidx0.mul", "statics0.mul",
                                 "stadif0.mul", "stadifi0.mul", "stadifl0.mul"})
            ws.file(QString("out/") + name, name);  // earlier outputs of every job
        const QMap<QString, QByteArray> earlier = contents(ws.out());
        const QStringList paths = files(ws, inputs);
        const int current =
            QMap<QString, int>{{"generate map", 1}, {"generate statics", 3}, {"combine statics", 1}}[job];
        RecordingProgress progress;
        progress.onStep = [&](qint64 step) {
            if (step == 100 && failure == "shrunk")
                QFile::resize(paths[current], 1000);
            return step != 200 || failure != "stopped";
        };
#ifdef Q_OS_WIN
        if (failure == "full disk")
            QSKIP("The full disk is made with RLIMIT_FSIZE, which Windows lacks: it has no limit on a "
                  "process's file size, and no small volume can be mounted for a test under Wine");
#else
        const FileSizeLimit limit(failure == "full disk" ? 16 * 1024 : RLIM_INFINITY);
#endif
        const JobOutcome outcome = runJob(job, paths, outDirs.value(outDir, ws.out()), 0, &progress);
        QCOMPARE(outcome.message(), message);
        QCOMPARE(outcome.stopped(), failure == "stopped");
        const bool walked = !failure.isEmpty() || message.contains("damaged") || message.contains(" read ");
        QCOMPARE(progress.total != -1, walked);
        QCOMPARE(progress.ended, walked ? 1 : 0);
        QCOMPARE(contents(ws.out()), earlier);
    }

    void roundTrip_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("facet");
        int facet = 0;
        for (const auto& [width, height] :
             {std::pair{1, 1}, {9, 11}, {10, 10}, {101, 1}, {25, 10}, {128, 128}})
            QTest::addRow("%d blocks", width * height) << width << height << facet++;
    }
    // Generation then combination gives the current facet back. Maps read
    // from containers give what plain maps give, and a container written by
    // conversion or combination converts back to the same plain map. Progress
    // every 100 blocks; outputs named after the facet, and no others.
    void roundTrip()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, facet);
        Workspace ws;
        SampleFacetOptions options{ws.path("sample"), facet, width, height, 0.3, 0.1, 0.1, quint32(width)};
        QVERIFY(writeSampleFacet(options).status.ok());
        const FacetFiles reference = referenceFiles(options), current = editedFiles(options);
        const auto file = [&](const char* dir, const char* name) {
            return ws.path(dir) + '/' + name + QString::number(facet) + ".mul";
        };
        const auto uop = [&](const char* dir) { return uopformat::mapContainerName(ws.path(dir), facet); };
        const QString dif = file("out", "mapdif"), difl = file("out", "mapdifl");
        const QList<std::tuple<QString, QStringList, const char*>> runs{
            {"generate map", {reference.map, current.map}, "out"},
            {"combine map", {reference.map, dif, difl}, "out"},
            {"generate statics", {reference.index, reference.data, current.index, current.data}, "out"},
            {"combine statics",
             {reference.index, reference.data, file("out", "stadif"), file("out", "stadifi"),
              file("out", "stadifl")},
             "out"},
            {"convert map to uop", {reference.map}, "ref"},
            {"convert map to uop", {current.map}, "cur"},
            {"generate map", {uop("ref"), uop("cur")}, "new"},
            {"combine map to uop", {uop("ref"), dif, difl}, "new"},
            {"convert map", {uop("new")}, "new"},
            {"convert map", {uop("ref")}, "ref"}};
        QList<qint64> steps;
        for (qint64 step = 0; step < width * height; step += 100)
            steps << step;
        for (const auto& [job, inputs, dir] : runs) {
            RecordingProgress progress;
            QDir().mkpath(ws.path(dir));
            QVERIFY2(runJob(job, inputs, ws.path(dir), facet, &progress).succeeded(), qPrintable(job));
            QCOMPARE(progress.total, width * height);
            QCOMPARE(progress.steps, steps);
            QCOMPARE(progress.ended, 1);
        }
        QCOMPARE(checkCombinedMap(current.map, file("out", "map")).status.message(), QString());
        QCOMPARE(
            checkCombinedStatics(current.index, current.data, file("out", "staidx"), file("out", "statics"))
                .status.message(),
            QString());
        QCOMPARE(ws.outFiles().size(), 8);
        QCOMPARE(testfiles::filesIn(ws.path("new")).size(), 4);
        for (const char* name : {"mapdif", "mapdifl", "map"})
            QVERIFY2(read(file("new", name)) == read(file("out", name)), name);
        QVERIFY(read(file("ref", "map")) == read(reference.map));
    }
};

QTEST_GUILESS_MAIN(JobsTest)
#include "tst_jobs.moc"
