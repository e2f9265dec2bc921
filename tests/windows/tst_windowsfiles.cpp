// Windows only: what differs there when a job reads and writes its files.
// Paths with drive letters, backslashes, the extended-length prefix, a UNC
// share, spaces and non-ASCII names; a target whose name differs only in
// case; a read-only target; a target that another process holds open
// during the commit. (A living job's part, which Windows marks by keeping it
// open, is held to its promise by tst_filesystem.)

#include "filesystem.h"
#include "jobmessages.h"
#include "jobrun.h"
#include "workspace.h"

#include <QProcess>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <windows.h>

using namespace quillmark;
using testfiles::filesIn;
using testfiles::read;

namespace {

// Calls `hold` at the walk's first block, when it is given: after the
// job's checks and the creation of its outputs, before its commit.
struct HoldingProgress final : JobProgress
{
    explicit HoldingProgress(const std::function<bool()>* holdInWalk = nullptr) : hold(holdInWalk) {}
    void begin(qint64) override {}
    bool advance(qint64) override
    {
        if (hold && !held)
            held = (*hold)();
        return true;
    }
    void end() override {}

    const std::function<bool()>* hold;
    bool held = false;
};

// Combines valid inputs written into `folder` (an existing one, its path in
// any form) into `outDir`.
JobOutcome combineInto(const QString& folder, const QString& outDir, JobProgress* progress = nullptr)
{
    const QString separator = folder.contains('\\') ? QStringLiteral("\\") : QStringLiteral("/");
    QStringList in;
    for (const auto& [name, bytes] : validInputs(Job::CombineMap)) {
        in << folder + separator + name;
        testfiles::write(in.last(), bytes);
    }
    return runJob(Job::CombineMap, in, outDir, RunSettings(0, progress));
}

// The map that those inputs combine into.
QByteArray combined()
{
    return validInputs(Job::GenerateMap).at(1).second;
}

// Started again as its own child by heldTarget(): holds the file that the
// variable names open as another program would (sharing reads and writes,
// not deletion), says so, and lets go when its input closes.
constexpr char HolderVariable[] = "TST_WINDOWSFILES_HOLD";
[[maybe_unused]] const bool s_holder = [] {
    const QString path = qEnvironmentVariable(HolderVariable);
    if (path.isEmpty())
        return false;
    const HANDLE file = CreateFileW(reinterpret_cast<const wchar_t*>(path.utf16()), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    std::printf(file == INVALID_HANDLE_VALUE ? "failed\n" : "held\n");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    std::_Exit(0);
}();

enum class PathForm { Backslashes, ForwardSlashes, ExtendedLength, UncShare, Spaces, NonAscii };

// `path` (absolute, with a drive letter) written in `form`.
QString written(const QString& path, PathForm form)
{
    const QString native = QDir::toNativeSeparators(path);
    switch (form) {
    case PathForm::ForwardSlashes:
        return QDir::fromNativeSeparators(path);
    case PathForm::ExtendedLength:
        return "\\\\?\\" + native;
    case PathForm::UncShare:  // the drive's administrative share on this machine
        return "\\\\localhost\\" + native.left(1) + "$" + native.mid(2);
    default:
        return native;
    }
}

}  // namespace

class WindowsFilesTest : public QObject
{
    Q_OBJECT

private slots:
    void paths_data()
    {
        QTest::addColumn<PathForm>("form");
        QTest::addColumn<QString>("folder");  // inside the workspace
        QTest::newRow("drive letter, backslashes") << PathForm::Backslashes << "plain";
        QTest::newRow("forward slashes") << PathForm::ForwardSlashes << "plain";
        QTest::newRow("extended-length prefix") << PathForm::ExtendedLength << "plain";
        QTest::newRow("UNC share") << PathForm::UncShare << "plain";
        QTest::newRow("spaces") << PathForm::Spaces << "with spaces/map files";
        QTest::newRow("non-ASCII") << PathForm::NonAscii << QString::fromUtf8("Kärten Ωμέγα 地図");
    }
    // Inputs and outputs under a path of each form: the new map in place,
    // nothing else left, the inputs untouched.
    void paths()
    {
        QFETCH(PathForm, form);
        QFETCH(QString, folder);
        Workspace ws;
        QVERIFY(QDir(ws.dir.path()).mkpath(folder + "/out"));
        const QString base = written(ws.path(folder), form);
        if (form == PathForm::UncShare && !QFileInfo::exists(base))
            QSKIP("No administrative share of the drive here (Wine has no file sharing)");
        const JobOutcome made =
            combineInto(base, base + (form == PathForm::ForwardSlashes ? "/out" : "\\out"));
        QVERIFY2(made.succeeded(), qPrintable(made.failure().text()));
        QCOMPARE(filesIn(ws.path(folder + "/out")), QStringList{"map0.mul"});
        QVERIFY(read(ws.path(folder + "/out/map0.mul")) == combined());
        QCOMPARE(filesIn(ws.path(folder)), QStringList({"dif", "difl", "map0.mul"}));
    }

    // Names are compared without case: a target called Map0.MUL is the
    // map0.mul that the job writes, replaced, not joined by a second file.
    void targetNamedInAnotherCase()
    {
        Workspace ws;
        QVERIFY(QDir(ws.dir.path()).mkdir("in"));
        ws.file("out/Map0.MUL", "old");
        QVERIFY(combineInto(ws.path("in"), ws.out()).succeeded());
        QCOMPARE(ws.outFiles().size(), 1);
        QCOMPARE(ws.outFiles().first().toLower(), QString("map0.mul"));
        QVERIFY(read(ws.outFile("map0.mul")) == combined());
    }

    // A read-only target cannot be replaced on Windows (POSIX replaces it, as
    // the folder decides there): the job fails at its start with its create
    // message, and the target keeps its content and its attribute.
    void readOnlyTarget()
    {
        Workspace ws;
        QVERIFY(QDir(ws.dir.path()).mkdir("in"));
        const QString target = ws.file("out/map0.mul", "old");
        const QString nativeTarget = QDir::toNativeSeparators(target);
        const auto wideTarget = reinterpret_cast<const wchar_t*>(nativeTarget.utf16());
        QVERIFY(SetFileAttributesW(wideTarget, FILE_ATTRIBUTE_READONLY));
        const JobOutcome made = combineInto(ws.path("in"), ws.out());
        const DWORD attributes = GetFileAttributesW(wideTarget);
        SetFileAttributesW(wideTarget, FILE_ATTRIBUTE_NORMAL);  // lets the workspace go
        QCOMPARE(made.message(), QString(jobmessage::UnableToCreateNewMap));
        QCOMPARE(made.failure().file(), target);
        QCOMPARE(made.failure().reason(), QString("Permission denied"));
        QCOMPARE(ws.outFiles(), QStringList{"map0.mul"});
        QCOMPARE(read(target), QByteArray("old"));
        QVERIFY(attributes & FILE_ATTRIBUTE_READONLY);
    }

    void heldTarget_data()
    {
        QTest::addColumn<bool>("fromTheStart");
        QTest::newRow("held before the job") << true;
        QTest::newRow("taken up during the walk") << false;
    }
    // Another program holds the target open (a client reading its map), from
    // before the job or from part way through its walk (a sharing
    // violation): the commit fails before it makes any second name, with the
    // job's write message and the system's reason, nothing lost, nothing
    // left; once it lets go, the job succeeds.
    void heldTarget()
    {
        QFETCH(bool, fromTheStart);
        Workspace ws;
        QVERIFY(QDir(ws.dir.path()).mkdir("in"));
        const QString target = ws.file("out/map0.mul", "old");
        QProcess holder;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(HolderVariable, QDir::toNativeSeparators(target));
        holder.setProcessEnvironment(environment);
        const std::function<bool()> hold = [&holder] {
            holder.start(QCoreApplication::applicationFilePath(), {});
            return holder.waitForStarted() && holder.waitForReadyRead(60000)
                   && holder.readLine().trimmed() == "held";
        };
        if (fromTheStart)
            QVERIFY(hold());
        HoldingProgress progress(fromTheStart ? nullptr : &hold);
        const JobOutcome failed = combineInto(ws.path("in"), ws.out(), &progress);
        holder.closeWriteChannel();
        QVERIFY(holder.waitForFinished(60000));
        QVERIFY(progress.held || fromTheStart);
        QCOMPARE(failed.message(), QString(jobmessage::UnableToWriteNewMap));
        QCOMPARE(failed.failure().file(), target);
        QVERIFY(!failed.failure().reason().isEmpty());
        QCOMPARE(ws.outFiles(), QStringList{"map0.mul"});
        QCOMPARE(read(target), QByteArray("old"));
        QVERIFY(combineInto(ws.path("in"), ws.out()).succeeded());
        QVERIFY(read(target) == combined());
        QCOMPARE(ws.outFiles(), QStringList{"map0.mul"});
    }
};

QTEST_GUILESS_MAIN(WindowsFilesTest)
#include "tst_windowsfiles.moc"
