#pragma once

// Every call that the engine makes on the file system, behind one interface,
// as a database is handed its environment: the programs run on the system's
// own (FileSystem::system(), one POSIX and one Windows implementation); a
// test hands a job one that keeps its files in memory, records every call,
// fails the call it chooses with the error it chooses, or stops the world at
// any call, as a crash or a power cut would. Paths are the engine's own:
// absolute or relative, with '/' as separator; failures name the file and
// give the system's reason.

#include "status.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

namespace quillmark {

// What stands at a path: the entry itself, not what a link leads to.
enum class EntryKind { Missing, RegularFile, Directory, Link, Special };

// A file opened for reading.
class ReadableFile
{
public:
    virtual ~ReadableFile() = default;

    // The size when it was opened.
    virtual qint64 size() const = 0;
    // What tells this file from every other while it exists (device and
    // inode; volume and file index on Windows), from the open file itself.
    virtual QByteArray identity() const = 0;
    // Up to `length` bytes at `offset` into `bytes`; `got` says how many
    // came (fewer only at the end of the file).
    virtual Status readAt(qint64 offset, char* bytes, qint64 length, qint64& got) = 0;
};

// A file created anew for writing. While it stays open, the process that
// created it owns it: FileSystem::removeIfAbandoned() leaves it alone.
class WritableFile
{
public:
    // Closes it, if close() did not, without a word.
    virtual ~WritableFile() = default;

    virtual Status write(const char* bytes, qint64 length) = 0;
    // Writes at `offset` without moving the position of write().
    virtual Status writeAt(qint64 offset, const char* bytes, qint64 length) = 0;
    // Hands everything written so far to the disk without waiting for it, so
    // that the flushes of several files overlap instead of following one
    // another.
    virtual void startWritingBack() = 0;
    // Returns once everything written has reached stable storage.
    virtual Status sync() = 0;
    // Reports the write errors some file systems hold back until then.
    virtual Status close() = 0;
};

// A folder's lock, held until it is destroyed.
class HeldLock
{
public:
    virtual ~HeldLock() = default;
};

// Who holds a lock, as its holder wrote it; empty and 0 when unknown.
struct LockHolder
{
    QString application;
    qint64 pid = 0;
};

class FileSystem
{
public:
    virtual ~FileSystem() = default;

    // The system's own.
    static FileSystem& system();

    // Opens a regular file (or a link to one) for reading. A FIFO, a device
    // or a directory is refused ("not a regular file", "Is a directory")
    // without being waited on, whatever it is.
    virtual Status openForReading(const QString& path, std::unique_ptr<ReadableFile>& file) = 0;
    // Reads a small regular file whole. A final link is not followed and a
    // special file never waited on: anything but a regular file of at most
    // `maxBytes` bytes is refused with the reason.
    virtual Status readSmallFile(const QString& path, qint64 maxBytes, QByteArray& bytes) = 0;
    // Creates `path`, which must not exist (not even as a dangling link).
    virtual Status createNew(const QString& path, std::unique_ptr<WritableFile>& file) = 0;

    // Puts `from` in the place of `to` in one step: `to` holds its earlier
    // content or the new one, never nothing, whatever happens. Both lie in
    // one file system. A link at `to` is replaced, not followed.
    virtual Status replace(const QString& from, const QString& to) = 0;
    // Whether `path`, an existing file, can be replaced now: on Windows a
    // program that holds it open without sharing its deletion keeps it.
    virtual Status canReplace(const QString& path) = 0;
    // A second name for an existing file, sharing its content.
    virtual Status hardLink(const QString& existing, const QString& newName) = 0;
    // A copy of a regular file under a new name, for a file system without
    // hard links.
    virtual Status copy(const QString& from, const QString& to) = 0;
    // Removes the entry at `path` itself (a link, not what it leads to).
    virtual Status remove(const QString& path) = 0;
    // Removes a regular file that no living process owns (see WritableFile);
    // leaves anything else as it is.
    virtual void removeIfAbandoned(const QString& path) = 0;
    // Flushes the entries of a directory (names created, renamed or removed)
    // to stable storage.
    virtual Status syncDirectory(const QString& path) = 0;
    // Gives `to` the permission bits of `from`, where the system has them.
    virtual void copyPermissions(const QString& from, const QString& to) = 0;

    virtual EntryKind entryKind(const QString& path) = 0;
    // Whether `path`, through any links, is neither a regular file nor a
    // directory: a FIFO, a socket, a device (on Windows also a device name
    // such as NUL, which reaches a device from any folder).
    virtual bool isSpecialFile(const QString& path) = 0;
    // Whether an existing file may be written, by its permissions.
    virtual bool isWritable(const QString& path) = 0;
    // The identity of the entry at `path` (see ReadableFile::identity()), a
    // final link not followed; empty when there is none.
    virtual QByteArray identity(const QString& path) = 0;
    // The same for the file or folder that `path` leads to through any links.
    virtual QByteArray followedIdentity(const QString& path) = 0;
    // `path` made absolute, without links, "." or ".."; empty when it does
    // not exist.
    virtual QString canonicalPath(const QString& path) = 0;
    // Where the link at `path` leads, as an absolute path; empty when `path`
    // is no link.
    virtual QString linkTarget(const QString& path) = 0;
    // The names of every entry of a folder, hidden ones and special files
    // included, sorted; empty when it cannot be read.
    virtual QStringList entries(const QString& folder) = 0;

    // Takes the lock at `path` without waiting (see OutputFolder): `lock`
    // holds it, or, when another holder has it, `held` says so.
    virtual Status tryLock(const QString& path, bool& held, std::unique_ptr<HeldLock>& lock) = 0;
    virtual LockHolder holderOf(const QString& path) = 0;
};

}  // namespace quillmark
