#pragma once

#include <QString>

namespace quillmark {

// One line of text on standard output or standard error.
void printOut(const QString& line);
void printError(const QString& line);

}  // namespace quillmark
