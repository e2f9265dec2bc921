#pragma once

// Any file system (the one in memory or the system's own) with the faults a
// test chooses, in the spirit of a database's fault-injection environment:
// it records every call that touches a file or a folder, fails the nth call
// of a kind with the error chosen, hands out short reads, fails writes past a
// file size limit, and stops the world after any call, as a crash would.
// Questions (what stands at a path, its identity, ...) pass through
// uncounted; so do the files' sizes and identities.

#include "filesystemwrapper.h"

#include <vector>

class FaultInjectingFileSystem final : public quillmark::FileSystemWrapper
{
public:
    // The kinds of calls that touch a file or a folder, each a point a crash
    // can follow.
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

    explicit FaultInjectingFileSystem(quillmark::FileSystem& wrapped);
    ~FaultInjectingFileSystem() override;

    // The calls made so far, in order.
    const std::vector<Record>& calls() const { return m_calls; }
    // The `nth` (from 1) call of kind `call` from now on fails as the system
    // would: a failure of `kind` with `reason`, the call not made.
    void failCall(Call call, int nth, quillmark::Status::Kind kind, const QString& reason);
    // Reads from now on bring at most `bytes` bytes each.
    void shortReads(qint64 bytes) { m_readLimit = bytes; }
    // Writes that would take any file past `bytes` fail as they do past a
    // process's file size limit: "File too large".
    void limitFileSize(qint64 bytes) { m_fileSizeLimit = bytes; }
    // After `calls` more calls, the world stops: every call fails and changes
    // nothing, as for a process that died, whose locks stay taken until the
    // file system below lets them go (MemoryFileSystem::powerCut()).
    void crashAfter(int calls) { m_crashAt = int(m_calls.size()) + calls; }

    // Counts the call, and says whether it fails; for the files handed out.
    quillmark::Status count(Call call, const QString& path);
    qint64 readLimit() const { return m_readLimit; }
    qint64 fileSizeLimit() const { return m_fileSizeLimit; }
    bool crashed() const { return m_crashAt >= 0 && int(m_calls.size()) > m_crashAt; }
    // Keeps the lock of a process that died, as the system would not let it
    // go by itself.
    void keepAbandoned(std::unique_ptr<quillmark::HeldLock> lock) { m_abandoned.push_back(std::move(lock)); }

    quillmark::Status openForReading(const QString& path, quillmark::FinalLink link,
                                     std::unique_ptr<quillmark::ReadableFile>& file) override;
    quillmark::Status createNew(const QString& path, std::unique_ptr<quillmark::WritableFile>& file) override;
    quillmark::Status createFolder(const QString& path) override;
    quillmark::Status replace(const QString& from, const QString& to) override;
    quillmark::Status hardLink(const QString& existing, const QString& newName) override;
    quillmark::Status copy(const QString& from, const QString& to) override;
    quillmark::Status remove(const QString& path) override;
    quillmark::Status syncDirectory(const QString& path) override;
    quillmark::Status tryLock(const QString& path, bool& held,
                              std::unique_ptr<quillmark::HeldLock>& lock) override;

private:
    struct Fault
    {
        Call call;
        int countdown;
        quillmark::Status::Kind kind;
        QString reason;
    };

    std::vector<Record> m_calls;
    std::vector<Fault> m_faults;
    std::vector<std::unique_ptr<quillmark::HeldLock>> m_abandoned;
    qint64 m_readLimit = -1;
    qint64 m_fileSizeLimit = -1;
    int m_crashAt = -1;
};
