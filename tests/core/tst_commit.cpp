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
#include <QtTest>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using testfiles::entries;
using testfiles::read;

namespace {

// Statics generation renames its outputs in this order.
const QStringList RenameOrder{"stadif0.mul", "stadifl0.mul", "stadifi0.mul"};
const QStringList Outputs{"stadif0.mul", "stadifi0.mul", "stadifl0.mul"};

// A statics generation whose block 0 changed: all three outputs get new bytes.
JobOutcome generateStatics(const Workspace& ws)
{
    SilentProgress silent;
    const QString refIdx = ws.file("ri", entries({{0, 2, 0}})), refData = ws.file("rd", "ab");
    const QString curIdx = ws.file("ci", entries({{0, 2, 7}})), curData = ws.file("cd", "xy");
    return generateStaticsDiff({refIdx, refData, curIdx, curData, ws.out(), 0}, silent);
}

QStringList hiddenIn(const QString& dir, const QString& pattern)
{
    return QDir(dir).entryList({pattern}, QDir::Files | QDir::Hidden | QDir::System);
}

int s_failingRename = -1;
QString s_out;

// Takes away the staged file of the output about to be renamed, so that its
// rename fails.
void removeStagedFile(int placed)
{
    if (placed != s_failingRename)
        return;
    for (const QString& part : hiddenIn(s_out, "." + RenameOrder[placed] + ".quillmark-part-*"))
        QFile::remove(s_out + "/" + part);
}

mode_t modeOf(const QString& path)
{
    struct stat status;
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777 : 0;
}

// Three staged files with their backups and a record, as a commit leaves them
// just before its first rename: old and new contents "old<i>" and "new<i>".
CommitRecord preparedCommit(const Workspace& ws, bool withEarlier)
{
    CommitRecord record;
    for (int i = 0; i < 3; ++i) {
        const QString target = ws.outFile(QString("file%1.mul").arg(i));
        CommitEntry entry{stagingnames::partName(target), target, QString()};
        testfiles::write(entry.staged, "new" + QByteArray::number(i));
        if (withEarlier) {
            testfiles::write(target, "old" + QByteArray::number(i));
            entry.backup = stagingnames::backupName(target);
            ::link(QFile::encodeName(target).constData(), QFile::encodeName(entry.backup).constData());
        }
        record.entries.push_back(entry);
    }
    return record;
}

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
    void failedRenameRestoresEveryTarget_data();
    void failedRenameRestoresEveryTarget();
    void permissionsAreKept_data();
    void permissionsAreKept();
    void linksAreWrittenThrough();
    void unfinishedCommitIsSettled_data();
    void unfinishedCommitIsSettled();
    void lockedFolder();
    void staleLockIsTakenOver_data();
    void staleLockIsTakenOver();
    void debrisGoesLiveFilesStay();
};

void CommitTest::failedRenameRestoresEveryTarget_data()
{
    QTest::addColumn<int>("failing");
    QTest::addColumn<bool>("earlier");
    for (int failing = 0; failing < 3; ++failing) {
        QTest::addRow("rename %d fails, earlier targets", failing) << failing << true;
        QTest::addRow("rename %d fails, no earlier targets", failing) << failing << false;
    }
}

void CommitTest::failedRenameRestoresEveryTarget()
{
    QFETCH(int, failing);
    QFETCH(bool, earlier);
    Workspace ws;
    if (earlier) {
        for (const QString& name : Outputs)
            testfiles::write(ws.outFile(name), name.toLatin1());
    }
    s_failingRename = failing;
    s_out = ws.out();
    setBeforeRenameHook(removeStagedFile);
    const JobOutcome outcome = generateStatics(ws);
    QCOMPARE(outcome.message(), QString("Unable to write diff files"));
    QCOMPARE(outcome.failure().file, ws.outFile(RenameOrder[failing]));
    QCOMPARE(ws.outFiles(), earlier ? Outputs : QStringList());
    for (const QString& name : ws.outFiles())
        QCOMPARE(read(ws.outFile(name)), name.toLatin1());
}

void CommitTest::permissionsAreKept_data()
{
    QTest::addColumn<int>("mode");
    for (const int mode : {0600, 0640, 0604, 0664})
        QTest::addRow("%o", mode) << mode;
}

void CommitTest::permissionsAreKept()
{
    QFETCH(int, mode);
    Workspace ws;
    for (const QString& name : Outputs) {
        testfiles::write(ws.outFile(name), "old");
        ::chmod(QFile::encodeName(ws.outFile(name)).constData(), mode_t(mode));
    }
    QVERIFY(generateStatics(ws).succeeded());
    for (const QString& name : Outputs) {
        QVERIFY(read(ws.outFile(name)) != "old");
        QCOMPARE(int(modeOf(ws.outFile(name))), mode);
    }
}

// A link to an existing file and a dangling one: the files they point to take
// the new content, the links stay links, and nothing is left beside either.
void CommitTest::linksAreWrittenThrough()
{
    Workspace ws;
    QDir(ws.dir.path()).mkdir("elsewhere");
    const QString existing = ws.path("elsewhere/kept.mul"), dangling = ws.path("elsewhere/made.mul");
    testfiles::write(existing, "old");
    QVERIFY(QFile::link(existing, ws.outFile("stadif0.mul")));
    QVERIFY(QFile::link("../elsewhere/made.mul", ws.outFile("stadifl0.mul")));
    QVERIFY(generateStatics(ws).succeeded());
    QCOMPARE(read(existing), QByteArray("xy"));
    QCOMPARE(read(dangling), testfiles::int32s({0}));
    QVERIFY(QFileInfo(ws.outFile("stadif0.mul")).isSymLink());
    QVERIFY(QFileInfo(ws.outFile("stadifl0.mul")).isSymLink());
    QCOMPARE(ws.outFiles(), Outputs);
    QCOMPARE(testfiles::filesIn(ws.path("elsewhere")), QStringList({"kept.mul", "made.mul"}));
}

void CommitTest::unfinishedCommitIsSettled_data()
{
    QTest::addColumn<bool>("undo");
    QTest::addColumn<bool>("earlier");
    QTest::addColumn<int>("placed");  // renames done before the kill
    for (const bool undo : {false, true}) {
        for (const bool earlier : {true, false}) {
            for (int placed = 0; placed <= 3; ++placed)
                QTest::addRow("%s, %s, %d placed", undo ? "undo" : "forward", earlier ? "earlier" : "new",
                              placed)
                    << undo << earlier << placed;
        }
    }
}

// Forward, every target ends new; undo, every target ends as it was.
void CommitTest::unfinishedCommitIsSettled()
{
    QFETCH(bool, undo);
    QFETCH(bool, earlier);
    QFETCH(int, placed);
    Workspace ws;
    CommitRecord record = preparedCommit(ws, earlier);
    record.direction = undo ? CommitRecord::Direction::Undo : CommitRecord::Direction::Forward;
    QString error;
    QVERIFY(record.write(ws.outFile(stagingnames::RecordName), error));
    for (int i = 0; i < placed; ++i)
        QCOMPARE(::rename(QFile::encodeName(record.entries[size_t(i)].staged).constData(),
                          QFile::encodeName(record.entries[size_t(i)].target).constData()),
                 0);

    OutputFolder folder(ws.out());
    QVERIFY2(folder.open(), qPrintable(folder.errorString()));
    QStringList expected;
    if (!undo || earlier)
        expected = QStringList{"file0.mul", "file1.mul", "file2.mul"};
    QStringList left = expected + QStringList{stagingnames::LockName};
    left.sort();
    QCOMPARE(ws.outFiles(), left);
    for (int i = 0; i < expected.size(); ++i)
        QCOMPARE(read(ws.outFile(expected[i])), (undo ? "old" : "new") + QByteArray::number(i));
}

void CommitTest::lockedFolder()
{
    Workspace ws;
    QLockFile held(ws.outFile(stagingnames::LockName));
    QVERIFY(held.tryLock(0));
    OutputFolder::setLockWait(300);
    const JobOutcome outcome = generateStatics(ws);
    QCOMPARE(outcome.message(), QString("Unable to create diff files"));
    QVERIFY2(outcome.failure().reason.contains(ws.outFile(stagingnames::LockName)),
             qPrintable(outcome.failure().reason));
    QVERIFY(outcome.failure().reason.contains(QString::number(QCoreApplication::applicationPid())));
    QCOMPARE(ws.outFiles(), QStringList{stagingnames::LockName});
    held.unlock();
    QVERIFY(generateStatics(ws).succeeded());
    QCOMPARE(ws.outFiles(), Outputs);
}

void CommitTest::staleLockIsTakenOver_data()
{
    QTest::addColumn<bool>("empty");
    QTest::newRow("its process is gone") << false;
    QTest::newRow("killed while taking it, empty") << true;
}

// A process that took the lock and died without letting it go, or died while
// taking it, before it could write its number into it.
void CommitTest::staleLockIsTakenOver()
{
    QFETCH(bool, empty);
    Workspace ws;
    const QString lockPath = ws.outFile(stagingnames::LockName);
    if (empty) {
        testfiles::write(lockPath, "");
        QFile lock(lockPath);
        QVERIFY(lock.open(QIODevice::ReadWrite)
                && lock.setFileTime(QDateTime::currentDateTime().addSecs(-10), QFile::FileModificationTime));
    } else {
        const pid_t child = fork();
        if (child == 0) {
            QLockFile lock(lockPath);
            _exit(lock.tryLock(0) ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QCOMPARE(WEXITSTATUS(status), 0);
    }
    QCOMPARE(ws.outFiles(), QStringList{stagingnames::LockName});
    OutputFolder::setLockWait(1000);
    QVERIFY(generateStatics(ws).succeeded());
    QCOMPARE(ws.outFiles(), Outputs);
}

void CommitTest::debrisGoesLiveFilesStay()
{
    Workspace ws;
    const QStringList debris{".stadif0.mul.quillmark-part-dead1", ".map0.mul.quillmark-old-dead2",
                             ".quillmark-commit.quillmark-part-dead3"};
    const QStringList unrelated{".keep", ".map0.mul.1x2y.part", "notes.quillmark-part-1"};
    for (const QString& name : debris + unrelated)
        testfiles::write(ws.outFile(name), "x");
    platformfile::NativeFile live;
    QVERIFY(live.createNew(QFile::encodeName(ws.outFile(".statics0.mul.quillmark-part-live")).constData()));
    QVERIFY(generateStatics(ws).succeeded());
    QStringList left = Outputs + unrelated + QStringList{".statics0.mul.quillmark-part-live"};
    left.sort();
    QCOMPARE(ws.outFiles(), left);
}

QTEST_GUILESS_MAIN(CommitTest)
#include "tst_commit.moc"
