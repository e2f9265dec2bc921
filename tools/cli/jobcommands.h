#pragma once

#include "commitoptions.h"

#include <QString>
#include <QStringList>

namespace quillmark {

// generate map|statics and combine map|statics: the window's four jobs, with
// the same checks, messages and output files; and convert map, which writes a
// map file in the other form. `arguments` is the whole command line. Returns
// the exit status.
int runJobCommand(const QString& command, const QString& kind, const QStringList& arguments,
                  const CommitOptions& options);

}  // namespace quillmark
