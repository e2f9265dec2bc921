#pragma once

#include "blockwalk.h"
#include "conflictlist.h"
#include "stagedfile.h"

#include <memory>

namespace quillmark {

// The conflicts of a merge, and how the merge ends once its walk is over:
// its outputs and the conflicts file put in place together; or, when it
// found conflicts and no side is preferred, the conflicts file alone, and
// the job fails naming them.
class ConflictsOutput
{
public:
    // The conflicts of `layer` in the facet's grid, or in one `choices`
    // says; written to the conflicts file `choices` names, if any.
    ConflictsOutput(const char* layer, const MergeChoices& choices, int facet, FileSystem& files);

    // Adds the conflicts file, when there is one, to the job's outputs.
    std::vector<Output*> withOutputs(std::vector<Output*> outputs);

    ConflictList& list() { return m_list; }
    // Whether the job's outputs are still worth writing: not once a conflict
    // has been found and no side is preferred, for then they will not be kept.
    bool keepWriting() const { return m_prefer != Prefer::None || m_list.count() == 0; }

    // The outcome, once the walk has ended (`walked` when it went through
    // every block) and the job's checks after it have said `concluded`.
    JobOutcome finish(BlockWalk& walk, bool walked, const Status& concluded,
                      std::initializer_list<Input*> inputs, JobResult result, MergeFigures& figures,
                      const CommitOptions& options);

private:
    Prefer m_prefer;
    std::unique_ptr<StagedFile> m_file;
    ConflictList m_list;
};

}  // namespace quillmark
