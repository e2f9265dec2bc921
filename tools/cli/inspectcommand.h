#pragma once

#include "commitoptions.h"

#include <QString>
#include <QStringList>

namespace quillmark {

// inspect map|statics: checks a set of difference files without writing any,
// and with --picture draws where they touch the facet. `arguments` is the whole
// command line; the files are read, and the picture written, as `options`
// say. Returns the exit status: 0 clean, 1 problems found, 2 usage.
int runInspectCommand(const QString& kind, const QStringList& arguments, const CommitOptions& options);

}  // namespace quillmark
