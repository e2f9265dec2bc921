// Linked only into the kill test's helpers: with
// QUILLMARK_TEST_PAUSE_BEFORE_RENAME=<milliseconds> in the environment, every
// commit says "before rename <n>" on stdout and waits that long before each
// rename, so that the test can kill the job right there.

#include "stagedfile.h"

#include <QByteArray>

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

int s_pause = 0;

void pauseBeforeRename(int placed)
{
    std::printf("before rename %d\n", placed);
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::milliseconds(s_pause));
}

const bool s_installed = [] {
    s_pause = qEnvironmentVariableIntValue("QUILLMARK_TEST_PAUSE_BEFORE_RENAME");
    if (s_pause > 0)
        setBeforeRenameHook(pauseBeforeRename);
    return true;
}();

}  // namespace
