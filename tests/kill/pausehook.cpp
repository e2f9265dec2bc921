#include "pausehook.h"

#include <QString>

#include <chrono>
#include <cstdio>
#include <thread>

quillmark::CommitOptions pausingCommitOptions()
{
    const int stopAt = qEnvironmentVariable("QUILLMARK_TEST_STOP_BEFORE_RENAME", "-1").toInt();
    quillmark::CommitOptions options;
    options.beforeRename = [stopAt](int placed) {
        if (placed != stopAt)
            return;
        std::printf("before rename %d\n", placed);
        std::fflush(stdout);
        std::this_thread::sleep_for(std::chrono::minutes(1));
    };
    return options;
}
