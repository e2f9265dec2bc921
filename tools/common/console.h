#pragma once

#include <QString>

namespace quillmark {

// Text on standard output, ended with a line break.
void printOut(const QString& text);
// One line on standard error: a line break or other control character in
// it (a path may hold one) is shown escaped, so that a message stays one
// line in a script's log.
void printError(const QString& line);

}  // namespace quillmark
