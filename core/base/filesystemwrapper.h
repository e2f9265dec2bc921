#pragma once

// A file system that hands every call to another one: the base of those
// that watch or change a few calls of any file system (the system's own or
// one in memory) and let the rest through, each overriding only its own.

#include "filesystem.h"

namespace quillmark {

class FileSystemWrapper : public FileSystem
{
public:
    explicit FileSystemWrapper(FileSystem& wrapped) : m_wrapped(wrapped) {}

    FileSystem& wrapped() const { return m_wrapped; }

    Status openForReading(const QString& path, FinalLink link, std::unique_ptr<ReadableFile>& file) override
    {
        return m_wrapped.openForReading(path, link, file);
    }
    Status createNew(const QString& path, std::unique_ptr<WritableFile>& file) override
    {
        return m_wrapped.createNew(path, file);
    }
    Status createFolder(const QString& path) override { return m_wrapped.createFolder(path); }
    Status replace(const QString& from, const QString& to) override { return m_wrapped.replace(from, to); }
    Status hardLink(const QString& existing, const QString& newName) override
    {
        return m_wrapped.hardLink(existing, newName);
    }
    Status copy(const QString& from, const QString& to) override { return m_wrapped.copy(from, to); }
    Status remove(const QString& path) override { return m_wrapped.remove(path); }
    Status syncDirectory(const QString& path) override { return m_wrapped.syncDirectory(path); }
    Status setPermissions(const QString& path, quint32 bits) override
    {
        return m_wrapped.setPermissions(path, bits);
    }
    Status tryLock(const QString& path, bool& held, std::unique_ptr<HeldLock>& lock) override
    {
        return m_wrapped.tryLock(path, held, lock);
    }

    Status entryKind(const QString& path, EntryKind& kind) override
    {
        return m_wrapped.entryKind(path, kind);
    }
    Status followedKind(const QString& path, EntryKind& kind) override
    {
        return m_wrapped.followedKind(path, kind);
    }
    Status isWritable(const QString& path, bool& writable) override
    {
        return m_wrapped.isWritable(path, writable);
    }
    Status permissions(const QString& path, std::optional<quint32>& bits) override
    {
        return m_wrapped.permissions(path, bits);
    }
    Status identity(const QString& path, QByteArray& identity) override
    {
        return m_wrapped.identity(path, identity);
    }
    Status followedIdentity(const QString& path, QByteArray& identity) override
    {
        return m_wrapped.followedIdentity(path, identity);
    }
    Status canonicalPath(const QString& path, QString& canonical) override
    {
        return m_wrapped.canonicalPath(path, canonical);
    }
    Status linkTarget(const QString& path, QString& target) override
    {
        return m_wrapped.linkTarget(path, target);
    }
    Status entries(const QString& folder, QStringList& names) override
    {
        return m_wrapped.entries(folder, names);
    }
    Status holderOf(const QString& path, LockHolder& holder) override
    {
        return m_wrapped.holderOf(path, holder);
    }
    Status ownedByWriter(const QString& path, bool& owned) override
    {
        return m_wrapped.ownedByWriter(path, owned);
    }
    Status checkReplaceable(const QString& path) override { return m_wrapped.checkReplaceable(path); }

private:
    FileSystem& m_wrapped;
};

}  // namespace quillmark
