// Linked only into the kill test's helpers: with
// QUILLMARK_TEST_STOP_BEFORE_RENAME=<n> in the environment, a commit says
// "before rename <n>" on stdout when it gets there and waits a minute, so
// that the test can kill the job right there.

#include "stagedfile.h"

#include <QString>

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

const int s_stopAt = qEnvironmentVariable("QUILLMARK_TEST_STOP_BEFORE_RENAME", "-1").toInt();

void stopBeforeRename(int placed)
{
    if (placed != s_stopAt)
        return;
    std::printf("before rename %d\n", placed);
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::minutes(1));
}

const bool s_installed = (setBeforeRenameHook(stopBeforeRename), true);

}  // namespace
