#pragma once

#include "commitoptions.h"

#include <QString>

namespace quillmark {

// Before a file is read, a commit that a killed job left unfinished in its
// folder (or in the folder its link leads to) is completed or undone, so
// that nothing is read half old, half new; the staged files of dead runs
// there go with it. Only a folder that holds a commit record is touched,
// so reading from folders this job may not write to (a game installation)
// costs nothing. A folder that cannot be settled (no right to write there)
// fails with the folder and "holds an interrupted commit".
Status settleFoldersOf(const QString& path, const CommitOptions& options);

}  // namespace quillmark
