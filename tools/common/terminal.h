#pragma once

namespace quillmark {

// Whether standard error is a terminal someone watches, rather than a pipe, a
// file or a script's log. One implementation file per platform.
bool standardErrorIsTerminal();

}  // namespace quillmark
