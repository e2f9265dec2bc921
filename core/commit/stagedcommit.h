#pragma once

#include "commitoptions.h"
#include "status.h"

#include <vector>

namespace quillmark {

class StagedFile;

// Flushes every staged file and puts them all in place of their targets, or,
// when anything fails, none of them: targets that existed before keep (or
// get back) their earlier content. A crash at any point leaves each target
// whole, old or new; the next job in each folder completes a set whose
// renames had begun (see OutputFolder). The failure names the file that
// failed, and says what became of the rest when the set could not be undone.
Status commitStaged(const std::vector<StagedFile*>& files, const CommitOptions& options);

}  // namespace quillmark
