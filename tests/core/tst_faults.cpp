// Every fault a job can meet in its files, on a file system in memory that
// records each call. Each job runs once, call by call. Then, for every call:
// the world stops after it and the power goes (what no sync made durable is
// lost: bytes and names alike); or the call fails with the system's words;
// and once, every read comes back short. Either way the job ends as a whole:
// it fails with one of its own messages and the system's reason, or
// succeeds; and the next job's first step in the folder (its lock and its
// repair) leaves the old whole set of outputs or, after a success, the new
// one, nothing beside, even when it finds a staged file of the set lost or
// has a rename refused.

#include "containerbuilder.h"
#include "difaudit.h"
#include "faultinjectingfilesystem.h"
#include "jobmessages.h"
#include "jobrun.h"
#include "memoryfilesystem.h"
#include "outputfolder.h"

#include <QTest>

using namespace quillmark;
using testfiles::entries;

namespace {

struct FaultCase
{
    Job job;
    QStringList inputs;  // paths in the order of the job's fields
    QStringList outputs;
    QStringList messages;  // those it may fail with
    bool earlier = true;   // the outputs there already, from an earlier run
};

using Call = FaultInjectingFileSystem::Call;

// A disk in memory and the faults a test lays over it; jobs run on `files`.
struct Disk
{
    MemoryFileSystem memory;
    FaultInjectingFileSystem files{memory};
};

// Every job's valid inputs, and the first map in a container too.
void writeInputs(MemoryFileSystem& files)
{
    files.makeFolder("/out");
    for (const Job job : {Job::GenerateMap, Job::CombineMap, Job::GenerateStatics, Job::CombineStatics})
        files.writeFiles("/in", validInputs(job));
    files.writeFile("/in/map0.uop", containerbuilder::build(containerbuilder::mapChunks(
                                                                0, files.contents("/in/map0.mul"), {true}))
                                        .bytes);
}

// The inputs, and every output as an earlier run left it; a combination in
// place reads the statics it replaces.
void prepare(MemoryFileSystem& files, const FaultCase& given)
{
    writeInputs(files);
    if (given.job == Job::CombineStatics) {
        files.writeFile("/out/staidx0.mul", entries({{1, 2, 0}, {0, 1, 0}}));
        files.writeFile("/out/statics0.mul", "cab");
    }
    for (const QString& output : given.outputs) {
        if (given.earlier && files.kindAt("/out/" + output) == EntryKind::Missing)
            files.writeFile("/out/" + output, "old " + output.toUtf8());
    }
}

JobOutcome run(Disk& disk, const FaultCase& given)
{
    return runJob(given.job, given.inputs, "/out", on(disk.files));
}

// Beyond what a power cut leaves, what the next job may find in the way of
// completing a set: one of its staged files lost, or its first rename refused.
enum : int { StagedLost = MemoryFileSystem::AllKept - 2, RenameRefused = MemoryFileSystem::AllKept - 1 };

// Counting from 1, which call of its own kind `calls[k]` is.
int nthOfItsKind(const std::vector<FaultInjectingFileSystem::Record>& calls, size_t k)
{
    return int(std::count_if(calls.begin(), calls.begin() + qsizetype(k) + 1,
                             [&](const auto& call) { return call.call == calls[k].call; }));
}

// What the next job does first in the folder: take its lock, repair it and
// clear what killed jobs left.
void repair(FileSystem& files)
{
    CommitOptions options;
    options.files = &files;
    FolderSet folder(options);
    QCOMPARE(folder.open({"/out"}).reason(), QString());
    folder.folders().front()->removeDebris();
}

}  // namespace

class FaultsTest : public QObject
{
    Q_OBJECT

private slots:
    void everyCrashPoint_data()
    {
        using namespace jobmessage;
        QTest::addColumn<FaultCase>("given");
        const QStringList combineMap{UnableToOpenMap, UnableToOpenDifFiles, UnableToCreateNewMap,
                                     UnableToReadMapOrDif, UnableToWriteNewMap};
        QTest::newRow("generate map")
            << FaultCase{Job::GenerateMap,
                         {"/in/map0.mul", "/in/current.mul"},
                         {"mapdif0.mul", "mapdifl0.mul"},
                         {UnableToOpenReferenceData, UnableToOpenMapData, UnableToCreateDiffFiles,
                          UnableToReadMapData, UnableToWriteDiffFiles}};
        QTest::newRow("combine map") << FaultCase{
            Job::CombineMap, {"/in/map0.mul", "/in/dif", "/in/difl"}, {"map0.mul"}, combineMap};
        QTest::newRow("combine map into a container") << FaultCase{Job::CombineMapIntoContainer,
                                                                   {"/in/map0.mul", "/in/dif", "/in/difl"},
                                                                   {"map0LegacyMUL.uop"},
                                                                   combineMap};
        QTest::newRow("convert a container")
            << FaultCase{Job::ConvertMapToPlain,
                         {"/in/map0.uop"},
                         {"map0.mul"},
                         {UnableToOpenMap, UnableToCreateNewMap, UnableToReadMap, UnableToWriteNewMap}};
        const FaultCase statics{Job::GenerateStatics,
                                {"/in/idx", "/in/data", "/in/idx2", "/in/data2"},
                                {"stadif0.mul", "stadifi0.mul", "stadifl0.mul"},
                                {UnableToOpenReferenceOrIndex, UnableToOpenStaticsDataOrIndex,
                                 UnableToCreateDiffFiles, UnableToReadStatics, UnableToWriteDiffFiles}};
        QTest::newRow("generate statics") << statics;
        FaultCase intoEmpty = statics;
        intoEmpty.earlier = false;
        QTest::newRow("generate statics into an empty folder") << intoEmpty;
        QTest::newRow("combine statics in place")
            << FaultCase{Job::CombineStatics,
                         {"/out/staidx0.mul", "/out/statics0.mul", "/in/sdif", "/in/sdifi", "/in/sdifl"},
                         {"staidx0.mul", "statics0.mul"},
                         {UnableToOpenStatics, UnableToOpenDifFiles, UnableToCreateNewStatics,
                          UnableToReadStaticsOrDif, UnableToWriteNewStatics}};
    }
    void everyCrashPoint()
    {
        QFETCH(FaultCase, given);
        Disk clean;
        prepare(clean.memory, given);
        const QMap<QString, QByteArray> before = clean.memory.folder("/out");
        const JobOutcome outcome = run(clean, given);
        QVERIFY2(outcome.succeeded(), qPrintable(outcome.failure().text()));
        const QMap<QString, QByteArray> after = clean.memory.folder("/out");
        QVERIFY(after != before);
        const int calls = int(clean.files.calls().size());
        for (int k = 0; k <= calls; ++k) {
            const auto crashed = [&](Disk& disk) {
                prepare(disk.memory, given);
                disk.files.crashAfter(k);
                return run(disk, given).succeeded();
            };
            Disk probe;
            (void)crashed(probe);
            for (int lost = StagedLost; lost < probe.memory.unsyncedChanges(); ++lost) {
                Disk disk;
                const bool succeeded = crashed(disk);
                MemoryFileSystem& files = disk.memory;
                files.powerCut(qMax(lost, int(MemoryFileSystem::AllKept)));
                const QStringList staged = files.folder("/out").keys().filter(".quillmark-part-");
                if (lost == StagedLost && !staged.isEmpty())
                    QVERIFY(files.remove("/out/" + staged.last()).ok());
                FaultInjectingFileSystem next(files);
                if (lost == RenameRefused)
                    next.failCall(Call::Replace, 1, Status::Kind::Other, "Access denied");
                repair(next);
                const QMap<QString, QByteArray> left = files.folder("/out");
                if (left != after && (succeeded || left != before))
                    QFAIL(qPrintable(QString("crashed after call %1 of %2 (%3), change %4 lost: %5")
                                         .arg(k)
                                         .arg(calls)
                                         .arg(k > 0 ? disk.files.calls()[size_t(k - 1)].path : QString())
                                         .arg(lost)
                                         .arg(QStringList(left.keys()).join(", "))));
            }
        }
    }

    void everyFailingCall_data() { everyCrashPoint_data(); }
    void everyFailingCall()
    {
        QFETCH(FaultCase, given);
        Disk clean;
        prepare(clean.memory, given);
        const QMap<QString, QByteArray> before = clean.memory.folder("/out");
        QVERIFY(run(clean, given).succeeded());
        const QMap<QString, QByteArray> after = clean.memory.folder("/out");
        const std::vector<FaultInjectingFileSystem::Record> calls = clean.files.calls();
        const QString reason = "No space left on device";
        for (size_t k = 0; k < calls.size(); ++k) {
            const auto failing = [&](Disk& disk) {
                prepare(disk.memory, given);
                disk.files.failCall(calls[k].call, nthOfItsKind(calls, k), Status::Kind::NoSpace, reason);
            };
            Disk disk;
            failing(disk);
            const JobOutcome outcome = run(disk, given);
            MemoryFileSystem& files = disk.memory;
            const QString where = calls[k].path;
            // A failed rename undoes the set there and then, not at the next job.
            const bool renameFailed = calls[k].call == Call::Replace;
            QVERIFY2(!renameFailed || files.folder("/out") == before, qPrintable(where));
            // Once the undo is recorded, the next job undoes what a kill left.
            const std::vector<FaultInjectingFileSystem::Record>& made = disk.files.calls();
            const auto recorded = std::find_if(made.begin() + qsizetype(k), made.end(), [](const auto& call) {
                return call.call == Call::SyncDirectory;
            });
            if (renameFailed && recorded != made.end()) {
                Disk killed;
                failing(killed);
                killed.files.crashAfter(int(recorded - made.begin()) + 1);
                QVERIFY(!run(killed, given).succeeded());
                killed.memory.powerCut();
                repair(killed.memory);
                QVERIFY2(killed.memory.folder("/out") == before, qPrintable(where));
            }
            // When not even the undo can be recorded, the job says so, and the
            // next job completes the set instead.
            if (renameFailed && given.outputs.contains(QFileInfo(where).fileName())) {
                Disk dying;
                failing(dying);
                dying.files.crashAfter(int(k) + 1);
                const QString told = run(dying, given).failure().reason();
                QVERIFY2(told.contains("; the set could not be undone ("), qPrintable(where + ": " + told));
                dying.memory.powerCut();
                repair(dying.memory);
                QVERIFY2(dying.memory.folder("/out") == after, qPrintable(where));
            }
            repair(files);
            QVERIFY2(outcome.succeeded() || given.messages.contains(outcome.message()),
                     qPrintable(where + ": " + outcome.failure().text()));
            // An input that cannot be opened is named.
            const bool opened = calls[k].call == Call::Open;
            QVERIFY2(outcome.succeeded()
                         || (outcome.failure().is(Status::Kind::NoSpace)
                             && outcome.failure().reason().contains(reason)
                             && (!opened || outcome.failure().file() == where)),
                     qPrintable(where + ": " + outcome.failure().text()));
            QVERIFY2(files.folder("/out") == (outcome.succeeded() ? after : before), qPrintable(where));
        }
        // A read that brings less than asked ends the job as a whole too.
        Disk shortened;
        prepare(shortened.memory, given);
        shortened.files.shortReads(7);
        const JobOutcome cut = run(shortened, given);
        repair(shortened.memory);
        QVERIFY2(cut.succeeded() || given.messages.contains(cut.message()), qPrintable(cut.failure().text()));
        QVERIFY(shortened.memory.folder("/out") == (cut.succeeded() ? after : before));
    }

    // Inspection reads through the file system it is handed, as the jobs do,
    // and fails with the kind of failure that the call it depends on met.
    void inspectionFailingCalls()
    {
        const auto inspect = [](Disk& disk) {
            writeInputs(disk.memory);
            CommitOptions options;
            options.files = &disk.files;
            const AuditGrid grid{0, 1};
            const Status map = auditMapDif({"/in/difl", "/in/dif", "/in/map0.mul"}, grid, options).status;
            return map.failed()
                       ? map
                       : auditStaticsDif({"/in/sdifl", "/in/sdifi", "/in/sdif", "/in/idx"}, grid, options)
                             .status;
        };
        Disk clean;
        QCOMPARE(inspect(clean).text(), QString());
        const std::vector<FaultInjectingFileSystem::Record> calls = clean.files.calls();
        for (size_t k = 0; k < calls.size(); ++k) {
            Disk disk;
            disk.files.failCall(calls[k].call, nthOfItsKind(calls, k), Status::Kind::Permission,
                                "Permission denied");
            const Status failed = inspect(disk);
            QVERIFY2(failed.is(Status::Kind::Permission)
                         && failed.text().endsWith(calls[k].path + ": Permission denied"),
                     qPrintable(calls[k].path + ": " + failed.text()));
        }
    }
};

QTEST_GUILESS_MAIN(FaultsTest)
#include "tst_faults.moc"
