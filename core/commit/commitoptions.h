#pragma once

#include "filesystem.h"

#include <functional>

namespace quillmark {

// What a job's work in its folders may be told by whoever runs it, as a
// database is handed its environment: the programs use the defaults; tests
// shorten the wait for a held lock, stop or kill a job between the renames of
// its commit, or run it on a file system of their own.
struct CommitOptions
{
    // How long a job waits for a folder that another job holds.
    int lockWaitMilliseconds = 10000;
    // Called before each rename of a commit with the number of files
    // already in place; none by default.
    std::function<void(int placed)> beforeRename;
    // Every file the job reads or writes, and every folder it looks at or
    // locks, goes through this one.
    FileSystem* files = &FileSystem::system();
};

}  // namespace quillmark
