#pragma once

// A file system in memory, for the engine's tests, in the spirit of a
// database's fault-injection environment: it records every call a job makes,
// fails the call of a kind that a test chooses with the error it chooses,
// hands out short reads, and stops the world at any call, as a crash would.
// It knows what a power cut keeps: a file's bytes as its last sync left them,
// a folder's names as its last sync left them, and of the changes of names
// made since (creations, renames, links, removals), all, none or all but one,
// as the disk happened to write them.
//
// Paths are absolute, '/'-separated ("/in/map0.mul"); a drive letter in front
// is ignored, so that the engine's absolute paths read the same on Windows.

#include "filesystem.h"

#include <QMap>
#include <QStringList>

#include <map>
#include <memory>
#include <utility>
#include <vector>

class MemoryFileSystem final : public quillmark::FileSystem
{
public:
    // The kinds of calls that touch a file or a folder (looking at one is
    // not among them), each a point a crash can follow.
    enum class Call {
        Open,
        Read,
        Create,
        Write,
        Sync,
        Close,
        Replace,
        Link,
        Copy,
        Remove,
        SyncDirectory,
        Lock
    };

    struct Record
    {
        Call call;
        QString path;
    };

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
    // Every file and folder under a folder of the real system, at the same paths.
    void copyFrom(const QString& realFolder);
    void makeLink(const QString& path, const QString& target);
    void makeSpecial(const QString& path);
    // A file cut to `size` bytes, or grown to it as a sparse file grows: what
    // it claims past its bytes reads as zeros and takes no memory.
    void resize(const QString& path, qint64 size);
    // Writes that would take any file past `bytes` fail as they do past a
    // process's file size limit: "File too large".
    void limitFileSize(qint64 bytes) { m_fileSizeLimit = bytes; }

    // Looking, without counting as calls.
    QByteArray contents(const QString& path) const;
    // Every entry of a folder and, for files, its bytes; links as "-> target",
    // folders as "<folder>", special files as "<special>".
    QMap<QString, QByteArray> folder(const QString& path) const;

    // The calls made so far, in order.
    const std::vector<Record>& calls() const { return m_calls; }
    // The `nth` (from 1) call of kind `call` from now on fails as the system
    // would: a failure of `kind` with `reason`.
    void failCall(Call call, int nth, quillmark::Status::Kind kind, const QString& reason);
    // Reads from now on bring at most `bytes` bytes each.
    void shortReads(qint64 bytes) { m_readLimit = bytes; }
    // After `calls` more calls, the world stops: every call fails and changes
    // nothing, as for a process that died.
    void crashAfter(int calls) { m_crashAt = int(m_calls.size()) + calls; }
    // The changes of names that no sync has made durable yet.
    int unsyncedChanges() const { return int(m_journal.size()); }
    // What a power cut leaves: every file as it was last synced, every folder
    // with the names of its last sync and, of the changes made since, all
    // (AllKept), none (NoneKept) or all but change `lost` (from 0); locks
    // gone, the world going again without the faults set before.
    enum : int { AllKept = -2, NoneKept = -1 };
    void powerCut(int lost = NoneKept);

    quillmark::Status openForReading(const QString& path,
                                     std::unique_ptr<quillmark::ReadableFile>& file) override;
    quillmark::Status readSmallFile(const QString& path, qint64 maxBytes, QByteArray& bytes) override;
    quillmark::Status createNew(const QString& path, std::unique_ptr<quillmark::WritableFile>& file) override;
    quillmark::Status replace(const QString& from, const QString& to) override;
    quillmark::Status canReplace(const QString&) override { return {}; }
    quillmark::Status hardLink(const QString& existing, const QString& newName) override;
    quillmark::Status copy(const QString& from, const QString& to) override;
    quillmark::Status remove(const QString& path) override;
    void removeIfAbandoned(const QString& path) override;
    quillmark::Status syncDirectory(const QString& path) override;
    void copyPermissions(const QString&, const QString&) override {}
    quillmark::EntryKind entryKind(const QString& path) override;
    bool isSpecialFile(const QString& path) override;
    bool isWritable(const QString& path) override;
    QByteArray identity(const QString& path) override;
    QByteArray followedIdentity(const QString& path) override;
    QString canonicalPath(const QString& path) override;
    QString linkTarget(const QString& path) override;
    QStringList entries(const QString& folder) override;
    quillmark::Status tryLock(const QString& path, bool& held,
                              std::unique_ptr<quillmark::HeldLock>& lock) override;
    quillmark::LockHolder holderOf(const QString&) override { return {}; }

    struct Node;

    // What the files of this file system share with it.
    quillmark::Status count(Call call, const QString& path);
    qint64 readLimit() const { return m_readLimit; }
    qint64 fileSizeLimit() const { return m_fileSizeLimit; }

    // Names `name` in `folder` `node` (null: removes it), to be kept by a
    // power cut only once the folder is synced.
    void change(const std::shared_ptr<Node>& folder, const QString& name, const std::shared_ptr<Node>& node);

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
    Place find(const QString& path, bool followLast) const;
    std::shared_ptr<Node> newNode(quillmark::EntryKind kind);
    void makeEntry(const QString& path, const std::shared_ptr<Node>& node);

    std::shared_ptr<Node> m_root;
    std::vector<NameChange> m_journal;  // in the order made
    std::vector<Record> m_calls;
    struct Fault
    {
        Call call;
        int countdown;
        quillmark::Status::Kind kind;
        QString reason;
    };
    std::vector<Fault> m_faults;
    qint64 m_readLimit = -1;
    qint64 m_fileSizeLimit = -1;
    int m_crashAt = -1;
    quint64 m_nextIdentity = 1;
};
