#pragma once

// What the system's own file system is alike on every platform: the folder
// lock (systemlock.h). The POSIX and the Windows file systems add the rest.

#include "filesystem.h"
#include "systemlock.h"

namespace quillmark {

class SystemFileSystem : public FileSystem
{
public:
    Status tryLock(const QString& path, bool& held, std::unique_ptr<HeldLock>& lock) override
    {
        return systemlock::tryLock(path, held, lock);
    }

    Status holderOf(const QString& path, LockHolder& holder) override
    {
        return systemlock::holderOf(path, holder);
    }
};

}  // namespace quillmark
