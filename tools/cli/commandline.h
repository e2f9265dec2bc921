#pragma once

#include "commitoptions.h"

#include <QStringList>

namespace quillmark {

// The whole command line of quillmark-cli: picks the command and its kind and
// hands over to it, its jobs working in their folders as `options` say.
// Returns the exit status.
int runCommandLine(const QStringList& arguments, const CommitOptions& options = CommitOptions());

}  // namespace quillmark
