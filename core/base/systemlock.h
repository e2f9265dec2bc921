#pragma once

// The folder lock of the system's own file system: a file of a fixed name,
// held through the system's own lock on it (flock; on Windows, a handle that
// shares no writing and deletes the file when it closes). The system lets go
// of it when its holder dies, however it dies, so a dead holder never keeps a
// folder, and nobody has to guess from a file's age whether its writer is
// still alive. The file names its holder, for a message, and goes when the
// holder lets go.
//
// Whatever stands under the lock's name is data from anybody: the file is
// opened without following a link and without waiting on a special file, and
// a link, a FIFO or a device found there is removed (not opened) first.

#include "filesystem.h"

namespace quillmark::systemlock {

// Takes the lock at `path` without waiting. Succeeds with `lock` set when it
// is taken, or with `held` true when another living process (or another lock
// of this one) holds it; fails when the lock cannot be made there at all (a
// directory in its place, no right to write).
Status tryLock(const QString& path, bool& held, std::unique_ptr<HeldLock>& lock);

// Who holds the lock at `path`, as its file says; nothing known when there
// is no lock file, or when it is no regular file.
Status holderOf(const QString& path, LockHolder& holder);

}  // namespace quillmark::systemlock
