#pragma once

#include "commitoptions.h"

#include <QStringList>

namespace quillmark {

// report: a review page (and JSON facts) of what a set of difference files
// changes in a facet. `arguments` is the whole command line. Returns the exit
// status: 0 written, 1 failed, 2 usage.
int runReportCommand(const QStringList& arguments, const CommitOptions& options);

}  // namespace quillmark
