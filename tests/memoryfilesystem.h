#pragma once

// A file system in memory, for the engine's tests: storage only, as a disk
// would keep it (FaultInjectingFileSystem wraps it, or the system's own, to
// record calls, fail them or stop the world). It knows what a power cut
// keeps: a file's bytes as its last sync left them, a folder's names as its
// last sync left them, and of the changes of names made since (creations,
// renames, links, removals), all, none or all but one, as the disk happened
// to write them.
//
// Paths are absolute, '/'-separated ("/in/map0.mul"); a drive letter in front
// is ignored, so that the engine's absolute paths read the same on Windows.

#include "filesystem.h"

#include <QMap>
#include <QStringList>

#include <memory>
#include <utility>
#include <vector>

class MemoryFileSystem final : public quillmark::FileSystem
{
public:
    MemoryFileSystem();
    ~MemoryFileSystem() override;

    // Setting up, as if long done and flushed: folders, files, links (the
    // target absolute or relative to the link's folder) and special files (a
    // FIFO or a device: the system's own refuses to read or write one, and so
    // does this).
    void makeFolder(const QString& path);
    void writeFile(const QString& path, const QByteArray& bytes);
    // Files written into `folder`, made when missing; their paths in the order given.
    QStringList writeFiles(const QString& folder, const QList<std::pair<QString, QByteArray>>& files);
    void makeLink(const QString& path, const QString& target);
    void makeSpecial(const QString& path);
    // A file cut to `size` bytes, or grown to it as a sparse file grows: what
    // it claims past its bytes reads as zeros and takes no memory.
    void resize(const QString& path, qint64 size);

    // Looking, as a test does, with nothing to fail.
    quillmark::EntryKind kindAt(const QString& path) const;
    QByteArray identityAt(const QString& path) const;
    QByteArray contents(const QString& path) const;
    // Every entry of a folder and, for files, its bytes; links as "-> target",
    // folders as "<folder>", special files as "<special>".
    QMap<QString, QByteArray> folder(const QString& path) const;

    // The changes of names that no sync has made durable yet.
    int unsyncedChanges() const { return int(m_journal.size()); }
    // What a power cut leaves: every file as it was last synced, every folder
    // with the names of its last sync and, of the changes made since, all
    // (AllKept), none (NoneKept) or all but change `lost` (from 0); locks
    // and writers gone.
    enum : int { AllKept = -2, NoneKept = -1 };
    void powerCut(int lost = NoneKept);

    quillmark::Status openForReading(const QString& path, quillmark::FinalLink link,
                                     std::unique_ptr<quillmark::ReadableFile>& file) override;
    quillmark::Status createNew(const QString& path, std::unique_ptr<quillmark::WritableFile>& file) override;
    quillmark::Status createFolder(const QString& path) override;
    quillmark::Status replace(const QString& from, const QString& to) override;
    quillmark::Status hardLink(const QString& existing, const QString& newName) override;
    quillmark::Status copy(const QString& from, const QString& to) override;
    quillmark::Status remove(const QString& path) override;
    quillmark::Status syncDirectory(const QString& path) override;
    quillmark::Status setPermissions(const QString& path, quint32 bits) override;
    quillmark::Status tryLock(const QString& path, bool& held,
                              std::unique_ptr<quillmark::HeldLock>& lock) override;

    quillmark::Status entryKind(const QString& path, quillmark::EntryKind& kind) override;
    quillmark::Status followedKind(const QString& path, quillmark::EntryKind& kind) override;
    quillmark::Status isWritable(const QString& path, bool& writable) override;
    quillmark::Status permissions(const QString& path, std::optional<quint32>& bits) override;
    quillmark::Status identity(const QString& path, QByteArray& identity) override;
    quillmark::Status followedIdentity(const QString& path, QByteArray& identity) override;
    quillmark::Status canonicalPath(const QString& path, QString& canonical) override;
    quillmark::Status linkTarget(const QString& path, QString& target) override;
    quillmark::Status entries(const QString& folder, QStringList& names) override;
    // A holder's name is not kept: only that the lock is held.
    quillmark::Status holderOf(const QString&, quillmark::LockHolder& holder) override
    {
        holder = quillmark::LockHolder();
        return {};
    }
    quillmark::Status ownedByWriter(const QString& path, bool& owned) override;
    // Nothing holds a file against its replacement here; replace() itself
    // refuses a target open for reading, as Windows does.
    quillmark::Status checkReplaceable(const QString&) override { return {}; }

    struct Node;

private:
    struct Place;
    // One name of one folder made to stand for a node, or none.
    struct Naming
    {
        std::shared_ptr<Node> folder;
        QString name;
        std::shared_ptr<Node> node;
    };
    // What one call changed of names: one naming, or two for a rename, which
    // the disk keeps whole or not at all.
    using NameChange = std::vector<Naming>;
    void apply(const NameChange& changed);
    // Names `name` in `folder` (null `node`: removes it), to be kept by a
    // power cut only once the folder is synced.
    void change(const std::shared_ptr<Node>& folder, const QString& name, const std::shared_ptr<Node>& node);
    Place find(const QString& path, bool followLast) const;
    // find(), failing on a loop of links as the system does.
    quillmark::Status look(const QString& path, bool followLast, Place& place) const;
    template <typename Answer, typename From>
    quillmark::Status answer(const QString& path, bool followLast, Answer& answer, From from) const;
    std::shared_ptr<Node> newNode(quillmark::EntryKind kind);
    void makeEntry(const QString& path, const std::shared_ptr<Node>& node);

    std::shared_ptr<Node> m_root;
    std::vector<NameChange> m_journal;  // in the order made
    quint64 m_nextIdentity = 1;
};
