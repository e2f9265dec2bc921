#pragma once

namespace quillmark {

// What scripts can rely on.
enum ExitStatus {
    ExitSuccess = 0,
    ExitFailed = 1,      // the work failed, or a check found problems
    ExitUsage = 2,       // the command line itself was wrong
    ExitNoManifest = 3,  // verify: the difference files have no manifest to check the base against
};

}  // namespace quillmark
