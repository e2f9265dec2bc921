#include "conflictsoutput.h"

#include "facets.h"
#include "mergemessages.h"
#include "mergetexts.h"
#include "stagedcommit.h"

namespace quillmark {

namespace {

qint64 heightOf(const MergeChoices& choices, int facet)
{
    return choices.heightBlocks > 0 ? choices.heightBlocks : facets::geometry(facet).heightBlocks;
}

std::unique_ptr<StagedFile> fileFor(const MergeChoices& choices, FileSystem& files)
{
    return choices.conflictsFile.isEmpty() ? nullptr
                                           : std::make_unique<StagedFile>(choices.conflictsFile, files);
}

}  // namespace

ConflictsOutput::ConflictsOutput(const char* layer, const MergeChoices& choices, int facet, FileSystem& files)
    : m_prefer(choices.prefer),
      m_file(fileFor(choices, files)),
      m_list(layer, heightOf(choices, facet), m_file.get())
{}

std::vector<Output*> ConflictsOutput::withOutputs(std::vector<Output*> outputs)
{
    if (m_file)
        outputs.push_back(m_file.get());
    return outputs;
}

JobOutcome ConflictsOutput::finish(BlockWalk& walk, bool walked, const Status& concluded,
                                   std::initializer_list<Input*> inputs, JobResult result,
                                   MergeFigures& figures, const CommitOptions& options)
{
    m_list.finish(figures);
    figures.prefer = m_prefer;
    walk.fail(concluded);
    if (!walked || concluded.failed())
        return walk.finish(inputs, std::move(result));
    if (figures.conflicts > 0 && m_prefer == Prefer::None) {
        // Only the list is kept: the job's other outputs go as it fails.
        Status kept;
        if (m_file) {
            kept = m_file->finish();
            if (kept.ok())
                kept = commitStaged({m_file.get()}, options);
        }
        walk.fail(kept.withMessage(mergemessage::UnableToWriteConflicts));
        walk.fail(Status::failure(Status::Kind::Conflict, mergemessage::SidesConflict,
                                  m_file ? m_file->target() : QString(), conflictsText(figures)));
        return walk.finish(inputs, std::move(result));
    }
    if (m_file)
        result.written << m_file->target();
    return walk.finish(inputs, std::move(result));
}

}  // namespace quillmark
