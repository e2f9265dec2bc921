#pragma once

// The few file operations that Qt does not offer as the engine needs them:
// a file read without ever waiting on a special file; a file written and
// flushed to stable storage, marked as owned by the process that writes it;
// an atomic replacement of one file by another; the flush of a directory; a
// hard link; a file's identity. POSIX and Windows each have their own
// implementation file. Failures name the file and give the system's reason.

#include "status.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace quillmark::platformfile {

// A file opened for reading. Only a regular file (or a link to one) opens:
// a FIFO, a device or a directory is refused as "Not a regular file" without
// being waited on, whatever it is.
class ReadHandle
{
public:
    ReadHandle() = default;
    ~ReadHandle();
    ReadHandle(const ReadHandle&) = delete;
    ReadHandle& operator=(const ReadHandle&) = delete;

    Status open(const QString& path);
    void close();
    bool isOpen() const { return m_handle != Closed; }

    // The size when it was opened.
    qint64 size() const { return m_size; }
    // The identity of the file that was opened (see fileIdentity()), taken
    // from the open file itself, so that it is the file being read whatever
    // its name has led to since.
    const QByteArray& identity() const { return m_identity; }
    // Up to `length` bytes at `offset` into `bytes`; `got` says how many
    // came (fewer only at the end of the file).
    Status readAt(qint64 offset, char* bytes, qint64 length, qint64& got);

private:
    static constexpr std::intptr_t Closed = -1;
    std::intptr_t m_handle = Closed;  // a descriptor, or a HANDLE on Windows
    qint64 m_size = 0;
    QByteArray m_identity;
    QString m_path;
};

// A file created anew for writing. While it stays open, the process that
// created it owns it: removeIfAbandoned() leaves it alone.
class NativeFile
{
public:
    NativeFile() = default;
    ~NativeFile();
    NativeFile(const NativeFile&) = delete;
    NativeFile& operator=(const NativeFile&) = delete;

    // Fails when `path` exists already.
    Status createNew(const QString& path);
    Status write(const char* bytes, qint64 length);
    // Writes at `offset` without moving the position of write().
    Status writeAt(qint64 offset, const char* bytes, qint64 length);
    // Hands everything written so far to the disk without waiting for it, so
    // that the flushes of several files overlap instead of following one
    // another.
    void startWritingBack();
    // Returns once everything written has reached stable storage.
    Status sync();
    Status close();
    bool isOpen() const { return m_handle != Closed; }

private:
    void countWritten(qint64 length);
    Status failure() const;

    static constexpr std::intptr_t Closed = -1;
    std::intptr_t m_handle = Closed;  // a descriptor, or a HANDLE on Windows
    QString m_path;
    qint64 m_written = 0;      // through write()
    qint64 m_writtenBack = 0;  // handed to the disk ahead of sync()
};

// Puts `from` in the place of `to` in one step: `to` holds its earlier
// content or the new one, never nothing, whenever the process dies. Both lie
// on the same file system. A link at `to` is replaced, not followed.
Status replaceFile(const QString& from, const QString& to);

// Whether `path`, an existing file, can be replaced now. On Windows another
// program that holds it open without sharing its deletion (a game client
// reading its map, an editor) keeps it from being renamed over or removed;
// the failure gives the system's reason. Always so on POSIX, where a rename
// does not care who has the file open.
Status canReplace(const QString& path);

// Flushes the entries of a directory (names created, renamed or removed) to
// stable storage. Nothing to do on Windows, whose replaceFile() writes through.
Status syncDirectory(const QString& path);

// A second name for an existing file, sharing its content.
Status hardLink(const QString& existing, const QString& newName);

// Reads a small regular file whole. A final symbolic link is not followed and
// a special file is never waited on: anything but a regular file of at most
// `maxBytes` bytes is refused with the reason.
Status readSmallFile(const QString& path, qint64 maxBytes, QByteArray& bytes);

// What stands at a path: the entry itself, not what a link leads to.
enum class EntryKind { Missing, RegularFile, Directory, Link, Special };
EntryKind entryKind(const QString& path);

// Whether `path` names something there that is neither a regular file nor a
// directory: a FIFO, a socket, a device. On Windows that includes the device
// names (NUL, CON, COM1 and the like), which reach a device from any folder.
// A final link is followed, as a write through it would be.
bool isSpecialFile(const QString& path);

// What tells one file from every other on its system while it exists (device
// and inode; volume and file index on Windows), so that a file can be known
// again after a rename. Empty when `path` names no file; a final link is not
// followed.
QByteArray fileIdentity(const QString& path);
// The same for the file or folder that `path` leads to through any links.
QByteArray followedIdentity(const QString& path);

// Makes writing past a file size limit (ulimit -f) a write that fails with
// "File too large", instead of a signal that ends the process without a word
// and leaves its staged files behind. Each program calls it first.
void ignoreFileSizeSignal();

// Removes a regular file that no living process owns (see NativeFile); leaves
// anything else as it is.
void removeIfAbandoned(const QString& path);

}  // namespace quillmark::platformfile
