#pragma once

#include <QString>
#include <QStringList>

namespace quillmark {

// inspect map|statics: checks a set of difference files without writing any,
// and with --picture draws where they touch the facet. `arguments` is the whole
// command line. Returns the exit status: 0 clean, 1 problems found, 2 usage.
int runInspectCommand(const QString& kind, const QStringList& arguments);

}  // namespace quillmark
