#include "mergejobs.h"

#include "conflictsoutput.h"
#include "inputfile.h"
#include "jobchecks.h"
#include "jobmessages.h"
#include "mergeinputs.h"
#include "staticsmerger.h"

namespace quillmark {

using namespace difformat;

namespace {

// The three sides' pairs, in the order base, ours, theirs.
struct StaticsSides
{
    InputFile index[3];
    InputFile data[3];

    StaticsSides(const StaticsMergeJob& job, FileSystem& files)
        : index{{job.base.files.index, files},
                {job.ours.files.index, files},
                {job.theirs.files.index, files}},
          data{{job.base.files.data, files}, {job.ours.files.data, files}, {job.theirs.files.data, files}}
    {}
};

constexpr DamageMessage Damaged[] = {mergemessage::baseStaticsDamaged, mergemessage::ourStaticsDamaged,
                                     mergemessage::theirStaticsDamaged};

// Block `block` of each side, merged, and appended to the new pair when it
// is still worth writing.
Status mergeBlock(qint64 block, StaticsSides& sides, StaticsMerger& merger, Output& newIndex, Output& newData,
                  bool keepWriting)
{
    StaticsBlock read[3];
    for (int side = 0; side < 3; ++side) {
        if (const Status got = StaticsBlock::read({sides.index[side], sides.data[side], Damaged[side]}, block,
                                                  block, read[side]);
            got.failed())
            return withReadMessage(got, jobmessage::UnableToReadStatics);
    }
    const StaticsBlock* merged = nullptr;
    Status done = merger.merge(block, read[0], read[1], read[2], merged);
    if (done.ok() && keepWriting)
        done = appendStatics(*merged, newIndex, newData, jobmessage::UnableToWriteNewStatics);
    return withReadMessage(done, jobmessage::UnableToReadStatics);
}

JobOutcome run(const StaticsMergeJob& job, JobProgress& progress, const CommitOptions& options,
               MergeFigures& figures)
{
    StaticsSides sides(job, *options.files);
    Status checked = openStaticsPairs({{&sides.index[0], &sides.data[0], mergemessage::BaseStatics},
                                       {&sides.index[1], &sides.data[1], mergemessage::OurStatics},
                                       {&sides.index[2], &sides.data[2], mergemessage::TheirStatics}},
                                      jobmessage::IndexSizesDiffer, options);
    if (checked.ok())
        checked = checkOutputDirectoryNamed(job.outDir, *options.files);
    if (checked.failed())
        return JobOutcome::failure(checked);
    StagedFile newData(outputName(job.outDir, StaticsDataPart, job.facet), *options.files);
    StagedFile newIndex(outputName(job.outDir, StaticsIndexPart, job.facet), *options.files);
    ConflictsOutput conflicts("statics", job.choices, job.facet, *options.files);
    BlockWalk walk(progress, options, conflicts.withOutputs({&newData, &newIndex}),
                   jobmessage::UnableToWriteNewStatics);
    // Merged into the folder of ours, the new pair takes its place.
    if (const Status created =
            walk.createOutputs(jobmessage::UnableToCreateNewStatics, FileRoles()
                                                                         .reads(sides.index[0])
                                                                         .reads(sides.data[0])
                                                                         .replaces(newIndex, sides.index[1])
                                                                         .replaces(newData, sides.data[1])
                                                                         .reads(sides.index[2])
                                                                         .reads(sides.data[2]));
        created.failed())
        return JobOutcome::failure(created);

    JobResult result{sides.index[0].size() / IndexEntrySize, 0, 0, {newIndex.target(), newData.target()}};
    StaticsMerger merger(job.choices.prefer, conflicts.list(), figures, {Damaged[0], Damaged[1], Damaged[2]});
    const bool walked = walk.eachBlock(result.blocks, [&](qint64 block) {
        return mergeBlock(block, sides, merger, newIndex, newData, conflicts.keepWriting());
    });
    result.records = figures.oursOnly + figures.theirsOnly + figures.both;
    result.dataBytes = newData.size();
    return conflicts.finish(
        walk, walked, Status(),
        {&sides.data[0], &sides.index[0], &sides.data[1], &sides.index[1], &sides.data[2], &sides.index[2]},
        std::move(result), figures, options);
}

}  // namespace

MergeOutcome mergeStatics(const StaticsMergeJob& job, JobProgress& progress, const CommitOptions& options)
{
    MergeFigures figures;
    JobOutcome outcome = withMemoryGuard(jobmessage::UnableToWriteNewStatics,
                                         [&] { return run(job, progress, options, figures); });
    return {std::move(outcome), figures};
}

}  // namespace quillmark
