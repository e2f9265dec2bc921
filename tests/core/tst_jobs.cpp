// The four jobs and the map conversion: outputs and their names, the checks
// and their messages in order, compaction, damaged and failing inputs, round
// trips on sample facets, maps in package containers read and written, and
// what is left behind when a run fails or is stopped.

#include "containerbuilder.h"
#include "facetcheck.h"
#include "faultinjectingfilesystem.h"
#include "jobrun.h"
#include "memoryfilesystem.h"
#include "samplefacet.h"
#include "workspace.h"

#include <QTest>

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

// Input files for the whole suite, each under a name of its own, so that a
// failure row may name them before its test runs.
const Workspace& suite()
{
    static const Workspace files;
    return files;
}
QStringList written(const QList<QByteArray>& files)
{
    static int written = 0;
    QStringList paths;
    for (const QByteArray& bytes : files)
        paths << suite().file(QString("in%1.mul").arg(written++), bytes);
    return paths;
}

// What a failure row puts in place of one of a job's inputs. A map input may
// be a container of the good map, or one with chunks 0 and 2 but no chunk 1.
enum In { Good, Missing, NoName, TwiceAsLong, InContainer, BrokenContainer };

// Inputs of the kinds asked for, in the order of the job's fields; the good
// ones pass every check.
QStringList given(Job job, const QList<In>& kinds)
{
    using namespace containerbuilder;
    const QList<NamedBytes> good = validInputs(job);
    QStringList paths;
    for (const In kind : kinds) {
        const QByteArray bytes = good[paths.size()].second;
        const QByteArray forms[] = {bytes,
                                    QByteArray(),
                                    QByteArray(),
                                    bytes + bytes,
                                    build(mapChunks(0, bytes)).bytes,
                                    build({storedChunk(0, 0, bytes), storedChunk(0, 2, bytes)}).bytes};
        paths << (kind == Missing  ? suite().path("absent.mul")
                  : kind == NoName ? QString()
                                   : written({forms[kind]})[0]);
    }
    return paths;
}

const char* const JobNames[] = {"generate map",
                                "combine map",
                                "combine map into a container",
                                "convert map",
                                "convert to a container",
                                "generate statics",
                                "combine statics"};

// Where a failure row tells the job to write.
enum class Folder { Out, Missing, PlainFile, NoName };

// What ends a walk part way: the disk filling up, a stop, or an input
// shrinking.
enum class PartWay { Nothing, FullDisk, Stop, InputShrinks };

// A run that one of the checks before the walk fails, or that ends part way
// through its walk, and the message it must report.
struct FailureCase
{
    FailureCase() = default;
    FailureCase(Job failing, const QStringList& paths, const QString& reported, Folder to = Folder::Out)
        : job(failing), inputs(paths), message(reported), folder(to)
    {}
    Job job = Job::GenerateMap;
    QStringList inputs;
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

void addRow(const FailureCase& failure)
{
    static int row = 0;
    QTest::addRow("%d, %s: %s", ++row, JobNames[int(failure.job)], qPrintable(failure.message)) << failure;
}

// A check before the walk fails the job: `kinds` in the order of its fields.
// A folder may stand at the name of one of the outputs.
void addCheck(Job job, const QList<In>& kinds, const char* message, Folder folder = Folder::Missing,
              const char* takenName = nullptr)
{
    FailureCase failure(job, given(job, kinds), message, folder);
    failure.takenName = takenName;
    addRow(failure);
}

enum class Found { ByTheWalk, BeforeIt };

// Damage that the walk finds, or that is seen at once, at `damagedBlock`
// (NoBlock when it is not one block's).
void addDamage(Job job, const QList<QByteArray>& inputs, const QString& message, qint64 damagedBlock,
               Found found = Found::ByTheWalk)
{
    FailureCase failure(job, written(inputs), message);
    failure.walks = found == Found::ByTheWalk;
    failure.kind = Status::Kind::Damaged;
    failure.block = damagedBlock;
    addRow(failure);
}

// What ends a walk over inputs larger than a read window part way: the
// message it fails with, none when it is stopped.
void addPartWay(Job job, const QList<QByteArray>& large, PartWay partWay, const char* message = "",
                int shrinking = 0)
{
    FailureCase failure(job, written(large), message);
    failure.kind = partWay == PartWay::FullDisk       ? Status::Kind::TooLarge
                   : partWay == PartWay::InputShrinks ? Status::Kind::Damaged
                                                      : Status::Kind::None;
    failure.partWay = partWay;
    failure.shrinking = shrinking;
    failure.walks = true;
    addRow(failure);
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

// Entries of a statics index that no data file can hold: a negative offset,
// a negative length, bytes past the end, a length whose end overflows.
const Entry BadEntries[] = {{-2, 1, 0}, {0, -1, 0}, {6, 3, 0}, {0, 0x7fffffff, 0}};

}  // namespace

class JobsTest : public QObject
{
    Q_OBJECT

private slots:
    // The locator is read in pieces of InputFile::MaxView bytes (262,144
    // records); records past the first piece keep their whole ordinal.
    // Record r names block N - 1 - r and carries r in its length and extra.
    // (What each record does, on small inputs of every kind, the jobs'
    // fuzz targets check against their models in the suite.)
    void locatorsOfManyPieces()
    {
        constexpr qint32 Blocks = 300000;
        QByteArray emptied, locator, difIndex, expected;
        for (qint32 r = 0; r < Blocks; ++r) {
            emptied += entries({{-1, 0, 0}});
            locator += int32s({Blocks - 1 - r});
            difIndex += entries({{-1, r, r}});
            expected += entries({{-1, Blocks - 1 - r, Blocks - 1 - r}});
        }
        Workspace ws;
        QVERIFY(
            runJob(Job::CombineStatics, written({emptied, "", "", difIndex, locator}), ws.out()).succeeded());
        QCOMPARE(read(ws.outFile("staidx0.mul")), expected);
        QCOMPARE(read(ws.outFile("statics0.mul")), QByteArray());
    }

    // Each job's checks before its walk, in their order, then damage and
    // what ends a walk part way, each check, damage and message once. An
    // input refused is refused before a missing output folder.
    void failures_data()
    {
        QTest::addColumn<FailureCase>("failure");
        // The reference map, the current map, their sizes, the output folder,
        // the outputs.
        {
            const Job job = Job::GenerateMap;  // reference, current
            addCheck(job, {Missing, Missing}, "Unable to open reference data file");
            addCheck(job, {BrokenContainer, Good}, "Unable to open reference data file");
            addCheck(job, {Good, Missing}, "Unable to open map data file");
            addCheck(job, {InContainer, TwiceAsLong}, "Map data files are different sizes");
            addCheck(job, {Good, Good}, "Output Directory does not exist", Folder::PlainFile);
            addCheck(job, {Good, Good}, "Unable to create diff files", Folder::Out, "mapdifl0.mul");
            // A container's zlib stream is checked as the walk unpacks it.
            const QByteArray map = randomMap(3, 8);
            addDamage(job, {map, unpackableContainer(map)}, "Unable to read map data files", Status::NoBlock);
            const QList<QByteArray> large{randomMap(6000, 1), randomMap(6000, 2)};
            addPartWay(job, large, PartWay::FullDisk, "Unable to write diff files");
            addPartWay(job, large, PartWay::InputShrinks, "Unable to read map data files", 1);
        }

        // The checks in their order: the map, the difference files, the output
        // folder named, the output.
        {
            const Job job = Job::CombineMap;  // map, dif, difl
            addCheck(job, {Missing, Missing, Missing}, "Unable to open map file");
            addCheck(job, {Missing, Good, Good}, "Unable to open map file", Folder::NoName);
            addCheck(job, {Good, Missing, Good}, "Unable to open dif files");
            addCheck(job, {Good, Good, Good}, "Output Directory does not exist", Folder::NoName);
            addCheck(job, {Good, Good, Good}, "Unable to create new map file", Folder::PlainFile);
            addDamage(job, {randomMap(4, 8), randomMap(1, 9) + QByteArray(100, 'x'), int32s({0, 3})},
                      "Dif files are damaged at block 3", 3, Found::BeforeIt);
            // Records past the data that no walk looks for (blocks outside the
            // map, a block named before) change nothing: the folder's failure stands.
            addRow({job, written({randomMap(4, 8), randomMap(1, 9), int32s({1, 9, 1, -3})}),
                    "Unable to create new map file", Folder::PlainFile});
            FailureCase swapped(job, written({randomMap(4, 8), int32s({1, 2}), randomMap(2, 9)}),
                                "Unable to open dif files");
            swapped.kind = Status::Kind::Usage;
            addRow(swapped);
            const QByteArray map = randomMap(3, 8);
            addDamage(job, {unpackableContainer(map), map, int32s({1})}, "Unable to read map or dif files",
                      Status::NoBlock);
            addPartWay(job, {randomMap(6000, 1), "", ""}, PartWay::Stop);
        }

        // The checks in their order: the map, the output folder named, the output.
        {
            addCheck(Job::ConvertMapToPlain, {BrokenContainer}, "Unable to open map file", Folder::Out);
            addCheck(Job::ConvertMapToContainer, {InContainer}, "Output Directory does not exist",
                     Folder::NoName);
            addCheck(Job::ConvertMapToPlain, {InContainer}, "Unable to create new map file");
            addCheck(Job::ConvertMapToContainer, {Good}, "Unable to create new map file", Folder::Out,
                     "map0LegacyMUL.uop");
            addDamage(Job::ConvertMapToContainer, {unpackableContainer(randomMap(3, 8))},
                      "Unable to read map file", Status::NoBlock);
            addPartWay(Job::ConvertMapToPlain, {randomMap(6000, 1)}, PartWay::FullDisk,
                       "Unable to write new map file");
        }

        // The checks in their order: the reference pair, the current pair, the
        // index sizes, the output folder, the outputs; then damage of either
        // pair, found at the block that holds it.
        const QByteArray good = entries({{0, 2, 0}}), data = "12345678", index = largeIndex();
        {
            const Job job = Job::GenerateStatics;  // reference index and data, current index and data
            addCheck(job, {Good, Missing, Missing, Good}, "Unable to open reference or index data file");
            addCheck(job, {Good, Good, Missing, Good}, "Unable to open statics data or index file");
            addCheck(job, {TwiceAsLong, Good, Good, Good}, "Index files are different sizes");
            addCheck(job, {Good, Good, Good, Good}, "Output Directory does not exist");
            addCheck(job, {Good, Good, Good, Good}, "Unable to create diff files", Folder::Out,
                     "stadifi0.mul");
            for (const Entry& bad : BadEntries) {
                const QByteArray damaged = good + entries({bad});
                addDamage(job, {damaged, data, good + good, data}, "Reference statics are damaged at block 1",
                          1);
                addDamage(job, {good + good, data, damaged, data}, "Current statics are damaged at block 1",
                          1);
            }
            addPartWay(job, {index, randomBytes(index.size(), 1), index, randomBytes(index.size(), 2)},
                       PartWay::InputShrinks, "Unable to read statics files", 3);
        }

        // The checks in their order: the current pair, the difference files, the
        // output folder named, the outputs; then damage of the current pair or of
        // the difference files, found at the block that holds it.
        {
            const Job job = Job::CombineStatics;  // index, data, dif, difi, difl
            addCheck(job, {NoName, Good, Good, Good, Good}, "Unable to open static files");
            addCheck(job, {Good, Good, Good, Missing, Good}, "Unable to open dif files");
            addCheck(job, {Good, Good, Good, Good, Good}, "Output Directory does not exist", Folder::NoName);
            addCheck(job, {Good, Good, Good, Good, Good}, "Unable to create new static files");
            addCheck(job, {Good, Good, Good, Good, Good}, "Unable to create new static files", Folder::Out,
                     "staidx0.mul");
            for (const Entry& bad : BadEntries) {
                const QByteArray damaged = good + entries({bad});
                addDamage(job, {damaged, data, data, good, int32s({0})},
                          "Current statics are damaged at block 1", 1);
                addDamage(job, {good + good, data, data, damaged, int32s({0, 1})},
                          "Dif files are damaged at block 1", 1);
            }
            addDamage(job, {good + good, data, data, good + "\1\2", int32s({0, 1})},
                      "Dif files are damaged at block 1", 1, Found::BeforeIt);
            // Block 1's run follows on from block 0's, as most runs do, and ends
            // past the data: damage all the same, not a run to join.
            addDamage(job, {good + entries({{2, 100, 0}}), data, data, good, int32s({5})},
                      "Current statics are damaged at block 1", 1);
            const QList<QByteArray> large{index, randomBytes(index.size(), 1), "", "", ""};
            addPartWay(job, large, PartWay::FullDisk, "Unable to write new static files");
            addPartWay(job, large, PartWay::InputShrinks, "Unable to read statics or dif files", 1);
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
        const QStringList& paths = failure.inputs;
        RecordingProgress progress;
        progress.onStep = [&](qint64 step) {
            if (step == 100 && failure.partWay == PartWay::InputShrinks)
                QFile::resize(paths[failure.shrinking], 1000);
            return step != 200 || failure.partWay != PartWay::Stop;
        };
        // The disk fills up: no file grows past 16 KiB.
        FaultInjectingFileSystem limited(FileSystem::system());
        limited.limitFileSize(16 * 1024);
        RunSettings run(0, &progress);
        if (failure.partWay == PartWay::FullDisk)
            run.commit.files = &limited;
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
        QCOMPARE(testfiles::contentsOf(ws.out()), earlier);
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
        MemoryFileSystem files;
        // 30% of the blocks changed, 10% emptied, 10% new; the width is the seed.
        SampleFacetOptions options{"/sample", facet, width, height, 0.3, 0.1, 0.1, quint32(width)};
        QVERIFY(writeSampleFacet(options, files).status.ok());
        const FacetFiles reference = referenceFiles(options), current = editedFiles(options);
        const auto file = [&](const char* dir, const char* name) {
            return QString("/%1/%2%3.mul").arg(dir, name).arg(facet);
        };
        const auto uop = [&](const char* dir) {
            return uopformat::mapContainerName(QString("/") + dir, facet);
        };
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
            RunSettings run(facet, &progress);
            run.commit.files = &files;
            files.makeFolder(QString("/") + folder);
            QVERIFY(runJob(job, inputs, QString("/") + folder, run).succeeded());
            QCOMPARE(progress.total, width * height);
            QCOMPARE(progress.steps, steps);
            QCOMPARE(progress.ended, 1);
        }
        QCOMPARE(checkCombinedMap(current.map, file("out", "map"), files).status.message(), QString());
        QCOMPARE(checkCombinedStatics(current.index, current.data, file("out", "staidx"),
                                      file("out", "statics"), files)
                     .status.message(),
                 QString());
        QCOMPARE(files.folder("/out").size(), 10);
        QCOMPARE(files.folder("/new").size(), 5);
        for (const char* name : {"mapdif", "mapdifl", "map"})
            QVERIFY2(files.contents(file("new", name)) == files.contents(file("out", name)), name);
        QVERIFY(files.contents(file("ref", "map")) == files.contents(reference.map));
    }
};

QTEST_GUILESS_MAIN(JobsTest)
#include "tst_jobs.moc"
