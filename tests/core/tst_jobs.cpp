// The four jobs and the map conversion: record layouts and names, the checks
// and their messages in order, compaction, damaged and failing inputs, round
// trips on sample facets, maps in package containers read and written, and
// what is left behind when a run fails or is stopped.

#include "containerbuilder.h"
#include "facetcheck.h"
#include "jobrun.h"
#include "memoryfilesystem.h"
#include "samplefacet.h"
#include "workspace.h"

#include <QtTest>

#include <functional>
#include <optional>

using namespace quillmark;

using testfiles::entries;
using testfiles::Entry;
using testfiles::int32s;
using testfiles::randomBytes;
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

// What a failure row puts in place of one of a job's inputs. A map input may
// be a container of the good map, or one with chunks 0 and 2 but no chunk 1.
enum In { Good, Missing, NoName, TwiceAsLong, InContainer, BrokenContainer };
const char* const InNames[] = {"good",          "missing",   "no name",
                               "twice as long", "container", "broken container"};

struct Given
{
    Given(const QByteArray& fileBytes = {}, In inputKind = Good) : kind(inputKind), bytes(fileBytes) {}
    Given(const char* fileBytes) : Given(QByteArray(fileBytes)) {}
    In kind;
    QByteArray bytes;  // of the file, unless it is missing or has no name
};

const char* const JobNames[] = {"generate map",
                                "combine map",
                                "combine map into a container",
                                "convert map",
                                "convert to a container",
                                "generate statics",
                                "combine statics"};

// Where a failure row tells the job to write.
enum class Folder { Out, Missing, PlainFile, NoName };
const char* const FolderNames[] = {"out", "missing", "a plain file", "no name"};

// What ends a walk part way: the disk filling up, a stop, or the current
// map (or statics data) shrinking.
enum class PartWay { Nothing, FullDisk, Stop, InputShrinks };

// A run that one of the checks before the walk fails, or that ends part way
// through its walk, and the message it must report.
struct FailureCase
{
    FailureCase() = default;
    FailureCase(Job failing, const QList<Given>& given, const QString& reported)
        : job(failing), inputs(given), message(reported)
    {}
    Job job = Job::GenerateMap;
    QList<Given> inputs;
    QString message;
    Folder folder = Folder::Out;
    QString takenName;  // an output's name, taken by a folder in the output folder
    PartWay partWay = PartWay::Nothing;
    int shrinking = 0;   // the input that shrinks
    bool walks = false;  // the failure comes after every check, during the walk
    // Where the kind of failure is the point: damage (at `block`, when one
    // is named), a full disk, a file that shrinks.
    std::optional<Status::Kind> kind;
    qint64 block = Status::NoBlock;
};

QStringList inputPaths(const Workspace& ws, const QList<Given>& inputs)
{
    QStringList paths;
    for (const Given& input : inputs)
        paths << (input.kind == Missing  ? ws.path("absent.mul")
                  : input.kind == NoName ? QString()
                                         : ws.file(QString("in%1.mul").arg(paths.size()), input.bytes));
    return paths;
}

// Inputs of the kinds asked for, in the order of the job's fields; the good
// ones pass every check.
QList<Given> given(Job job, const QList<In>& kinds)
{
    using namespace containerbuilder;
    const QList<NamedBytes> good = validInputs(job);
    QList<Given> inputs;
    for (const In kind : kinds) {
        const QByteArray bytes = good[inputs.size()].second;
        const QByteArray container = build(mapChunks(0, bytes)).bytes,
                         broken = build({storedChunk(0, 0, bytes), storedChunk(0, 2, bytes)}).bytes;
        // In the order of the kinds; a missing file or one with no name has none.
        const QByteArray forms[] = {bytes, QByteArray(), QByteArray(), bytes + bytes, container, broken};
        inputs << Given(forms[kind], kind);
    }
    return inputs;
}

// A check before the walk fails the job: `kinds` in the order of its fields.
// A folder may stand at the name of one of the outputs.
void addCheck(Job job, const QList<In>& kinds, const char* message, Folder folder = Folder::Missing,
              const char* takenName = nullptr)
{
    QStringList name;
    for (const In kind : kinds)
        name << InNames[int(kind)];
    FailureCase failure(job, given(job, kinds), message);
    failure.folder = folder;
    failure.takenName = takenName;
    QTest::addRow("%s: %s; folder %s%s%s", JobNames[int(job)], qPrintable(name.join(", ")),
                  FolderNames[int(folder)], takenName ? ", taken: " : "", takenName ? takenName : "")
        << failure;
}

enum class Found { ByTheWalk, BeforeIt };

// Damage that the walk finds, or that is seen at once, at `damagedBlock`
// (NoBlock when it is not one block's).
void addDamage(Job job, const QString& name, const QList<Given>& inputs, const QString& message,
               qint64 damagedBlock, Found found = Found::ByTheWalk)
{
    FailureCase failure(job, inputs, message);
    failure.walks = found == Found::ByTheWalk;
    failure.kind = Status::Kind::Damaged;
    failure.block = damagedBlock;
    QTest::addRow("%s: %s", JobNames[int(job)], qPrintable(name)) << failure;
}

// A full disk, a stop and a shrinking input part way through a walk over
// inputs larger than a read window.
void addInterruptions(Job job, const QList<Given>& large, int shrinking, const char* readError,
                      const char* writeError)
{
    for (const auto& [partWay, name, message, kind] :
         {std::tuple{PartWay::FullDisk, "full disk", writeError, Status::Kind::TooLarge},
          {PartWay::Stop, "stopped", "", Status::Kind::None},
          {PartWay::InputShrinks, "input shrinks", readError, Status::Kind::Damaged}}) {
        FailureCase failure(job, large, message);
        failure.kind = kind;
        failure.partWay = partWay;
        failure.shrinking = shrinking;
        failure.walks = true;
        QTest::addRow("%s: %s", JobNames[int(job)], name) << failure;
    }
}

// A container whose one zlib chunk, of `map`, is cut short.
QByteArray unpackableContainer(const QByteArray& map)
{
    containerbuilder::Part cut = containerbuilder::zlibChunk(0, 0, map);
    cut.stored.chop(6);
    return containerbuilder::build({cut}).bytes;
}

// A statics index of 100,000 entries of 12 bytes each, one after another.
QByteArray largeIndex()
{
    QByteArray index;
    for (int i = 0; i < 100000; ++i)
        index += entries({{i * 12, 12, 0}});
    return index;
}

// Entries of a statics index that no data file can hold.
const std::pair<const char*, Entry> BadEntries[] = {{"negative offset", {-2, 1, 0}},
                                                    {"negative length", {0, -1, 0}},
                                                    {"past the end", {6, 3, 0}},
                                                    {"huge length", {0, 0x7fffffff, 0}}};

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
        QVERIFY(runJob(Job::GenerateMap, inputPaths(ws, {reference, current}), ws.out(), {1}).succeeded());
        QCOMPARE(ws.outFiles(), QStringList({"mapdif1.manifest.json", "mapdif1.mul", "mapdifl1.mul"}));
        QCOMPARE(read(ws.outFile("mapdifl1.mul")), int32s({5, 270, 299}));
        QCOMPARE(read(ws.outFile("mapdif1.mul")),
                 block(current, 5) + block(current, 270) + block(current, 299));

        // Block 3 twice (the first record wins), numbers outside the map and a
        // partial record ignored, the last block replaced, the fragment kept.
        const QByteArray map = randomMap(5, 3) + "frag", dif = randomMap(6, 4);
        const QString target = ws.file("out/map2.mul", map);  // the new map takes its place
        const QStringList inputs =
            QStringList{target} + inputPaths(ws, {dif, int32s({3, 1, 4, 3, 9, -1}) + "\5\6"});
        QVERIFY(runJob(Job::CombineMap, inputs, ws.out(), {2}).succeeded());
        QCOMPARE(ws.outFiles(),
                 QStringList({"map2.mul", "mapdif1.manifest.json", "mapdif1.mul", "mapdifl1.mul"}));
        QCOMPARE(read(target),
                 block(map, 0) + block(dif, 1) + block(map, 2) + block(dif, 0) + block(dif, 2) + "frag");
    }

    // One block after one that is the same on both sides, and a partial entry
    // that is no block: the record written for it, if any, and the bytes.
    void staticsDecisionTable_data()
    {
        QTest::addColumn<QList<Given>>("pairs");
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QByteArray>("bytes");
        const auto row = [](const char* name, Entry was, const char* wasData, Entry now, const char* nowData,
                            std::initializer_list<Entry> record, const char* bytes) {
            const QByteArray same = entries({{-1, 0, 0}});
            QTest::newRow(name) << QList<Given>{same + entries({was}) + "\1", wasData,
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
        QFETCH(QList<Given>, pairs);
        QFETCH(QByteArray, record);
        QFETCH(QByteArray, bytes);
        Workspace ws;
        QVERIFY(runJob(Job::GenerateStatics, inputPaths(ws, pairs), ws.out()).succeeded());
        QCOMPARE(read(ws.outFile("stadifl0.mul")), record.isEmpty() ? QByteArray() : int32s({1}));
        QCOMPARE(read(ws.outFile("stadifi0.mul")), record);
        QCOMPARE(read(ws.outFile("stadif0.mul")), bytes);
    }

    void staticsCombineCompactsAndReplaces()
    {
        Workspace ws;
        // The current pair lies where the new one goes, and makes way for it.
        const auto combine = [&](const QList<Given>& in, const QByteArray& index, const char* data) {
            const QStringList pair{ws.file("out/staidx0.mul", in[0].bytes),
                                   ws.file("out/statics0.mul", in[1].bytes)};
            QVERIFY(runJob(Job::CombineStatics, pair + inputPaths(ws, in.mid(2)), ws.out()).succeeded());
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

    // Each job's checks before its walk, in their order, then damage and
    // what ends a walk part way. An input refused is refused before a missing
    // output folder.
    void failures_data()
    {
        QTest::addColumn<FailureCase>("failure");
        // The reference map, the current map, their sizes, the output folder,
        // the outputs.
        {
            const Job job = Job::GenerateMap;  // reference, current
            for (const QList<In>& inputs :
                 QList<QList<In>>{{Missing, Missing}, {NoName, Good}, {BrokenContainer, Good}})
                addCheck(job, inputs, "Unable to open reference data file");
            addCheck(job, {Good, Missing}, "Unable to open map data file");
            addCheck(job, {InContainer, BrokenContainer}, "Unable to open map data file");
            for (const QList<In>& inputs : QList<QList<In>>{
                     {TwiceAsLong, Good}, {InContainer, TwiceAsLong}, {TwiceAsLong, InContainer}})
                addCheck(job, inputs, "Map data files are different sizes");
            for (const Folder folder : {Folder::Missing, Folder::PlainFile, Folder::NoName})
                addCheck(job, {Good, Good}, "Output Directory does not exist", folder);
            for (const char* output : {"mapdif0.mul", "mapdifl0.mul"})
                addCheck(job, {Good, Good}, "Unable to create diff files", Folder::Out, output);
            // A container's zlib stream is checked as the walk unpacks it.
            const QByteArray map = randomMap(3, 8);
            addDamage(job, "container", {map, unpackableContainer(map)}, "Unable to read map data files",
                      Status::NoBlock);
            addInterruptions(job, {randomMap(6000, 1), randomMap(6000, 2)}, 1,
                             "Unable to read map data files", "Unable to write diff files");
        }

        // The checks in their order: the map, the difference files, the output
        // folder named, the output.
        {
            const Job job = Job::CombineMap;  // map, dif, difl
            for (const In map : {Missing, NoName, BrokenContainer})
                addCheck(job, {map, Missing, Missing}, "Unable to open map file");
            addCheck(job, {Missing, Good, Good}, "Unable to open map file", Folder::NoName);
            addCheck(job, {Good, Missing, Good}, "Unable to open dif files");
            addCheck(job, {Good, Good, NoName}, "Unable to open dif files");
            addCheck(job, {Good, Good, Good}, "Output Directory does not exist", Folder::NoName);
            for (const Folder folder : {Folder::Missing, Folder::PlainFile})
                addCheck(job, {Good, Good, Good}, "Unable to create new map file", folder);
            addCheck(Job::CombineMapIntoContainer, {InContainer, Good, Good}, "Unable to create new map file",
                     Folder::Out, "map0LegacyMUL.uop");
            addDamage(job, "record past the dif data",
                      {randomMap(4, 8), randomMap(1, 9) + QByteArray(100, 'x'), int32s({0, 3})},
                      "Dif files are damaged at block 3", 3, Found::BeforeIt);
            addDamage(job, "record past the dif data, naming block -1",
                      {randomMap(4, 8), randomMap(1, 9), int32s({0, -1})},
                      "Dif files are damaged at block -1", -1, Found::BeforeIt);
            const QByteArray map = randomMap(3, 8);
            addDamage(job, "container", {unpackableContainer(map), map, int32s({1})},
                      "Unable to read map or dif files", Status::NoBlock);
            addInterruptions(job, {randomMap(6000, 1), "", ""}, 0, "Unable to read map or dif files",
                             "Unable to write new map file");
        }

        // The checks in their order: the map, the output folder named, the output.
        {
            for (const In map : {Missing, NoName, BrokenContainer})
                addCheck(Job::ConvertMapToPlain, {map}, "Unable to open map file", Folder::Out);
            addCheck(Job::ConvertMapToContainer, {InContainer}, "Output Directory does not exist",
                     Folder::NoName);
            addCheck(Job::ConvertMapToPlain, {InContainer}, "Unable to create new map file");
            addCheck(Job::ConvertMapToContainer, {Good}, "Unable to create new map file", Folder::Out,
                     "map0LegacyMUL.uop");
            addDamage(Job::ConvertMapToContainer, "container", {unpackableContainer(randomMap(3, 8))},
                      "Unable to read map file", Status::NoBlock);
            addInterruptions(Job::ConvertMapToPlain, {randomMap(6000, 1)}, 0, "Unable to read map file",
                             "Unable to write new map file");
        }

        // The checks in their order: the reference pair, the current pair, the
        // index sizes, the output folder, the outputs; then damage of either
        // pair, found at the block that holds it.
        {
            const Job job = Job::GenerateStatics;  // reference index and data, current index and data
            addCheck(job, {Good, Missing, Missing, Good}, "Unable to open reference or index data file");
            addCheck(job, {NoName, Good, Good, Good}, "Unable to open reference or index data file");
            addCheck(job, {Good, Good, Good, Missing}, "Unable to open statics data or index file");
            addCheck(job, {Good, Good, Missing, Good}, "Unable to open statics data or index file");
            addCheck(job, {TwiceAsLong, Good, Good, Good}, "Index files are different sizes");
            for (const Folder folder : {Folder::Missing, Folder::NoName})
                addCheck(job, {Good, Good, Good, Good}, "Output Directory does not exist", folder);
            for (const char* output : {"stadif0.mul", "stadifl0.mul", "stadifi0.mul"})
                addCheck(job, {Good, Good, Good, Good}, "Unable to create diff files", Folder::Out, output);
            const QByteArray good = entries({{0, 2, 0}}), data = "12345678";
            for (const auto& [name, bad] : BadEntries) {
                const QByteArray damaged = good + entries({bad});
                addDamage(job, QString("reference, ") + name, {damaged, data, good + good, data},
                          "Reference statics are damaged at block 1", 1);
                addDamage(job, QString("current, ") + name, {good + good, data, damaged, data},
                          "Current statics are damaged at block 1", 1);
            }
            const QByteArray index = largeIndex();
            addInterruptions(job, {index, randomBytes(index.size(), 1), index, randomBytes(index.size(), 2)},
                             3, "Unable to read statics files", "Unable to write diff files");
        }

        // The checks in their order: the current pair, the difference files, the
        // output folder named, the outputs; then damage of the current pair or of
        // the difference files, found at the block that holds it.
        {
            const Job job = Job::CombineStatics;  // index, data, dif, difi, difl
            addCheck(job, {Good, Missing, Missing, Good, Good}, "Unable to open static files");
            addCheck(job, {NoName, Good, Good, Good, Good}, "Unable to open static files");
            addCheck(job, {Good, Good, Missing, Good, Good}, "Unable to open dif files");
            addCheck(job, {Good, Good, Good, Missing, Good}, "Unable to open dif files");
            addCheck(job, {Good, Good, Good, Good, NoName}, "Unable to open dif files");
            addCheck(job, {Good, Good, Good, Good, Good}, "Output Directory does not exist", Folder::NoName);
            addCheck(job, {Good, Good, Good, Good, Good}, "Unable to create new static files");
            for (const char* output : {"statics0.mul", "staidx0.mul"})
                addCheck(job, {Good, Good, Good, Good, Good}, "Unable to create new static files",
                         Folder::Out, output);
            const QByteArray good = entries({{0, 2, 0}}), data = "12345678";
            for (const auto& [name, bad] : BadEntries) {
                const QByteArray damaged = good + entries({bad});
                addDamage(job, QString("current, ") + name, {damaged, data, data, good, int32s({0})},
                          "Current statics are damaged at block 1", 1);
                addDamage(job, QString("difference index, ") + name,
                          {good + good, data, data, damaged, int32s({0, 1})},
                          "Dif files are damaged at block 1", 1);
            }
            addDamage(job, "record past the difference index",
                      {good + good, data, data, good + "\1\2", int32s({0, 1})},
                      "Dif files are damaged at block 1", 1, Found::BeforeIt);
            // Block 1's run follows on from block 0's, as most runs do, and ends
            // past the data: damage all the same, not a run to join.
            addDamage(job, "current, past the end, following on",
                      {good + entries({{2, 100, 0}}), data, data, good, int32s({5})},
                      "Current statics are damaged at block 1", 1);
            const QByteArray index = largeIndex();
            addInterruptions(job, {index, randomBytes(index.size(), 1), "", "", ""}, 1,
                             "Unable to read statics or dif files", "Unable to write new static files");
        }
    }

    // A failed or stopped run leaves the earlier outputs of every job as they
    // were, and nothing else. Only a run that gets past every check begins
    // and ends its progress.
    void failures()
    {
        QFETCH(FailureCase, failure);
        Workspace ws;
        const QString folders[] = {ws.out(), ws.path("nowhere"), ws.file("plain.txt", "x"), QString()};
        if (!failure.takenName.isEmpty())
            QDir(ws.out()).mkdir(failure.takenName);
        for (const char* name : {"map0.mul", "mapdif0.mul", "mapdifl0.mul", "staidx0.mul", "statics0.mul",
                                 "stadif0.mul", "stadifi0.mul", "stadifl0.mul"})
            ws.file(QString("out/") + name, name);  // earlier outputs of every job
        const QMap<QString, QByteArray> earlier = testfiles::contentsOf(ws.out());
        const QStringList paths = inputPaths(ws, failure.inputs);
        RecordingProgress progress;
        progress.onStep = [&](qint64 step) {
            if (step == 100 && failure.partWay == PartWay::InputShrinks)
                QFile::resize(paths[failure.shrinking], 1000);
            return step != 200 || failure.partWay != PartWay::Stop;
        };
        // The disk fills up in memory: no file grows past 16 KiB there.
        MemoryFileSystem memory;
        RunSettings run(0, &progress);
        if (failure.partWay == PartWay::FullDisk) {
            memory.copyFrom(ws.dir.path());
            memory.limitFileSize(16 * 1024);
            run.commit.files = &memory;
        }
        const JobOutcome outcome = runJob(failure.job, paths, folders[int(failure.folder)], run);
        QCOMPARE(outcome.message(), failure.message);
        if (failure.kind)
            QCOMPARE(outcome.failure().kind(), *failure.kind);
        QCOMPARE(outcome.failure().block(), failure.block);
        QCOMPARE(outcome.stopped(), failure.partWay == PartWay::Stop);
        QCOMPARE(progress.total != -1, failure.walks);
        QCOMPARE(progress.ended, failure.walks ? 1 : 0);
        // A full disk ends the walk at the next step, well before its last.
        QVERIFY(failure.partWay != PartWay::FullDisk || progress.steps.last() + 1000 < progress.total);
        QCOMPARE(run.commit.files == &memory ? memory.folder(ws.out()) : testfiles::contentsOf(ws.out()),
                 earlier);
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
        // 30% of the blocks changed, 10% emptied, 10% new; the width is the seed.
        SampleFacetOptions options{ws.path("sample"), facet, width, height, 0.3, 0.1, 0.1, quint32(width)};
        QVERIFY(writeSampleFacet(options).status.ok());
        const FacetFiles reference = referenceFiles(options), current = editedFiles(options);
        const auto file = [&](const char* dir, const char* name) {
            return ws.path(dir) + '/' + name + QString::number(facet) + ".mul";
        };
        const auto uop = [&](const char* dir) { return uopformat::mapContainerName(ws.path(dir), facet); };
        const QString dif = file("out", "mapdif"), difl = file("out", "mapdifl");
        const std::tuple<Job, QStringList, const char*> runs[] = {
            {Job::GenerateMap, {reference.map, current.map}, "out"},
            {Job::CombineMap, {reference.map, dif, difl}, "out"},
            {Job::GenerateStatics, {reference.index, reference.data, current.index, current.data}, "out"},
            {Job::CombineStatics,
             {reference.index, reference.data, file("out", "stadif"), file("out", "stadifi"),
              file("out", "stadifl")},
             "out"},
            {Job::ConvertMapToContainer, {reference.map}, "ref"},
            {Job::ConvertMapToContainer, {current.map}, "cur"},
            {Job::GenerateMap, {uop("ref"), uop("cur")}, "new"},
            {Job::CombineMapIntoContainer, {uop("ref"), dif, difl}, "new"},
            {Job::ConvertMapToPlain, {uop("new")}, "new"},
            {Job::ConvertMapToPlain, {uop("ref")}, "ref"}};
        QList<qint64> steps;
        for (qint64 step = 0; step < width * height; step += 100)
            steps << step;
        for (const auto& [job, inputs, folder] : runs) {
            RecordingProgress progress;
            QDir().mkpath(ws.path(folder));
            QVERIFY(runJob(job, inputs, ws.path(folder), {facet, &progress}).succeeded());
            QCOMPARE(progress.total, width * height);
            QCOMPARE(progress.steps, steps);
            QCOMPARE(progress.ended, 1);
        }
        QCOMPARE(checkCombinedMap(current.map, file("out", "map")).status.message(), QString());
        QCOMPARE(
            checkCombinedStatics(current.index, current.data, file("out", "staidx"), file("out", "statics"))
                .status.message(),
            QString());
        QCOMPARE(ws.outFiles().size(), 10);
        QCOMPARE(testfiles::filesIn(ws.path("new")).size(), 5);
        for (const char* name : {"mapdif", "mapdifl", "map"})
            QVERIFY2(read(file("new", name)) == read(file("out", name)), name);
        QVERIFY(read(file("ref", "map")) == read(reference.map));
    }
};

QTEST_GUILESS_MAIN(JobsTest)
#include "tst_jobs.moc"
