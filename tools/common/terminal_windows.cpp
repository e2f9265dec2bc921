#include "terminal.h"

#include <windows.h>

namespace quillmark {

// A console answers GetConsoleMode; a pipe or a file does not.
bool standardErrorIsTerminal()
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

}  // namespace quillmark
