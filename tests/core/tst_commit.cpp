// How outputs are put in place: links are written through, a commit record
// found in the folder is trusted with nothing outside it, a locked folder
// makes a job wait and then fail, and the debris of killed jobs goes while
// the files of living ones stay. (Every crash and failure of a commit, and
// how the next job settles it: tst_faults.)

#include "filesystem.h"
#include "jobrun.h"
#include "memoryfilesystem.h"
#include "outputfolder.h"
#include "stagingnames.h"
#include "workspace.h"

#include <QLockFile>
#include <QProcess>
#include <QTest>

#include <cstdlib>
#include <mutex>
#include <thread>

using namespace quillmark;

using testfiles::read;

namespace {

const QStringList Outputs{"stadif0.manifest.json", "stadif0.mul", "stadifi0.mul", "stadifl0.mul"};

// A statics generation whose block 0 changed: all three outputs get new bytes.
JobOutcome generateStatics(const Workspace& ws, const CommitOptions& options = CommitOptions())
{
    RunSettings run;
    run.commit = options;
    return runJob(Job::GenerateStatics, ws.inputs(validInputs(Job::GenerateStatics)), ws.out(), run);
}

// What stands at the place of the commit record before a job starts.
enum class Planted { Nothing, Record, Fifo, LinkToDevice, Directory, Garbage };

// The names a commit gives the staged file and the backup of stadif0.mul.
const QString StagedName = ".stadif0.mul.quillmark-part-1", BackupName = ".stadif0.mul.quillmark-old-2";

struct PlantedEntry
{
    QString staged, target, backup;
};

struct PlantedCase
{
    Planted kind;
    QByteArray text;         // of a record
    QString fault;           // empty: the record is acted on, within the folder
    QStringList links = {};  // names in the folder planted as links to a victim
};

QByteArray recordText(const char* format, const char* direction, const std::vector<PlantedEntry>& entries)
{
    QByteArray text =
        QByteArray("{\"format\": \"") + format + "\", \"direction\": \"" + direction + "\", \"entries\": [";
    for (const PlantedEntry& entry : entries)
        text += QStringLiteral("%1{\"staged\": \"%2\", \"target\": \"%3\", \"backup\": \"%4\"}")
                    .arg(&entry == &entries.front() ? "" : ", ", entry.staged, entry.target, entry.backup)
                    .toUtf8();
    return text + "]}";
}

void plant(MemoryFileSystem& files, Planted kind, const QString& path, const QByteArray& text)
{
    if (kind == Planted::Record)
        files.writeFile(path, text);
    else if (kind == Planted::Fifo)
        files.makeSpecial(path);
    else if (kind == Planted::LinkToDevice)
        files.makeLink(path, "/dev/zero");
    else if (kind == Planted::Directory)
        files.makeFolder(path);
    else if (kind == Planted::Garbage) {
        files.writeFile(path, testfiles::randomBytes(4096, 5));
        files.resize(path, 10 << 20);
    }
}

// Started again as its own child by locks(): takes the lock that the
// variable names and dies holding it, as a killed job would, before the
// test runs. std::_Exit runs no destructor, so the lock is not let go.
constexpr char LockChildVariable[] = "TST_COMMIT_DIE_HOLDING";
[[maybe_unused]] const bool s_lockChild = [] {
    const QString lockPath = qEnvironmentVariable(LockChildVariable);
    if (lockPath.isEmpty())
        return false;
    QLockFile lock(lockPath);
    std::_Exit(lock.tryLock(0) ? 0 : 1);
}();

}  // namespace

class CommitTest : public QObject
{
    Q_OBJECT

private slots:
    // One run in a folder holding links to an existing file of the folder
    // and to none, and debris. The files the links point to take the new
    // content, the links stay links and nothing is left beside either; the
    // parts and backups of dead jobs go, while a live job's part and files
    // that only look like ours stay. A replaced target keeps its permission
    // bits, the set-user-id, set-group-id and sticky bits too.
    void linksAndDebris()
    {
        MemoryFileSystem files;
        const QStringList inputs = files.writeFiles("/in", validInputs(Job::GenerateStatics));
        files.writeFiles("/out", {{"kept.mul", "old"}, {"stadifi0.mul", "old"}});
        QVERIFY(files.setPermissions("/out/stadifi0.mul", 07640).ok());
        files.makeLink("/out/stadif0.mul", "/out/kept.mul");
        files.makeLink("/out/stadifl0.mul", "made.mul");
        for (const char* name : {".stadif0.mul.quillmark-part-dead1", ".map0.mul.quillmark-old-dead2",
                                 ".quillmark-commit.quillmark-part-dead3", ".keep", ".map0.mul.1x2y.part",
                                 "notes.quillmark-part-1"})
            files.writeFile(QString("/out/") + name, "x");
        const QString live = ".statics0.mul.quillmark-part-live";
        std::unique_ptr<WritableFile> liveFile;
        QVERIFY(files.createNew("/out/" + live, liveFile).ok());
        QVERIFY(runJob(Job::GenerateStatics, inputs, "/out", on(files)).succeeded());
        QCOMPARE(files.contents("/out/stadifi0.mul"), testfiles::entries({{0, 2, 7}}));
        std::optional<quint32> bits;
        QVERIFY(files.permissions("/out/stadifi0.mul", bits).ok() && bits == 07640u);
        QCOMPARE(files.contents("/out/kept.mul"), QByteArray("xy"));
        QCOMPARE(files.contents("/out/made.mul"), testfiles::int32s({0}));
        QVERIFY(files.kindAt("/out/stadif0.mul") == EntryKind::Link
                && files.kindAt("/out/stadifl0.mul") == EntryKind::Link);
        QCOMPARE(files.folder("/out").keys(), QStringList({".keep", ".map0.mul.1x2y.part", live, "kept.mul",
                                                           "made.mul", "notes.quillmark-part-1"})
                                                  + Outputs);
    }

    void plantedRecordsTouchNothing_data()
    {
        QTest::addColumn<PlantedCase>("given");
        const char* v2 = "quillmark-commit-2";
        QTest::newRow("undo naming a file outside") << PlantedCase{
            Planted::Record, recordText(v2, "undo", {{".one.quillmark-part-1", "../victims/one", ""}}),
            "it names a file outside its folder: ../victims/one"};
        QTest::newRow("forward renaming outside files") << PlantedCase{
            Planted::Record,
            recordText(v2, "forward", {{"../victims/one", "../victims/two", "../victims/three"}}),
            "it names a file outside its folder: ../victims/two"};
        QTest::newRow("absolute paths of an earlier version") << PlantedCase{
            Planted::Record,
            recordText("quillmark-commit-1", "undo", {{"/tmp/.x.quillmark-part-1", "/tmp/x", ""}}),
            "not a commit record this version understands"};
        QTest::newRow("staged file of another name")
            << PlantedCase{Planted::Record, recordText(v2, "forward", {{"keep.mul", "stadif0.mul", ""}}),
                           "it names a staged file that does not belong to stadif0.mul: keep.mul"};
        QTest::newRow("backup of another target") << PlantedCase{
            Planted::Record,
            recordText(v2, "undo", {{".keep.mul.quillmark-part-1", "keep.mul", ".x.quillmark-old-2"}}),
            "it names a backup that does not belong to keep.mul: .x.quillmark-old-2"};
        QTest::newRow("one target twice")
            << PlantedCase{Planted::Record,
                           recordText(v2, "forward",
                                      {{".keep.mul.quillmark-part-1", "keep.mul", ""},
                                       {".keep.mul.quillmark-part-2", "keep.mul", ""}}),
                           "it names the target keep.mul twice"};
        QTest::newRow("the lock as its target") << PlantedCase{
            Planted::Record,
            recordText(v2, "undo", {{".quillmark-lock.quillmark-part-1", ".quillmark-lock", ""}}),
            "it names a target that is no output: .quillmark-lock"};
        QTest::newRow("fifo") << PlantedCase{Planted::Fifo, {}, "not a regular file"};
        QTest::newRow("link to /dev/zero") << PlantedCase{Planted::LinkToDevice, {}, "not a regular file"};
        QTest::newRow("directory") << PlantedCase{Planted::Directory, {}, "Is a directory"};
        QTest::newRow("10 MB of garbage") << PlantedCase{Planted::Garbage, {}, "larger than 65536 bytes"};
        QTest::newRow("undo of a file the record did not make") << PlantedCase{
            Planted::Record, recordText(v2, "undo", {{".keep.mul.quillmark-part-1", "keep.mul", ""}}), {}};
        QTest::newRow("backup that is a link out of the folder") << PlantedCase{
            Planted::Record, recordText(v2, "undo", {{StagedName, "stadif0.mul", BackupName}}),
            "it names " + BackupName + ", which is not a regular file", QStringList{BackupName}};
        QTest::newRow("staged file that is a link out of the folder") << PlantedCase{
            Planted::Record, recordText(v2, "forward", {{StagedName, "stadif0.mul", ""}}),
            "it names " + StagedName + ", which is not a regular file", QStringList{StagedName}};
        QTest::newRow("such links without a record")
            << PlantedCase{Planted::Nothing, {}, {}, QStringList{StagedName, BackupName}};
    }
    // A record found in the folder is data from anybody: one that names
    // anything but this program's own files beside their targets, or is not
    // a small regular file, fails the job before it touches anything; one
    // that is well formed still cannot remove a file it did not make.
    void plantedRecordsTouchNothing()
    {
        QFETCH(PlantedCase, given);
        MemoryFileSystem files;
        const QStringList inputs = files.writeFiles("/in", validInputs(Job::GenerateStatics));
        files.writeFiles("/victims", {{"one", "one"}, {"two", "two"}, {"three", "three"}});
        files.writeFiles("/out", {{"keep.mul", "kept"}});
        files.makeFolder("/dev");
        files.makeSpecial("/dev/zero");
        for (const QString& link : given.links)
            files.makeLink("/out/" + link, "/victims/one");
        const QString record = QString("/out/") + stagingnames::RecordName;
        plant(files, given.kind, record, given.text);
        const JobOutcome outcome = runJob(Job::GenerateStatics, inputs, "/out", on(files));
        if (given.fault.isEmpty()) {
            QVERIFY(outcome.succeeded());
            QCOMPARE(files.contents("/out/keep.mul"), QByteArray("kept"));
        } else {
            QCOMPARE(outcome.message(), QString("Unable to create diff files"));
            QCOMPARE(outcome.failure().reason(),
                     QString("An interrupted commit cannot be completed: %1: %2").arg(record, given.fault));
            QCOMPARE(files.folder("/out").keys(),
                     QStringList{stagingnames::RecordName} + given.links + QStringList{"keep.mul"});
        }
        QCOMPARE(files.folder("/victims"),
                 (QMap<QString, QByteArray>{{"one", "one"}, {"three", "three"}, {"two", "two"}}));
    }

    // A living holder makes the job wait and then fail, naming the holder and
    // the lock, however old the lock. A holder that died with the lock, or
    // while taking it before it could write its number (an empty lock file),
    // leaves a stale lock that the next job takes over; the take-over locks of
    // earlier versions, left by one killed while taking over, go at once.
    void locks()
    {
        Workspace ws;
        const QString lockPath = ws.outFile(stagingnames::LockName);
        QLockFile held(lockPath);
        QVERIFY(held.tryLock(0));
#ifndef Q_OS_WIN  // there the holder keeps the lock's file open: its age cannot be set from outside
        QFile aged(lockPath);
        QVERIFY(
            aged.open(QIODevice::ReadWrite)
            && aged.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFile::FileModificationTime));
#endif
        CommitOptions shortWait;
        shortWait.lockWaitMilliseconds = 300;
        const JobOutcome outcome = generateStatics(ws, shortWait);
        QCOMPARE(outcome.message(), QString("Unable to create diff files"));
        QCOMPARE(outcome.failure().kind(), Status::Kind::InUse);
        QCOMPARE(
            outcome.failure().reason(),
            QString("The folder is in use by another Quillmark job (tst_commit, process %1): %2 is locked")
                .arg(QCoreApplication::applicationPid())
                .arg(lockPath));
        QCOMPARE(ws.outFiles(), QStringList{stagingnames::LockName});
        held.unlock();
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(LockChildVariable, lockPath);
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForFinished(60000));
        QVERIFY(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0);
        QCOMPARE(ws.outFiles(), QStringList{stagingnames::LockName});
        QVERIFY(generateStatics(ws, shortWait).succeeded());
        QCOMPARE(ws.outFiles(), Outputs);
        testfiles::write(lockPath, QByteArray());
        ws.file("out/.quillmark-lock.rmlock", "2147483646\ngone\nhost\n");
        ws.file("out/.quillmark-lock.rmlock.rmlock", QByteArray());
        QVERIFY(generateStatics(ws, shortWait).succeeded());
        QCOMPARE(ws.outFiles(), Outputs);
    }

    // Jobs at once into one folder, each writing a statics pair of its own,
    // round after round: each job waits for the others' short moments in the
    // folder, none fails, and the pair that stands after a round is one
    // job's whole pair, with nothing beside it.
    void concurrentJobsNeverFailEachOther()
    {
        constexpr int Jobs = 20, Rounds = 4;
        Workspace ws;
        QDir(ws.dir.path()).mkdir("in");
        const QString index = ws.file("in/idx", testfiles::entries({{0, 2, 0}, {2, 2, 0}})),
                      data = ws.file("in/data", "abcd"), locator = ws.file("in/difl", testfiles::int32s({0}));
        QList<QStringList> jobs;  // each job's inputs
        QList<QPair<QByteArray, QByteArray>> pairs;
        for (int job = 0; job < Jobs; ++job) {
            const QByteArray bytes(3, char('A' + job));
            jobs.append({index, data, ws.file(QString("in/dif%1").arg(job), bytes),
                         ws.file(QString("in/difi%1").arg(job), testfiles::entries({{0, 3, job}})), locator});
            pairs.append({testfiles::entries({{0, 3, job}, {3, 2, 0}}), bytes + "cd"});
        }
        CommitOptions patient;
        patient.lockWaitMilliseconds = 120000;  // a busy machine may be slow; waiting is no failure
        for (int round = 0; round < Rounds; ++round) {
            QStringList failures;
            std::mutex failuresLock;
            std::vector<std::thread> threads;
            for (const QStringList& inputs : jobs)
                threads.emplace_back([&, inputs] {
                    RunSettings run;
                    run.commit = patient;
                    const JobOutcome outcome = runJob(Job::CombineStatics, inputs, ws.out(), run);
                    const std::lock_guard<std::mutex> guard(failuresLock);
                    if (!outcome.succeeded())
                        failures << outcome.failure().text();
                });
            for (std::thread& thread : threads)
                thread.join();
            QVERIFY2(failures.isEmpty(), qPrintable(failures.join("\n")));
            QCOMPARE(ws.outFiles(), QStringList({"staidx0.mul", "statics0.mul"}));
            QVERIFY(pairs.contains({read(ws.outFile("staidx0.mul")), read(ws.outFile("statics0.mul"))}));
        }
    }
};

QTEST_GUILESS_MAIN(CommitTest)
#include "tst_commit.moc"
