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
    // A new file is made only where nothing stands, not even a link that
    // leads nowhere: what stands there stays as it was.
    void createNewOnlyWhereNothingStands()
    {
        onEach([](const Place& place) {
            const QString taken = place.at("taken"), dangling = place.at("dangling");
            place.write(taken, "old");
            place.link(dangling, place.at("nowhere"));
            std::unique_ptr<WritableFile> file;
            QVERIFY(place.files.createNew(taken, file).failed() && !file);
            QVERIFY(place.files.createNew(dangling, file).failed() && !file);
            QCOMPARE(place.read(taken), QByteArray("old"));
            QCOMPARE(place.files.entryKind(dangling), EntryKind::Link);
            QCOMPARE(place.files.entryKind(place.at("nowhere")), EntryKind::Missing);
            QVERIFY(place.files.createNew(place.at("new"), file).ok() && file->write("made", 4).ok()
                    && file->close().ok());
            QCOMPARE(place.read(place.at("new")), QByteArray("made"));
        });
    }

    // A replacement puts one file in another's place in one step; a second
    // name shares the file; a link is removed as itself, not what it leads to.
    void replaceLinkRemove()
    {
        onEach([](const Place& place) {
            const QString target = place.at("target"), staged = place.at("staged"), link = place.at("link");
            place.write(target, "old");
            place.write(staged, "new");
            QVERIFY(place.files.hardLink(target, place.at("second")).ok());
            QCOMPARE(place.files.identity(place.at("second")), place.files.identity(target));
            QVERIFY(place.files.replace(staged, target).ok());
            QCOMPARE(place.read(target), QByteArray("new"));
            QCOMPARE(place.read(place.at("second")), QByteArray("old"));
            QCOMPARE(place.files.entryKind(staged), EntryKind::Missing);
            place.link(link, target);
            QCOMPARE(place.files.followedIdentity(link), place.files.identity(target));
            QVERIFY(place.files.remove(link).ok());
            QCOMPARE(place.files.entryKind(link), EntryKind::Missing);
            QCOMPARE(place.read(target), QByteArray("new"));
        });
    }

    // A small file is read whole only when it is a regular file within the
    // bound: not larger, not through a link.
    void smallFilesWithinTheirBound()
    {
        onEach([](const Place& place) {
            place.write(place.at("small"), "12345");
            place.link(place.at("link"), place.at("small"));
            QByteArray bytes;
            QVERIFY(place.files.readSmallFile(place.at("small"), 5, bytes).ok() && bytes == "12345");
            QVERIFY(place.files.readSmallFile(place.at("small"), 4, bytes).failed());
            QVERIFY(place.files.readSmallFile(place.at("link"), 5, bytes).failed());
            QVERIFY(place.files.readSmallFile(place.at("missing"), 5, bytes).is(Status::Kind::NotFound));
        });
    }
};

QTEST_GUILESS_MAIN(FileSystemTest)
#include "tst_filesystem.moc"
