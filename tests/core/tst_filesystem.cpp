// The promises of the file-system seam, held against the system's own and
// the one in memory that the other suites run jobs on, row for row: what one
// of them lets through, a job on it would meet. The engine's own routines
// over the seam (reading a small file, removing what a dead job left,
// keeping permission bits) run on both as well.

#include "fileoperations.h"
#include "memoryfilesystem.h"
#include "workspace.h"

#include <QTest>

#include <functional>
#include <memory>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

using namespace quillmark;

namespace {

// A file system and a folder of it to work in.
struct Place
{
    FileSystem& files;
    QString folder;
    // Sets up, as if long done: a file of `bytes`, a link.
    std::function<void(const QString& path, const QByteArray& bytes)> write;
    std::function<void(const QString& path, const QString& target)> link;
    // A FIFO or a device, which nothing may wait on.
    QString special;

    QString at(const char* name) const { return folder + '/' + QLatin1String(name); }
    QByteArray read(const QString& path) const
    {
        QByteArray bytes;
        return readSmallFile(files, path, 1 << 20, bytes).ok() ? bytes : QByteArray("<unreadable>");
    }

    // The answer to a question that must be answered.
    template <typename Answer>
    Answer ask(Status (FileSystem::*question)(const QString&, Answer&), const QString& path) const
    {
        Answer answer{};
        if (const Status status = (files.*question)(path, answer); status.failed())
            QTest::qFail(qPrintable("unanswered: " + status.text()), __FILE__, __LINE__);
        return answer;
    }
    EntryKind kind(const QString& path) const { return ask(&FileSystem::entryKind, path); }
    EntryKind followed(const QString& path) const { return ask(&FileSystem::followedKind, path); }
    QByteArray identity(const QString& path) const { return ask(&FileSystem::identity, path); }
    QString canonical(const QString& path) const { return ask(&FileSystem::canonicalPath, path); }
};

// Where the system has a special file at hand: a FIFO made in `folder`; on
// Windows the device NUL, which every folder reaches.
QString systemSpecial(const QString& folder)
{
#ifdef Q_OS_WIN
    Q_UNUSED(folder);
    return "NUL";
#else
    const QString fifo = folder + "/fifo";
    return ::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0 ? fifo : QString();
#endif
}

}  // namespace

class FileSystemTest : public QObject
{
    Q_OBJECT

private:
    void onEach(const std::function<void(const Place&)>& check)
    {
        MemoryFileSystem memory;
        memory.makeFolder("/t");
        memory.makeSpecial("/t/fifo");
        check({memory, "/t",
               [&](const QString& path, const QByteArray& bytes) { memory.writeFile(path, bytes); },
               [&](const QString& path, const QString& target) { memory.makeLink(path, target); },
               "/t/fifo"});
        if (QTest::currentTestFailed())
            return;
        Workspace ws;
        check({FileSystem::system(), ws.dir.path(),
               [](const QString& path, const QByteArray& bytes) { QVERIFY(testfiles::write(path, bytes)); },
               [](const QString& path, const QString& target) { QVERIFY(QFile::link(target, path)); },
               systemSpecial(ws.dir.path())});
    }

private slots:
    // A new file or folder is made only where nothing stands: what stands
    // there stays as it was. A canonical path has no "." or "..".
    void createNewOnlyWhereNothingStands()
    {
        onEach([](const Place& place) {
            const QString taken = place.at("taken");
            place.write(taken, "old");
            std::unique_ptr<WritableFile> file;
            QVERIFY(place.files.createNew(taken, file).failed() && !file);
            QVERIFY(place.files.createFolder(taken).failed());
            QCOMPARE(place.read(taken), QByteArray("old"));
            QVERIFY(place.files.createNew(place.at("new"), file).ok() && file->write("made", 4).ok()
                    && file->sync().ok() && file->close().ok());
            QCOMPARE(place.read(place.at("new")), QByteArray("made"));
            QVERIFY(place.files.createFolder(place.at("sub")).ok());
            QVERIFY(place.files.syncDirectory(place.folder).ok());
            QCOMPARE(place.kind(place.at("sub")), EntryKind::Directory);
            QVERIFY(makeFolders(place.files, place.at("sub/a/b")).ok());
            QCOMPARE(place.followed(place.at("sub/a/b")), EntryKind::Directory);
            QCOMPARE(place.canonical(place.folder + "/./sub/../new"), place.canonical(place.at("new")));
            QVERIFY(!place.canonical(place.at("new")).isEmpty());
            QCOMPARE(place.canonical(place.at("nowhere")), QString());
        });
    }

    // A replacement puts one file in another's place in one step; a second
    // name shares the file and keeps what it named.
    void replaceAndSecondNames()
    {
        onEach([](const Place& place) {
            const QString target = place.at("target"), staged = place.at("staged");
            place.write(target, "old");
            place.write(staged, "new");
            QVERIFY(place.files.hardLink(target, place.at("second")).ok());
            QCOMPARE(place.identity(place.at("second")), place.identity(target));
            QCOMPARE(place.identity(place.at("nowhere")), QByteArray());
            QVERIFY(place.files.replace(staged, target).ok());
            QCOMPARE(place.read(target), QByteArray("new"));
            QCOMPARE(place.read(place.at("second")), QByteArray("old"));
            QCOMPARE(place.kind(staged), EntryKind::Missing);
        });
    }

    // A link is an entry of its own: nothing is made where one stands, even
    // one that leads nowhere; it is removed or replaced as itself, not what
    // it leads to; each question and each opening follows it or not, as it
    // says; its target reads as an absolute path; a loop of links is no
    // answer at all; a small file, a lock or debris is never reached through
    // one.
    void linksAreThemselves()
    {
        onEach([](const Place& place) {
#ifdef Q_OS_WIN
            if (&place.files == &FileSystem::system())
                QSKIP("Wine 8 makes no symbolic links (CreateSymbolicLinkW makes nothing, a host's link "
                      "reads as its target): the system's links are held on Linux");
#endif
            const QString real = place.at("real"), link = place.at("link"), dangling = place.at("dangling");
            place.write(real, "abc");
            place.link(link, "real");
            place.link(dangling, place.at("nowhere"));
            place.link(place.at("loop"), place.at("loop"));
            std::unique_ptr<WritableFile> file;
            QVERIFY(place.files.createNew(dangling, file).failed() && !file);
            QVERIFY(place.files.createFolder(dangling).failed());
            QCOMPARE(place.kind(dangling), EntryKind::Link);
            QCOMPARE(place.followed(dangling), EntryKind::Missing);
            QCOMPARE(place.kind(place.at("nowhere")), EntryKind::Missing);
            QCOMPARE(place.followed(link), EntryKind::RegularFile);
            QVERIFY(place.identity(link) != place.identity(real));
            QCOMPARE(place.ask(&FileSystem::followedIdentity, link), place.identity(real));
            QCOMPARE(QDir::cleanPath(place.ask(&FileSystem::linkTarget, link)), QDir::cleanPath(real));
            QCOMPARE(place.ask(&FileSystem::linkTarget, real), QString());
            QCOMPARE(place.canonical(link), place.canonical(real));
            EntryKind kind = EntryKind::Missing;
            QVERIFY(place.files.followedKind(place.at("loop"), kind).failed());
            std::unique_ptr<ReadableFile> opened;
            QVERIFY(place.files.openForReading(link, FinalLink::Followed, opened).ok()
                    && opened->size() == 3);
            QVERIFY(place.files.openForReading(link, FinalLink::NotFollowed, opened)
                        .is(Status::Kind::NotRegularFile));
            QByteArray bytes;
            QVERIFY(readSmallFile(place.files, link, 5, bytes).is(Status::Kind::NotRegularFile));
            QVERIFY(removeIfAbandoned(place.files, link).ok());
            QCOMPARE(place.kind(link), EntryKind::Link);
            bool held = true;
            std::unique_ptr<HeldLock> lock;
            QVERIFY(place.files.tryLock(dangling, held, lock).ok() && lock && !held);
            QCOMPARE(place.kind(place.at("nowhere")), EntryKind::Missing);
            lock.reset();
            QVERIFY(place.files.remove(link).ok());
            QCOMPARE(place.kind(link), EntryKind::Missing);
            place.link(link, "real");
            place.write(place.at("staged"), "new");
            QVERIFY(place.files.replace(place.at("staged"), link).ok());
            QCOMPARE(place.kind(link), EntryKind::RegularFile);
            QCOMPARE(place.read(link), QByteArray("new"));
            QCOMPARE(place.read(real), QByteArray("abc"));
        });
    }

    // A FIFO or a device is known as special and never opened as data, nor
    // waited on.
    void specialFilesNeverWaitedOn()
    {
        onEach([](const Place& place) {
            QVERIFY(!place.special.isEmpty());
            QCOMPARE(place.followed(place.special), EntryKind::Special);
            std::unique_ptr<ReadableFile> file;
            for (const FinalLink link : {FinalLink::Followed, FinalLink::NotFollowed}) {
                const Status opened = place.files.openForReading(place.special, link, file);
                QCOMPARE(opened.kind(), Status::Kind::NotRegularFile);
                QCOMPARE(opened.reason(), QString("not a regular file"));
            }
        });
    }

    // A small file is read whole only when it is a regular file within the
    // bound: not larger, not special.
    void smallFilesWithinTheirBound()
    {
        onEach([](const Place& place) {
            place.write(place.at("small"), "12345");
            QByteArray bytes;
            QVERIFY(readSmallFile(place.files, place.at("small"), 5, bytes).ok() && bytes == "12345");
            QCOMPARE(readSmallFile(place.files, place.at("small"), 4, bytes).reason(),
                     QString("larger than 4 bytes"));
            QVERIFY(readSmallFile(place.files, place.special, 5, bytes).is(Status::Kind::NotRegularFile));
            QVERIFY(readSmallFile(place.files, place.at("missing"), 5, bytes).is(Status::Kind::NotFound));
        });
    }

    // A folder lists every entry, hidden ones too, sorted; a folder that is
    // not there is no empty one.
    void entriesOfAFolder()
    {
        onEach([](const Place& place) {
            QVERIFY(place.files.createFolder(place.at("listed")).ok());
            for (const char* name : {"listed/b", "listed/.hidden", "listed/a"})
                place.write(place.at(name), "x");
            QStringList names;
            QVERIFY(place.files.entries(place.at("listed"), names).ok());
            QCOMPARE(names, QStringList({".hidden", "a", "b"}));
            QVERIFY(place.files.entries(place.at("missing"), names).is(Status::Kind::NotFound));
        });
    }

    // A lock is taken once: a second taker finds it held, and may ask by
    // whom; let go, its file goes and it can be taken again.
    void locksAndTheirHolders()
    {
        onEach([](const Place& place) {
            const QString name = place.at("lock");
            bool held = true;
            std::unique_ptr<HeldLock> lock, second;
            QVERIFY(place.files.tryLock(name, held, lock).ok() && lock && !held);
            QVERIFY(place.files.tryLock(name, held, second).ok() && !second && held);
            LockHolder holder;
            QVERIFY(place.files.holderOf(name, holder).ok());
            QVERIFY(holder.pid == 0 || holder.pid == QCoreApplication::applicationPid());
            lock.reset();
            QCOMPARE(place.kind(name), EntryKind::Missing);
            QVERIFY(place.files.tryLock(name, held, lock).ok() && lock && !held);
        });
    }

    // A file being written is owned by its writer and stays; once let go,
    // it is debris that goes.
    void abandonedFilesGo()
    {
        onEach([](const Place& place) {
            const QString part = place.at("part");
            std::unique_ptr<WritableFile> file;
            QVERIFY(place.files.createNew(part, file).ok());
            QVERIFY(place.ask(&FileSystem::ownedByWriter, part));
            QVERIFY(removeIfAbandoned(place.files, part).ok());
            QCOMPARE(place.kind(part), EntryKind::RegularFile);
            QVERIFY(file->close().ok());
            file.reset();
            QVERIFY(!place.ask(&FileSystem::ownedByWriter, part));
            QVERIFY(removeIfAbandoned(place.files, part).ok());
            QCOMPARE(place.kind(part), EntryKind::Missing);
        });
    }

    // Permission bits, the set-user-id bit among them, go from one file to
    // another where the system keeps them.
    void permissionBitsKept()
    {
        onEach([](const Place& place) {
            place.write(place.at("from"), "x");
            place.write(place.at("to"), "y");
            const std::optional<quint32> before = place.ask(&FileSystem::permissions, place.at("from"));
            if (before)
                QVERIFY(place.files.setPermissions(place.at("from"), 04640).ok());
            QVERIFY(copyPermissions(place.files, place.at("from"), place.at("to")).ok());
            QCOMPARE(place.ask(&FileSystem::permissions, place.at("to")),
                     before ? std::optional<quint32>(04640) : std::nullopt);
        });
    }
};

QTEST_GUILESS_MAIN(FileSystemTest)
#include "tst_filesystem.moc"
