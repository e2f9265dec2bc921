#pragma once

// The few file operations that a crash-safe commit needs and Qt does not
// offer: a file written and flushed to stable storage, marked as owned by the
// process that writes it; an atomic replacement of one file by another; the
// flush of a directory; a hard link. POSIX and Windows each have their own
// implementation file; nothing here uses Qt, so that the Windows one can be
// compiled on its own. Paths are UTF-8.

#include <cstdint>
#include <string>

namespace platformfile {

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
    bool createNew(const char* path);
    bool write(const char* bytes, std::int64_t length);
    // Writes at `offset` without moving the position of write().
    bool writeAt(std::int64_t offset, const char* bytes, std::int64_t length);
    // Hands everything written so far to the disk without waiting for it, so
    // that the flushes of several files overlap instead of following one
    // another.
    void startWritingBack();
    // Returns once everything written has reached stable storage.
    bool sync();
    bool close();
    bool isOpen() const { return m_handle != Closed; }

    // Why the last operation failed, in the system's words.
    const std::string& error() const { return m_error; }

private:
    void countWritten(std::int64_t length);

    static constexpr std::intptr_t Closed = -1;
    std::intptr_t m_handle = Closed;  // a descriptor, or a HANDLE on Windows
    std::string m_error;
    std::int64_t m_written = 0;      // through write()
    std::int64_t m_writtenBack = 0;  // handed to the disk ahead of sync()
};

// Puts `from` in the place of `to` in one step: `to` holds its earlier
// content or the new one, never nothing, whenever the process dies. Both lie
// on the same file system.
bool replaceFile(const char* from, const char* to, std::string& error);

// Whether `path`, an existing file, can be replaced now. On Windows another
// program that holds it open without sharing its deletion (a game client
// reading its map, an editor) keeps it from being renamed over or removed;
// the reason is the system's. Always true on POSIX, where a rename does not
// care who has the file open.
bool canReplace(const char* path, std::string& error);

// Flushes the entries of a directory (names created, renamed or removed) to
// stable storage. Nothing to do on Windows, whose replaceFile() writes through.
bool syncDirectory(const char* path, std::string& error);

// A second name for an existing file, sharing its content.
bool hardLink(const char* existing, const char* newName, std::string& error);

enum class Removal { Removed, InUse, Failed };

// Removes a file that no living process owns (see NativeFile).
Removal removeIfAbandoned(const char* path);

}  // namespace platformfile
