#pragma once

// Every call that the engine makes on the file system, behind one interface,
// as a database is handed its environment: the programs run on the system's
// own (FileSystem::system(), one POSIX and one Windows implementation); a
// test hands a job one that keeps its files in memory, or wraps either in one
// that records every call, fails the call it chooses or stops the world at
// any call (FileSystemWrapper forwards each call, for such wrappers). Paths
// are the engine's own: absolute or relative, with '/' as separator; failures
// name the file and give the system's reason.
//
// The interface holds what the system does, no more: what the engine makes of
// it (reading a small file whole, waiting for a replaceable target, removing
// debris) is written once, over these calls, in fileoperations.h. Every
// question returns a Status, its answer through an out-parameter: a question
// that cannot be answered (no right to look, a loop of links) fails and is
// never mistaken for an answer such as "missing".

#include "status.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace quillmark {

// What stands at a path: the entry itself, not what a link leads to (but see
// FileSystem::followedKind()).
enum class EntryKind { Missing, RegularFile, Directory, Link, Special };

// Whether a call that opens a path follows a link at its end. Links on the
// way to it are always followed.
enum class FinalLink { Followed, NotFollowed };

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
// created it owns it (FileSystem::ownedByWriter()).
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

    // Changing files and folders.

    // Opens a regular file for reading, through a final link or not as
    // `link` says (a link not followed is refused: "not a regular file"). A
    // FIFO, a device or a directory is refused ("not a regular file", "Is a
    // directory") without being waited on, whatever it is.
    virtual Status openForReading(const QString& path, FinalLink link,
                                  std::unique_ptr<ReadableFile>& file) = 0;
    // Creates `path`, which must not exist (not even as a dangling link).
    virtual Status createNew(const QString& path, std::unique_ptr<WritableFile>& file) = 0;
    // Creates the folder `path`, which must not exist; its parent must.
    virtual Status createFolder(const QString& path) = 0;
    // Puts `from` in the place of `to` in one step: `to` holds its earlier
    // content or the new one, never nothing, whatever happens. Both lie in
    // one file system. A link at `to` is replaced, not followed.
    virtual Status replace(const QString& from, const QString& to) = 0;
    // A second name for an existing file, sharing its content.
    virtual Status hardLink(const QString& existing, const QString& newName) = 0;
    // A copy of a regular file under a new name, for a file system without
    // hard links.
    virtual Status copy(const QString& from, const QString& to) = 0;
    // Removes the entry at `path` itself (a link, not what it leads to);
    // nothing there is no failure.
    virtual Status remove(const QString& path) = 0;
    // Flushes the entries of a directory (names created, renamed or removed)
    // to stable storage.
    virtual Status syncDirectory(const QString& path) = 0;
    // Sets the permission bits (see permissions()) of an existing file.
    virtual Status setPermissions(const QString& path, quint32 bits) = 0;
    // Takes the lock at `path` without waiting (see OutputFolder): `lock`
    // holds it, or, when another holder has it, `held` says so.
    virtual Status tryLock(const QString& path, bool& held, std::unique_ptr<HeldLock>& lock) = 0;

    // Questions. Nothing at the path is an answer (Missing, empty), not a
    // failure, unless said otherwise.

    // What stands at `path` itself, a final link not followed.
    virtual Status entryKind(const QString& path, EntryKind& kind) = 0;
    // What `path` leads to through any links (never Link; Missing for a
    // dangling one). On Windows a device name such as NUL reaches a device
    // from any folder: Special.
    virtual Status followedKind(const QString& path, EntryKind& kind) = 0;
    // Whether an existing file may be written, by its permissions.
    virtual Status isWritable(const QString& path, bool& writable) = 0;
    // The permission bits of the file `path` leads to (POSIX mode bits, the
    // set-user-id, set-group-id and sticky bits among them); none where the
    // system keeps none (Windows).
    virtual Status permissions(const QString& path, std::optional<quint32>& bits) = 0;
    // The identity of the entry at `path` (see ReadableFile::identity()), a
    // final link not followed; empty when nothing is there.
    virtual Status identity(const QString& path, QByteArray& identity) = 0;
    // The same for the file or folder that `path` leads to through any links.
    virtual Status followedIdentity(const QString& path, QByteArray& identity) = 0;
    // `path` made absolute, without links, "." or ".."; empty when it does
    // not lead to anything.
    virtual Status canonicalPath(const QString& path, QString& canonical) = 0;
    // Where the link at `path` leads, as an absolute path; empty when `path`
    // is no link.
    virtual Status linkTarget(const QString& path, QString& target) = 0;
    // The names of every entry of a folder, hidden ones and special files
    // included, sorted. A folder that is not there fails.
    virtual Status entries(const QString& folder, QStringList& names) = 0;
    // Who holds the lock at `path`, as far as its file says; nothing known
    // when the lock is not there.
    virtual Status holderOf(const QString& path, LockHolder& holder) = 0;
    // Whether a living process still writes the regular file `path`, created
    // by createNew() and still open there.
    virtual Status ownedByWriter(const QString& path, bool& owned) = 0;
    // One look at whether `path`, an existing file, can be replaced now:
    // fails, with the system's reason, while another program holds it so
    // that it cannot be (on Windows, open without sharing its deletion).
    virtual Status checkReplaceable(const QString& path) = 0;
};

}  // namespace quillmark
