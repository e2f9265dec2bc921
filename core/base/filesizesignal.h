#pragma once

#include <csignal>

namespace quillmark {

// Makes writing past a file size limit (ulimit -f) a write that fails with
// "File too large", instead of a signal that ends the process without a word
// and leaves its staged files behind. Each program calls it first. Windows
// has no such signal: there a write past a limit simply fails.
inline void ignoreFileSizeSignal()
{
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

}  // namespace quillmark
