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

// Takes away the staged file of the output about to be renamed, so that its
// rename fails.
void removeStagedFile(int placed)
{
    const QString pattern = "." + RenameOrder.value(placed) + ".quillmark-part-*";
    for (const QString& part : QDir(s_out).entryList({pattern}, QDir::Files | QDir::Hidden))
        QFile::remove(s_out + "/" + part);
}

QStringList sorted(QStringList names)
{
    names.sort();
    return names;
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

    void failedRenameRestoresEveryTarget_data()
    {
        QTest::addColumn<int>("failing");
        QTest::addColumn<bool>("earlier");
        for (int failing = 0; failing < 3; ++failing) {
            QTest::addRow("rename %d fails, earlier targets", failing) << failing << true;
            QTest::addRow("rename %d fails, no earlier targets", failing) << failing << false;
        }
    }
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
            if (placed == s_failingRename)
                removeStagedFile(placed);
        });
        const JobOutcome outcome = generateStatics(ws);
        QCOMPARE(outcome.message(), QString("Unable to write diff files"));
        QCOMPARE(outcome.failure().file, ws.outFile(RenameOrder[failing]));
        QCOMPARE(ws.outFiles(), earlier ? Outputs : QStringList());
        for (const QString& name : ws.outFiles())
            QCOMPARE(read(ws.outFile(name)), name.toLatin1());
    }

    void targetsKeepWhatTheyAre_data()
    {
        QTest::addColumn<int>("mode");
        for (const int mode : {0600, 0640, 0604, 0664})
            QTest::addRow("%o", mode) << mode;
    }
    // A replaced target keeps its permission bits. Through a link to an
    // existing file and a dangling one, the files they point to take the new
    // content, the links stay links, and nothing is left beside either.
    void targetsKeepWhatTheyAre()
    {
        QFETCH(int, mode);
        Workspace ws;
        QDir(ws.dir.path()).mkdir("elsewhere");
        const QString existing = ws.path("elsewhere/kept.mul"), plain = ws.outFile("stadifi0.mul");
        testfiles::write(existing, "old");
        testfiles::write(plain, "old");
        QCOMPARE(::chmod(QFile::encodeName(plain).constData(), mode_t(mode)), 0);
        QVERIFY(QFile::link(existing, ws.outFile("stadif0.mul")));
        QVERIFY(QFile::link("../elsewhere/made.mul", ws.outFile("stadifl0.mul")));
        QVERIFY(generateStatics(ws).succeeded());
        struct stat status;
        QCOMPARE(::stat(QFile::encodeName(plain).constData(), &status), 0);
        QCOMPARE(int(status.st_mode & 07777), mode);
        QCOMPARE(read(plain), testfiles::entries({{0, 2, 7}}));
        QCOMPARE(read(existing), QByteArray("xy"));
        QCOMPARE(read(ws.path("elsewhere/made.mul")), testfiles::int32s({0}));
        QVERIFY(QFileInfo(ws.outFile("stadif0.mul")).isSymLink());
        QVERIFY(QFileInfo(ws.outFile("stadifl0.mul")).isSymLink());
        QCOMPARE(ws.outFiles(), Outputs);
        QCOMPARE(testfiles::filesIn(ws.path("elsewhere")), QStringList({"kept.mul", "made.mul"}));
    }

    void unfinishedCommitIsSettled_data()
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
    // Three staged files with their backups and a record, as a commit leaves
    // them just before its first rename, old and new contents "old<i>" and
    // "new<i>", then `placed` renames. Forward, every target ends new; undo,
    // every target ends as it was.
    void unfinishedCommitIsSettled()
    {
        QFETCH(bool, undo);
        QFETCH(bool, earlier);
        QFETCH(int, placed);
        Workspace ws;
        CommitRecord record;
        record.direction = undo ? CommitRecord::Direction::Undo : CommitRecord::Direction::Forward;
        QStringList targets;
        for (int i = 0; i < 3; ++i) {
            targets << QString("file%1.mul").arg(i);
            const QString target = ws.outFile(targets.last());
            record.entries.push_back({stagingnames::partName(target), target, QString()});
            testfiles::write(record.entries.back().staged, "new" + QByteArray::number(i));
            if (earlier) {
                testfiles::write(target, "old" + QByteArray::number(i));
                record.entries.back().backup = stagingnames::backupName(target);
                QVERIFY(QFile::copy(target, record.entries.back().backup));
            }
        }
        QString error;
        QVERIFY(record.write(ws.outFile(stagingnames::RecordName), error));
        for (int i = 0; i < placed; ++i)
            QCOMPARE(::rename(QFile::encodeName(record.entries[size_t(i)].staged).constData(),
                              QFile::encodeName(record.entries[size_t(i)].target).constData()),
                     0);

        OutputFolder folder(ws.out());
        QVERIFY2(folder.open(), qPrintable(folder.errorString()));
        if (undo && !earlier)
            targets.clear();
        QCOMPARE(ws.outFiles(), sorted(targets + QStringList{stagingnames::LockName}));
        for (int i = 0; i < targets.size(); ++i)
            QCOMPARE(read(ws.outFile(targets[i])), (undo ? "old" : "new") + QByteArray::number(i));
    }

    void locks_data()
    {
        QTest::addColumn<QString>("holder");
        for (const char* holder : {"alive", "gone", "killed while taking it"})
            QTest::newRow(holder) << QString(holder);
    }
    // A living holder makes the job wait and then fail, naming the lock and
    // the holder. A holder that died with the lock, or while taking it before
    // it could write its number, leaves a stale lock that the job takes over.
    void locks()
    {
        QFETCH(QString, holder);
        Workspace ws;
        const QString lockPath = ws.outFile(stagingnames::LockName);
        QLockFile held(lockPath);
        if (holder == "alive") {
            QVERIFY(held.tryLock(0));
            OutputFolder::setLockWait(300);
            const JobOutcome outcome = generateStatics(ws);
            QCOMPARE(outcome.message(), QString("Unable to create diff files"));
            const QString reason = outcome.failure().reason;
            QVERIFY2(reason.contains(lockPath), qPrintable(reason));
            QVERIFY(reason.contains(QString::number(QCoreApplication::applicationPid())));
            QCOMPARE(ws.outFiles(), QStringList{stagingnames::LockName});
            held.unlock();
        } else if (holder == "gone") {
            const pid_t child = fork();
            if (child == 0)
                _exit(held.tryLock(0) ? 0 : 1);  // no destructor runs: the lock stays
            int status = 0;
            QCOMPARE(waitpid(child, &status, 0), child);
            QCOMPARE(WEXITSTATUS(status), 0);
        } else {
            QFile lock(lockPath);
            QVERIFY(lock.open(QIODevice::WriteOnly));
            QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addSecs(-10), QFile::FileModificationTime));
        }
        QCOMPARE(ws.outFiles(), holder == "alive" ? QStringList() : QStringList{stagingnames::LockName});
        OutputFolder::setLockWait(1000);
        QVERIFY(generateStatics(ws).succeeded());
        QCOMPARE(ws.outFiles(), Outputs);
    }

    void debrisGoesLiveFilesStay()
    {
        Workspace ws;
        const QStringList debris{".stadif0.mul.quillmark-part-dead1", ".map0.mul.quillmark-old-dead2",
                                 ".quillmark-commit.quillmark-part-dead3"};
        const QStringList kept{".keep", ".map0.mul.1x2y.part", "notes.quillmark-part-1",
                               ".statics0.mul.quillmark-part-live"};
        for (const QString& name : debris + kept.mid(0, 3))
            testfiles::write(ws.outFile(name), "x");
        platformfile::NativeFile live;
        QVERIFY(live.createNew(QFile::encodeName(ws.outFile(kept.last())).constData()));
        QVERIFY(generateStatics(ws).succeeded());
        QCOMPARE(ws.outFiles(), sorted(Outputs + kept));
    }
};

QTEST_GUILESS_MAIN(CommitTest)
#include "tst_commit.moc"
