// How outputs are put in place: a failed rename undoes the whole set, a
// replaced target keeps its permission bits, links are written through, an
// unfinished commit left by a killed job is completed or undone by the next,
// a locked folder makes a job wait and then fail, and the debris of killed
// jobs goes while the files of living ones stay.

#include "commitrecord.h"
#include "diffjobs.h"
#include "outputfolder.h"
#include "platformfile.h"
#include "stagedfile.h"
#include "stagingnames.h"
#include "workspace.h"

#include <QLockFile>
#include <QProcess>
#include <QtTest>

#include <cstdlib>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

using testfiles::read;

namespace {

// Statics generation renames its outputs in this order.
const QStringList RenameOrder{"stadif0.mul", "stadifl0.mul", "stadifi0.mul"};
const QStringList Outputs{"stadif0.mul", "stadifi0.mul", "stadifl0.mul"};

// A statics generation whose block 0 changed: all three outputs get new bytes.
JobOutcome generateStatics(const Workspace& ws)
{
    SilentProgress silent;
    return generateStaticsDiff({ws.file("ri", testfiles::entries({{0, 2, 0}})), ws.file("rd", "ab"),
                                ws.file("ci", testfiles::entries({{0, 2, 7}})), ws.file("cd", "xy"),
                                ws.out()},
                               silent);
}

int s_failingRename = -1;
QString s_out;

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
    void cleanup()
    {
        setBeforeRenameHook(nullptr);
        OutputFolder::setLockWait(10000);
    }

    void failedRenameRestoresEveryTarget_data()
    {
        QTest::addColumn<int>("failing");
        QTest::addColumn<bool>("earlier");
        for (int row = 0; row < 6; ++row)
            QTest::addRow("rename %d fails, %s", row / 2, row % 2 ? "no earlier targets" : "earlier targets")
                << row / 2 << !(row % 2);
    }
    // The staged file of the output about to be renamed is taken away, so
    // that its rename fails.
    void failedRenameRestoresEveryTarget()
    {
        QFETCH(int, failing);
        QFETCH(bool, earlier);
        Workspace ws;
        for (const QString& name : earlier ? Outputs : QStringList())
            testfiles::write(ws.outFile(name), name.toLatin1());
        s_failingRename = failing;
        s_out = ws.out();
        setBeforeRenameHook([](int placed) {
            const QString part = "." + RenameOrder.value(placed) + ".quillmark-part-*";
            if (placed == s_failingRename)
                QDir(s_out).remove(QDir(s_out).entryList({part}, QDir::Files | QDir::Hidden).value(0));
        });
        const JobOutcome outcome = generateStatics(ws);
        QCOMPARE(outcome.message(), QString("Unable to write diff files"));
        QCOMPARE(outcome.failure().file, ws.outFile(RenameOrder[failing]));
        QCOMPARE(ws.outFiles(), earlier ? Outputs : QStringList());
        for (const QString& name : ws.outFiles())
            QCOMPARE(read(ws.outFile(name)), name.toLatin1());
    }

    void targetsLinksAndDebris_data()
    {
        QTest::addColumn<int>("mode");
        for (const int mode : {0600, 0640, 0604, 0664})
            QTest::addRow("%o", mode) << mode;
    }
    // One run in a folder holding a target with its own permission bits, links
    // to an existing file and to none, and debris. The target keeps its bits;
    // the files the links point to take the new content, the links stay links
    // and nothing is left beside either; the parts and backups of dead jobs
    // go, while a live job's part and files that only look like ours stay.
    void targetsLinksAndDebris()
    {
#ifdef Q_OS_WIN
        QSKIP("POSIX permission bits and symbolic links: Windows keeps no mode bits (they read back as "
              "0666) and QFile::link makes a .lnk shortcut there; tests/windows covers the debris");
#else
        QFETCH(int, mode);
        Workspace ws;
        QDir(ws.dir.path()).mkdir("elsewhere");
        const QString existing = ws.file("elsewhere/kept.mul", "old"),
                      plain = ws.file("out/stadifi0.mul", "old");
        QCOMPARE(::chmod(QFile::encodeName(plain).constData(), mode_t(mode)), 0);
        QVERIFY(QFile::link(existing, ws.outFile("stadif0.mul")));
        QVERIFY(QFile::link("../elsewhere/made.mul", ws.outFile("stadifl0.mul")));
        for (const char* name : {".stadif0.mul.quillmark-part-dead1", ".map0.mul.quillmark-old-dead2",
                                 ".quillmark-commit.quillmark-part-dead3", ".keep", ".map0.mul.1x2y.part",
                                 "notes.quillmark-part-1"})
            ws.file(QString("out/") + name, "x");
        const QString live = ".statics0.mul.quillmark-part-live";
        platformfile::NativeFile liveFile;
        QVERIFY(liveFile.createNew(QFile::encodeName(ws.outFile(live)).constData()));
        QVERIFY(generateStatics(ws).succeeded());
        struct stat status;
        QCOMPARE(::stat(QFile::encodeName(plain).constData(), &status), 0);
        QCOMPARE(int(status.st_mode & 07777), mode);
        QCOMPARE(read(plain), testfiles::entries({{0, 2, 7}}));
        QCOMPARE(read(existing), QByteArray("xy"));
        QCOMPARE(read(ws.path("elsewhere/made.mul")), testfiles::int32s({0}));
        QVERIFY(QFileInfo(ws.outFile("stadif0.mul")).isSymLink()
                && QFileInfo(ws.outFile("stadifl0.mul")).isSymLink());
        QCOMPARE(ws.outFiles(),
                 QStringList({".keep", ".map0.mul.1x2y.part", live, "notes.quillmark-part-1"}) + Outputs);
        QCOMPARE(testfiles::filesIn(ws.path("elsewhere")), QStringList({"kept.mul", "made.mul"}));
#endif
    }

    void unfinishedCommitIsSettled_data()
    {
        QTest::addColumn<bool>("undo");
        QTest::addColumn<bool>("earlier");
        QTest::addColumn<int>("placed");  // renames done before the kill
        for (int row = 0; row < 16; ++row)
            QTest::addRow("%s, %s, %d placed", row & 8 ? "undo" : "forward", row & 4 ? "new" : "earlier",
                          row & 3)
                << bool(row & 8) << !(row & 4) << (row & 3);
    }
    // Three staged files with their backups and a record, as a commit leaves
    // them just before its first rename, old and new contents "old<i>" and
    // "new<i>", with the first `placed` renames done. Forward, every target
    // ends new; undo, every target ends as it was.
    void unfinishedCommitIsSettled()
    {
        QFETCH(bool, undo);
        QFETCH(bool, earlier);
        QFETCH(int, placed);
        Workspace ws;
        CommitRecord record;
        record.direction = undo ? CommitRecord::Direction::Undo : CommitRecord::Direction::Forward;
        for (int i = 0; i < 3; ++i) {
            const QString target = ws.outFile(QString("file%1.mul").arg(i));
            const QByteArray old = "old" + QByteArray::number(i);
            const QString backup = earlier ? ws.file(stagingnames::backupName(target), old) : QString();
            if (earlier)
                ws.file(target, old);
            const QString staged = ws.file(stagingnames::partName(target), "new" + QByteArray::number(i));
            record.entries.push_back({staged, target, backup});
            std::string reason;
            if (i < placed)
                QVERIFY2(platformfile::replaceFile(stagingnames::native(staged).constData(),
                                                   stagingnames::native(target).constData(), reason),
                         reason.c_str());
        }
        QString error;
        QVERIFY(record.write(ws.outFile(stagingnames::RecordName), error));

        OutputFolder folder(ws.out());
        QVERIFY2(folder.open(), qPrintable(folder.errorString()));
        const QStringList targets =
            undo && !earlier ? QStringList() : QStringList{"file0.mul", "file1.mul", "file2.mul"};
        QCOMPARE(ws.outFiles(), QStringList{stagingnames::LockName} + targets);
        for (int i = 0; i < targets.size(); ++i)
            QCOMPARE(read(ws.outFile(targets[i])), (undo ? "old" : "new") + QByteArray::number(i));
    }

    // A living holder makes the job wait and then fail, naming the holder and
    // the lock. A holder that died with the lock, or while taking it before it
    // could write its number (an empty lock file), leaves a stale lock that
    // the next job takes over.
    void locks()
    {
        Workspace ws;
        const QString lockPath = ws.outFile(stagingnames::LockName);
        QLockFile held(lockPath);
        QVERIFY(held.tryLock(0));
        OutputFolder::setLockWait(300);
        const JobOutcome outcome = generateStatics(ws);
        QCOMPARE(outcome.message(), QString("Unable to create diff files"));
        QCOMPARE(
            outcome.failure().reason,
            QString("The folder is in use by another Quillmark job (tst_commit, process %1): %2 is locked")
                .arg(QCoreApplication::applicationPid())
                .arg(lockPath));
        QCOMPARE(ws.outFiles(), QStringList{stagingnames::LockName});
        held.unlock();
        OutputFolder::setLockWait(1000);
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(LockChildVariable, lockPath);
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForFinished(60000));
        QVERIFY(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0);
        QCOMPARE(ws.outFiles(), QStringList{stagingnames::LockName});
        QVERIFY(generateStatics(ws).succeeded());
        QCOMPARE(ws.outFiles(), Outputs);
        QFile lock(lockPath);
        QVERIFY(lock.open(QIODevice::WriteOnly));
        QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addSecs(-10), QFile::FileModificationTime));
        lock.close();  // its writer is dead: nothing holds it open (Windows would keep it from removal)
        QVERIFY(generateStatics(ws).succeeded());
        QCOMPARE(ws.outFiles(), Outputs);
    }
};

QTEST_GUILESS_MAIN(CommitTest)
#include "tst_commit.moc"
