// Files and folders as a stranger or a careless user leaves them: special
// files as inputs or in the output folder, sizes no locator can address, a
// commit interrupted in the folder that holds the inputs, links into another
// folder with its own interrupted commit, locks that are held, stale or left
// half taken over. Nothing outside the folders given is touched, nothing
// hangs, and every failure names its file and reason.

#include "commitrecord.h"
#include "difaudit.h"
#include "filesystem.h"
#include "jobmessages.h"
#include "jobrun.h"
#include "memoryfilesystem.h"
#include "outputfolder.h"
#include "reportjob.h"
#include "stagedfile.h"
#include "stagingnames.h"
#include "toolrun.h"
#include "uopformat.h"
#include "uopmapwriter.h"
#include "workspace.h"

#include <QProcess>
#include <QTest>

using namespace quillmark;
using testfiles::entries;
using testfiles::int32s;
using testfiles::read;

namespace {

// Inputs of `job` made sparse files of `size` bytes.
struct SparseCase
{
    Job job;
    QList<int> resized;
    qint64 size;
    QString message;
    Status::Kind kind;
};

// How a job takes a special file named as one of its own files: passes it
// by, removes it (a lock's name is the lock's alone) or refuses to write over it.
enum class Fate { PassedBy, Removed, Refused };

// The valid inputs of `job` in "/in" of `files`, and an empty "/out".
QStringList inMemory(MemoryFileSystem& files, Job job)
{
    files.makeFolder("/out");
    return files.writeFiles("/in", validInputs(job));
}

// A job whose files play two parts: inputs moved into the output folder
// under an output's name, a link in the output folder (name, where it leads),
// two of its names made hard links of one file. `reason` is the failure's;
// empty when the job succeeds.
struct RoleCase
{
    Job job;
    QList<QPair<int, QString>> inputsInOut;
    QStringList link;
    QStringList hardLinks;
    QString reason;
};

// quillmark-cli with `arguments`, its file size limited to `sizeLimitKiB`
// (ulimit -f) when that is not 0.
ToolRun runCli(const QStringList& arguments, int sizeLimitKiB = 0)
{
    if (sizeLimitKiB == 0)
        return runTool(QUILLMARK_CLI, arguments);
    const QString limited = QString("ulimit -f %1; exec \"$0\" \"$@\"").arg(sizeLimitKiB);
    return runTool("bash", QStringList{"-c", limited, QUILLMARK_CLI} + arguments);
}

// A record of a commit in `folder` killed before its renames: `target` has
// its earlier content "old" and a staged "new".
void leaveInterruptedCommit(const QString& folder, const QString& target, MemoryFileSystem& files)
{
    const QString path = files.writeFiles(folder, {{target, "old"}}).front();
    const QString staged = stagingnames::partName(path, files),
                  backup = stagingnames::backupName(path, files);
    files.writeFile(staged, "new");
    QVERIFY(files.hardLink(path, backup).ok());
    CommitRecord record;
    record.entries.push_back(
        {QFileInfo(staged).fileName(), target, QFileInfo(backup).fileName(), files.identityAt(staged)});
    QVERIFY(record.write(folder, files).ok());
}

}  // namespace

// Makes a special file of `path` as a job's walk begins, past the checks
// the job makes of its outputs when it starts.
class SpecialOnceBegun final : public quillmark::JobProgress
{
public:
    SpecialOnceBegun(MemoryFileSystem& files, const QString& path) : m_files(files), m_path(path) {}
    void begin(qint64) override { m_files.makeSpecial(m_path); }
    bool advance(qint64) override { return true; }
    void end() override {}

private:
    MemoryFileSystem& m_files;
    QString m_path;
};

class HostileTest : public QObject
{
    Q_OBJECT

private slots:

    void specialEntriesInTheOutputFolder_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Fate>("fate");
        QTest::addColumn<bool>("duringTheJob");  // made once the job's own checks are behind it
        QTest::newRow("a part") << ".stadif0.mul.quillmark-part-x1" << Fate::PassedBy << false;
        QTest::newRow("the lock") << ".quillmark-lock" << Fate::Removed << false;
        QTest::newRow("an old take-over lock") << ".quillmark-lock.rmlock" << Fate::Removed << false;
        QTest::newRow("its own take-over lock") << ".quillmark-lock.rmlock.rmlock" << Fate::Removed << false;
        QTest::newRow("an output") << "stadif0.mul" << Fate::Refused << false;
        QTest::newRow("an output, once the job began") << "stadif0.mul" << Fate::Refused << true;
    }
    // Special files named as a job's own files: the clean-up never opens one
    // for reading, the lock is not taken through one (nor waits on one of
    // its helpers), an output is not written over one, nor moved aside by
    // the commit when it turns up while the job runs.
    void specialEntriesInTheOutputFolder()
    {
        QFETCH(QString, name);
        QFETCH(Fate, fate);
        QFETCH(bool, duringTheJob);
        MemoryFileSystem files;
        const QStringList inputs = inMemory(files, Job::GenerateStatics);
        SpecialOnceBegun appears(files, "/out/" + name);
        RunSettings run = on(files);
        if (duringTheJob)
            run.progress = &appears;
        else
            files.makeSpecial("/out/" + name);
        const JobOutcome outcome = runJob(Job::GenerateStatics, inputs, "/out", run);
        QCOMPARE(outcome.failure().kind(),
                 fate == Fate::Refused ? Status::Kind::NotRegularFile : Status::Kind::None);
        if (duringTheJob)
            QCOMPARE(outcome.failure().text(),
                     QString("Unable to write diff files: /out/stadif0.mul: not a regular file"));
        QCOMPARE(files.kindAt("/out/" + name),
                 fate == Fate::Removed ? EntryKind::Missing : EntryKind::Special);
    }

    void sparseInputs_data()
    {
        QTest::addColumn<SparseCase>("given");
        const qint64 maps = ((qint64(1) << 31) + 1) * 196, indexes = ((qint64(1) << 31) + 1) * 12,
                     locator = qint64(1) << 41;
        using namespace jobmessage;
        QTest::newRow("generate map")
            << SparseCase{Job::GenerateMap, {0, 1}, maps, UnableToOpenMapData, Status::Kind::TooLarge};
        QTest::newRow("combine map") << SparseCase{
            Job::CombineMap, {0}, maps, UnableToOpenMap, Status::Kind::TooLarge};
        QTest::newRow("convert map") << SparseCase{
            Job::ConvertMapToPlain, {0}, maps, UnableToOpenMap, Status::Kind::TooLarge};
        QTest::newRow("generate statics") << SparseCase{
            Job::GenerateStatics, {0, 2}, indexes, UnableToOpenStaticsDataOrIndex, Status::Kind::TooLarge};
        QTest::newRow("combine statics")
            << SparseCase{Job::CombineStatics, {0}, indexes, UnableToOpenStatics, Status::Kind::TooLarge};
        QTest::newRow("combine map, 2 TiB locator")
            << SparseCase{Job::CombineMap, {2}, locator, UnableToOpenDifFiles, Status::Kind::TooLarge};
        QTest::newRow("combine statics, 2 TiB locator")
            << SparseCase{Job::CombineStatics, {4}, locator, UnableToOpenDifFiles, Status::Kind::TooLarge};
    }
    // A sparse file of one record more than block numbers can name, or a
    // locator of 2 TiB beside a difference file of one record, is refused at
    // once instead of being walked for hours.
    void sparseInputs()
    {
        QFETCH(SparseCase, given);
        MemoryFileSystem files;
        const QStringList inputs = inMemory(files, given.job);
        for (const int input : given.resized)
            files.resize(inputs[input], given.size);
        const JobOutcome outcome = runJob(given.job, inputs, "/out", on(files));
        QCOMPARE(outcome.message(), given.message);
        QCOMPARE(outcome.failure().kind(), given.kind);
    }

    // Inspection and the review report read only the records of such a
    // locator that have their difference records.
    void locatorLongerThanItsDifferenceFile()
    {
        constexpr qint64 Size = qint64(1) << 41;
        MemoryFileSystem files;
        const QStringList map = inMemory(files, Job::CombineMap);
        files.resize(map[2], Size);
        const DifAudit audit = auditMapDif({map[2], map[1], QString()}, {0, 1}, on(files).commit);
        QCOMPARE(audit.locatorRecords, Size / 4);
        QCOMPARE(audit.findings.kinds().front().examples.front(),
                 QString("%1 locator records need %2 bytes of difference data, the file has 196")
                     .arg(Size / 4)
                     .arg(Size / 4 * 196));
        ReportJob report;
        report.sources.map = map[0];
        report.sources.mapDifLocator = map[2];
        report.sources.mapDifData = map[1];
        report.heightBlocks = 1;
        report.html = "/out/page.html";
        SilentProgress silent;
        QCOMPARE(
            writeReport(report, silent, on(files).commit).failure().text(),
            QString("Unable to open dif files: /in/difl: It holds %1 records, more than any facet has blocks")
                .arg(Size / 4));
    }

    // A job that reads from a folder holding an interrupted commit first
    // completes it, and reads the whole new set; while another job holds
    // the folder, it fails with its open message instead.
    void interruptedCommitInTheInputFolder()
    {
        MemoryFileSystem files;
        const QStringList inputs = inMemory(files, Job::ConvertMapToPlain);
        leaveInterruptedCommit("/in", "map0.mul", files);
        {
            bool busy = false;
            std::unique_ptr<HeldLock> held;
            QVERIFY(files.tryLock(QString("/in/") + stagingnames::LockName, busy, held).ok() && held);
            RunSettings run = on(files);
            run.commit.lockWaitMilliseconds = 300;
            const JobOutcome outcome = runJob(Job::ConvertMapToPlain, inputs, "/out", run);
            QCOMPARE(outcome.message(), QString(jobmessage::UnableToOpenMap));
            QCOMPARE(outcome.failure().file(), QString("/in"));
            QCOMPARE(outcome.failure().kind(), Status::Kind::InUse);
            QVERIFY2(outcome.failure().reason().startsWith("holds an interrupted commit: "),
                     qPrintable(outcome.failure().reason()));
        }
        QVERIFY(runJob(Job::ConvertMapToPlain, inputs, "/out", on(files)).succeeded());
        QCOMPARE(files.contents("/out/map0.mul"), QByteArray("new"));
        QCOMPARE(files.folder("/in").keys(), QStringList({"map0.mul"}));
        // Verification and inspection, which only read, settle it as well.
        for (const bool inspect : {false, true}) {
            MemoryFileSystem inFolder;
            const QStringList patch = inMemory(inFolder, Job::CombineMap);
            leaveInterruptedCommit("/in", "map0.mul", inFolder);
            const Status read =
                inspect ? auditMapDif({patch[2], patch[1], patch[0]}, {0, 1}, on(inFolder).commit).status
                        : verifyPatch({patch[0]}, {patch[1], patch[2]}, on(inFolder).commit).failure();
            QVERIFY2(read.ok(), qPrintable(read.text()));
            QCOMPARE(inFolder.folder("/in").keys(), QStringList({"dif", "difl", "map0.mul"}));
            QCOMPARE(inFolder.contents("/in/map0.mul"), QByteArray("new"));
        }
    }

    // On the system's own files, what the file system in memory can only
    // mimic. A device is not read as an empty input; on Windows, where NUL
    // reaches it from any folder, the picture, an output like any other, is
    // never written over it. (Nowhere else is a real device handed over as an
    // output: a broken build given /dev/full replaced the machine's own
    // device node.) On POSIX systems, past `ulimit -f` a write fails with the
    // system's reason, instead of a signal that ends the tool without a word
    // and leaves its staged file.
    void onTheSystemsOwnFiles()
    {
        Workspace ws;
#ifdef Q_OS_WIN
        const QString device = "NUL";
#else
        const QString device = "/dev/full";
#endif
        QCOMPARE(runJob(Job::ConvertMapToPlain, {device}, ws.out()).failure().text(),
                 QString("Unable to open map file: %1: not a regular file").arg(device));
#ifdef Q_OS_WIN
        const ToolRun run = runCli({"inspect", "map", "--difl", ws.file("difl", int32s({1})), "--dif",
                                    ws.file("dif", QByteArray(196, 'd')), "--picture", device});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err, QString("quillmark-cli: Unable to write %1: not a regular file\n").arg(device));
#else
        const QString map = ws.file("map.mul", testfiles::randomBytes(200 * 196, 5));
        QVERIFY(QDir().mkdir(ws.path("limited")));
        const ToolRun run = runCli(
            {"convert", "map", "--in", map, "--to", "mul", "--out", ws.path("limited"), "--facet", "0"}, 8);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err, QString("quillmark-cli: Unable to write new map file: %1: File too large\n")
                              .arg(ws.path("limited/map0.mul")));
        QCOMPARE(testfiles::filesIn(ws.path("limited")), QStringList());
#endif
    }

    void oneFileOneRole_data()
    {
        QTest::addColumn<RoleCase>("given");
        const QString same = "%1 and %2 are the same file";
        QTest::newRow("two outputs, one a link to the other")
            << RoleCase{Job::CombineStatics,
                        {},
                        {"staidx0.mul", "statics0.mul"},
                        {},
                        same.arg("staidx0.mul", "statics0.mul")};
        QTest::newRow("two outputs, hard links of one file")
            << RoleCase{Job::GenerateStatics,
                        {},
                        {},
                        {"stadif0.mul", "stadifi0.mul"},
                        same.arg("stadifi0.mul", "stadif0.mul")};
        QTest::newRow("an output over an input") << RoleCase{
            Job::GenerateMap, {{0, "mapdifl0.mul"}}, {}, {}, same.arg("mapdifl0.mul", "/out/mapdifl0.mul")};
        QTest::newRow("the new index over the data it reads") << RoleCase{
            Job::CombineStatics, {{1, "staidx0.mul"}}, {}, {}, same.arg("staidx0.mul", "/out/staidx0.mul")};
        QTest::newRow("combined in place")
            << RoleCase{Job::CombineStatics, {{0, "staidx0.mul"}, {1, "statics0.mul"}}, {}, {}, QString()};
        QTest::newRow("a folder reached by two paths")
            << RoleCase{Job::GenerateStatics, {}, {"stadif0.mul", "../alias/real.mul"}, {}, QString()};
        QTest::newRow("a link out of the folder, into one with an interrupted commit")
            << RoleCase{Job::GenerateStatics,
                        {},
                        {"stadif0.mul", "/other/kept.mul"},
                        {},
                        "It is a link to /other/kept.mul, outside its folder"};
    }
    // Before anything is written, every input and output is known by its
    // file: two outputs that are one file, an output that is an input it is
    // not the new version of, or a link out of the folder, fail the job with
    // its create message, and nothing changes, least of all in the folder
    // the link leads to; a folder reached through an alias is still one
    // folder, with one lock.
    void oneFileOneRole()
    {
        QFETCH(RoleCase, given);
        MemoryFileSystem files;
        QStringList inputs = inMemory(files, given.job);
        files.makeLink("/alias", "/out");
        leaveInterruptedCommit("/other", "kept.mul", files);
        const QMap<QString, QByteArray> other = files.folder("/other");
        for (const auto& [input, name] : given.inputsInOut) {
            files.writeFile("/out/" + name, files.contents(inputs[input]));
            inputs[input] = "/out/" + name;
        }
        if (!given.link.isEmpty())
            files.makeLink("/out/" + given.link[0], given.link[1]);
        if (!given.hardLinks.isEmpty()) {
            files.writeFile("/out/" + given.hardLinks[0], "old");
            QVERIFY(files.hardLink("/out/" + given.hardLinks[0], "/out/" + given.hardLinks[1]).ok());
        }
        const QMap<QString, QByteArray> before = files.folder("/out");
        const JobOutcome outcome = runJob(given.job, inputs, "/out", on(files));
        QCOMPARE(outcome.failure().reason(), given.reason);
        const QString create = given.job == Job::CombineStatics ? jobmessage::UnableToCreateNewStatics
                                                                : jobmessage::UnableToCreateDiffFiles;
        QCOMPARE(outcome.message(), given.reason.isEmpty() ? QString() : create);
        QCOMPARE(files.folder("/other"), other);
        if (!given.reason.isEmpty())
            QCOMPARE(files.folder("/out"), before);
        else if (!given.link.isEmpty())
            QCOMPARE(files.contents("/out/real.mul"), QByteArray("xy"));
    }

    // The review report and the inspection's picture never replace what they
    // read, however the name is spelled.
    void reportAndPictureKeepTheirInputs()
    {
        Workspace ws;
        const QStringList map = ws.inputs(validInputs(Job::CombineMap));
        const QString page = ws.outFile("page.html"), json = ws.out() + "/./page.html";
        const QStringList report{"report", "--facet",   "0",    "--height", "1",   "--map",
                                 map[0],   "--mapdifl", map[2], "--mapdif", map[1]};
        const struct
        {
            QStringList arguments;
            QString error;
        } runs[] = {
            {report + QStringList{"--html", map[0]},
             QString("Unable to create report file: %1: map0.mul and %1 are the same file").arg(map[0])},
            {report + QStringList{"--html", page, "--json", json},
             QString("Unable to create report file: %1: %1 and %2 are the same file").arg(json, page)},
            {{"inspect", "map", "--difl", map[2], "--dif", map[1], "--picture", map[2]},
             QString("Unable to write %1: difl and %1 are the same file").arg(map[2])},
        };
        for (const auto& run : runs) {
            const QMap<QString, QByteArray> before = testfiles::contentsOf(ws.path("in"));
            const ToolRun ran = runCli(run.arguments);
            QCOMPARE(ran.exitCode, 1);
            QCOMPARE(ran.err, "quillmark-cli: " + run.error + "\n");
            QCOMPARE(testfiles::contentsOf(ws.path("in")), before);
            QCOMPARE(ws.outFiles(), QStringList());
        }
    }

    // A container's chunk whose stored checksum is not its bytes' does not
    // stop a job, but inspection reports it; and says which form it read.
    void chunkChecksums()
    {
        Workspace ws;
        const QString plain = ws.file("map0.mul", testfiles::randomBytes(10 * 196, 6));
        SilentProgress silent;
        QVERIFY(runJob(Job::ConvertMapToContainer, {plain}, ws.out()).succeeded());
        const QString container = ws.outFile("map0LegacyMUL.uop");
        QByteArray bytes = read(container);
        const qint64 checksumAt =
            UopMapWriter::FirstTableOffset + uopformat::TableHeaderSize + uopformat::EntryChecksumAt;
        const quint32 right = qFromLittleEndian<quint32>(bytes.constData() + checksumAt);
        qToLittleEndian<quint32>(0x12345678, bytes.data() + checksumAt);
        testfiles::write(container, bytes);
        const QStringList inspect{"inspect", "map",
                                  "--difl",  ws.file("difl", int32s({1})),
                                  "--dif",   ws.file("dif", QByteArray(196, 'd')),
                                  "--map"};
        const ToolRun run = runCli(inspect + QStringList{container});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.out.contains(QString("  map: %1 (a container of map 0), 10 blocks\n").arg(container)));
        QVERIFY2(run.out.contains(QString("  chunks whose stored checksum differs: 1\n"
                                          "    chunk 0: its entry says 12345678, its bytes give %1\n")
                                      .arg(right, 8, 16, QLatin1Char('0'))),
                 qPrintable(run.out));
        QVERIFY(runCli(inspect + QStringList{plain})
                    .out.contains(QString("  map: %1 (a plain map file), 10 blocks\n").arg(plain)));
        // The jobs read it all the same.
        QVERIFY(runJob(Job::ConvertMapToPlain, {container}, ws.out()).succeeded());
    }

    // What a path holds, a line break or bytes that are no text, does not
    // break the one line of a failure, nor make a file seem missing.
    void pathsAsTheyCome()
    {
        const ToolRun broken =
            runCli({"convert", "map", "--in", "two\nlines", "--to", "mul", "--out", ".", "--facet", "0"});
        QCOMPARE(broken.err, QString("quillmark-cli: Unable to open map file: two\\nlines: %1\n")
                                 .arg(openFailureReason("two\nlines")));
#ifdef Q_OS_WIN
        // Windows hands programs their arguments as UTF-16, which need not be
        // valid, as its file names need not be: a lone surrogate names a file
        // like any other.
        Workspace ws;
        const QString lone = ws.path(QString("caf") + QChar(0xd800));
        if (!testfiles::write(lone, testfiles::randomBytes(196, 3)))
            QSKIP("No file could be named with a lone surrogate: Wine 8 makes none (its names are UTF-8)");
        QCOMPARE(
            runCli({"convert", "map", "--in", lone, "--to", "mul", "--out", ws.out(), "--facet", "0"}).err,
            QString());
        QCOMPARE(read(ws.outFile("map0.mul")), read(lone));
#else
        QProcess process;
        process.start("bash", {"-c", "exec \"$0\" convert map --in \"$(printf 'caf\\351')\"", QUILLMARK_CLI});
        QVERIFY(process.waitForFinished());
        QCOMPARE(process.exitCode(), 2);
        QVERIFY(process.readAllStandardError().startsWith("quillmark-cli: Argument 4 ("));
#endif
    }

    // An allocation that fails anywhere in a job fails the job with its
    // message and "out of memory"; what it staged goes.
    void outOfMemory()
    {
        Workspace ws;
        const JobOutcome outcome = withMemoryGuard(jobmessage::UnableToWriteDiffFiles, [&ws]() -> JobOutcome {
            StagedFile staged(ws.outFile("mapdif0.mul"), FileSystem::system());
            if (staged.create().failed())
                return JobOutcome::stop();
            throw std::bad_alloc();
        });
        QCOMPARE(outcome.failure().text(), QString("Unable to write diff files: out of memory"));
        QCOMPARE(ws.outFiles(), QStringList());
    }
};

QTEST_GUILESS_MAIN(HostileTest)
#include "tst_hostile.moc"
