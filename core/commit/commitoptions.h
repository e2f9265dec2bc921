#pragma once

#include <functional>

namespace quillmark {

// What a job's work in its folders may be told by whoever runs it, as a
// database is handed its environment: the programs use the defaults; tests
// shorten the wait for a held lock, and stop or kill a job between the
// renames of its commit.
struct CommitOptions
{
    // How long a job waits for a folder that another job holds.
    int lockWaitMilliseconds = 10000;
    // Called before each rename of a commit with the number of files
    // already in place; none by default.
    std::function<void(int placed)> beforeRename;
};

}  // namespace quillmark
