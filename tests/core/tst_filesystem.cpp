// The same promises of the file-system seam, held against the system's own
// and the one in memory that the other suites run jobs on: what one of them
// lets through, a job on it would meet.

#include "memoryfilesystem.h"
#include "workspace.h"

#include <QtTest>

#include <functional>
#include <memory>

using namespace quillmark;

namespace {

// A file system and a folder of it to work in.
struct Place
{
    FileSystem& files;
    QString folder;
    // Sets up a file of `bytes` there, as if long done.
    std::function<void(const QString& path, const QByteArray& bytes)> write;
    std::function<void(const QString& path, const QString& target)> link;

    QString at(const char* name) const { return folder + '/' + QLatin1String(name); }
    QByteArray read(const QString& path) const
    {
        QByteArray bytes;
        return files.readSmallFile(path, 1 << 20, bytes).ok() ? bytes : QByteArray("<unreadable>");
    }
};

}  // namespace

class FileSystemTest : public QObject
{
    Q_OBJECT

private:
    void onEach(const std::function<void(const Place&)>& check)
    {
        MemoryFileSystem memory;
        memory.makeFolder("/t");
        check({memory, "/t",
               [&](const QString& path, const QByteArray& bytes) { memory.writeFile(path, bytes); },
               [&](const QString& path, const QString& target) { memory.makeLink(path, target); }});
        if (QTest::currentTestFailed())
            return;
        Workspace ws;
        check({FileSystem::system(), ws.dir.path(),
               [](const QString& path, const QByteArray& bytes) { QVERIFY(testfiles::write(path, bytes)); },
               [](const QString& path, const QString& target) { QVERIFY(QFile::link(target, path)); }});
    }

private slots:
    // A new file is made only where nothing stands: what stands there stays
    // as it was.
    void createNewOnlyWhereNothingStands()
    {
        onEach([](const Place& place) {
            const QString taken = place.at("taken");
            place.write(taken, "old");
            std::unique_ptr<WritableFile> file;
            QVERIFY(place.files.createNew(taken, file).failed() && !file);
            QCOMPARE(place.read(taken), QByteArray("old"));
            QVERIFY(place.files.createNew(place.at("new"), file).ok() && file->write("made", 4).ok()
                    && file->close().ok());
            QCOMPARE(place.read(place.at("new")), QByteArray("made"));
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
            QCOMPARE(place.files.identity(place.at("second")), place.files.identity(target));
            QVERIFY(place.files.replace(staged, target).ok());
            QCOMPARE(place.read(target), QByteArray("new"));
            QCOMPARE(place.read(place.at("second")), QByteArray("old"));
            QCOMPARE(place.files.entryKind(staged), EntryKind::Missing);
        });
    }

    // A small file is read whole only when it is a regular file within the
    // bound.
    void smallFilesWithinTheirBound()
    {
        onEach([](const Place& place) {
            place.write(place.at("small"), "12345");
            QByteArray bytes;
            QVERIFY(place.files.readSmallFile(place.at("small"), 5, bytes).ok() && bytes == "12345");
            QVERIFY(place.files.readSmallFile(place.at("small"), 4, bytes).failed());
            QVERIFY(place.files.readSmallFile(place.at("missing"), 5, bytes).is(Status::Kind::NotFound));
        });
    }

    // A link is an entry of its own: nothing is made where one stands, even
    // one that leads nowhere; it is removed as itself, not what it leads to;
    // a small file is not read through it.
    void linksAreThemselves()
    {
        onEach([](const Place& place) {
#ifdef Q_OS_WIN
            if (&place.files == &FileSystem::system())
                QSKIP("Wine 8 makes no symbolic links (CreateSymbolicLinkW makes nothing, a host's link "
                      "reads as its target): the system's links are held on Linux");
#endif
            const QString target = place.at("target"), link = place.at("link"),
                          dangling = place.at("dangling");
            place.write(target, "12345");
            place.link(link, target);
            place.link(dangling, place.at("nowhere"));
            std::unique_ptr<WritableFile> file;
            QVERIFY(place.files.createNew(dangling, file).failed() && !file);
            QCOMPARE(place.files.entryKind(dangling), EntryKind::Link);
            QCOMPARE(place.files.entryKind(place.at("nowhere")), EntryKind::Missing);
            QCOMPARE(place.files.followedIdentity(link), place.files.identity(target));
            QByteArray bytes;
            QVERIFY(place.files.readSmallFile(link, 5, bytes).failed());
            QVERIFY(place.files.remove(link).ok());
            QCOMPARE(place.files.entryKind(link), EntryKind::Missing);
            QCOMPARE(place.read(target), QByteArray("12345"));
        });
    }
};

QTEST_GUILESS_MAIN(FileSystemTest)
#include "tst_filesystem.moc"
