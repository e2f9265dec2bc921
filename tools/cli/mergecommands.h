#pragma once

#include "commitoptions.h"

#include <QString>
#include <QStringList>

namespace quillmark {

// merge map|statics and rebase map|statics: three-way merges of a facet, with
// the job commands' parser, progress, summary and failure printing.
// `arguments` is the whole command line. Returns the exit status: a conflict
// without --prefer fails (1), as a refused or failed job does.
int runMergeCommand(const QString& command, const QString& kind, const QStringList& arguments,
                    const CommitOptions& options);

}  // namespace quillmark
