#pragma once

// The lock that keeps two Quillmark processes from cleaning up or committing
// in one folder at once: a file of a fixed name, held through the system's
// own lock on it (flock; on Windows, a handle that shares no writing). The
// system lets go of it when its holder dies, however it dies, so a dead
// holder never keeps a folder, and nobody has to guess from a file's age
// whether its writer is still alive. The file names its holder, for a message,
// and goes when the holder lets go (on Windows, when its handle closes).
//
// Whatever stands under the lock's name is data from anybody: the file is
// opened without following a link and without waiting on a special file, and
// a link, a FIFO or a device found there is removed (not opened) first.

#include "status.h"

#include <QString>

#include <cstdint>

namespace quillmark::platformfile {

class FolderLock
{
public:
    // Who holds a lock, as its holder wrote it; empty and 0 when unknown.
    struct Holder
    {
        QString application;
        qint64 pid = 0;
    };

    FolderLock() = default;
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Takes the lock at `path` without waiting. Succeeds with `held` false
    // when it is taken, or with `held` true when another living process (or
    // another FolderLock of this one) holds it; fails when the lock cannot be
    // made there at all (a directory in its place, no right to write).
    Status tryLock(const QString& path, bool& held);
    void unlock();
    bool isLocked() const { return m_handle != Closed; }

    static Holder holderOf(const QString& path);

private:
    static constexpr std::intptr_t Closed = -1;
    std::intptr_t m_handle = Closed;  // a descriptor, or a HANDLE on Windows
    QString m_path;
};

}  // namespace quillmark::platformfile
