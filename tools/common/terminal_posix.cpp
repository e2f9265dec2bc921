#include "terminal.h"

#include <unistd.h>

namespace quillmark {

bool standardErrorIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

}  // namespace quillmark
