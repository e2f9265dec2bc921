#include "mergejobs.h"

#include "conflictsoutput.h"
#include "hashedoutput.h"
#include "inputfile.h"
#include "jobchecks.h"
#include "jobmessages.h"
#include "manifestbuilder.h"
#include "mergeinputs.h"
#include "patchcheck.h"
#include "rebasecheck.h"
#include "replacementtable.h"
#include "runs.h"
#include "staticsmerger.h"

namespace quillmark {

using namespace difformat;

namespace {

// The inputs: the reference, the patch and the new base, each an index and
// a data file.
struct RebaseInputs
{
    InputFile referenceIndex, referenceData, locator, patchIndex, patchData, ontoIndex, ontoData;

    RebaseInputs(const StaticsRebaseJob& job, FileSystem& files)
        : referenceIndex(job.reference.files.index, files),
          referenceData(job.reference.files.data, files),
          locator(job.patch.locator, files),
          patchIndex(job.patch.index, files),
          patchData(job.patch.data, files),
          ontoIndex(job.onto.files.index, files),
          ontoData(job.onto.files.data, files)
    {}

    // Opens and checks the inputs, and reads the patch's manifest if it has one.
    Status check(const StaticsRebaseJob& job, const CommitOptions& options, PatchManifest& patch)
    {
        if (const Status opened =
                openStaticsPairs({{&referenceIndex, &referenceData, mergemessage::ReferenceStatics},
                                  {&ontoIndex, &ontoData, mergemessage::NewBaseStatics}},
                                 jobmessage::IndexSizesDiffer, options);
            opened.failed())
            return opened;
        if (const Status opened =
                openInputs({&patchData, &patchIndex, &locator}, jobmessage::UnableToOpenDifFiles, options);
            opened.failed())
            return opened;
        if (const Status checked = checkOutputDirectory(job.outDir, *options.files); checked.failed())
            return checked;
        if (const Status fits =
                checkLocatorFits(locator, patchIndex, IndexEntrySize, referenceIndex.size() / IndexEntrySize);
            fits.failed())
            return fits;
        return loadPatchManifest(PatchKind::Statics, {&locator, &patchIndex, &patchData},
                                 jobmessage::UnableToOpenDifFiles, jobmessage::UnableToReadStaticsOrDif,
                                 *options.files, patch);
    }
};

// The new difference files, growing as generation grows them.
struct StaticsDifs
{
    HashedOutput& locator;
    HashedOutput& index;
    HashedOutput& data;
    ManifestBuilder& manifest;
};

// A rebase's walk, a block at a time: ours is the reference's block, or the
// patch's where it replaces it; the merge is recorded where its statics are
// not the new base's.
class StaticsRebaser
{
public:
    StaticsRebaser(RebaseInputs& in, ReplacementTable& patch, StaticsDifs out, StaticsMerger& merger,
                   BaseCheck* check)
        : m_in(in), m_patch(patch), m_out(out), m_merger(merger), m_check(check)
    {}

    Status rebase(qint64 block, MergeFigures& figures, JobResult& result, bool keepWriting)
    {
        StaticsBlock reference, ours, onto;
        Status read =
            StaticsBlock::read({m_in.referenceIndex, m_in.referenceData, jobmessage::referenceStaticsDamaged},
                               block, block, reference);
        const qint64 ordinal = m_patch.findNext(block);
        ours = reference;
        if (read.ok() && ordinal >= 0)
            read = StaticsBlock::read({m_in.patchIndex, m_in.patchData, jobmessage::difFilesDamaged}, ordinal,
                                      block, ours);
        if (read.ok())
            read = StaticsBlock::read({m_in.ontoIndex, m_in.ontoData, mergemessage::newBaseStaticsDamaged},
                                      block, block, onto);
        if (read.ok())
            read = tellCheck(block, reference, ours, ordinal >= 0);
        const StaticsBlock* merged = &onto;
        bool recorded = false;
        if (read.ok() && ordinal >= 0)
            read = merge(block, {&reference, &ours, &onto}, merged, recorded);
        else if (read.ok())
            read = countUnreplaced(reference, onto, figures);
        quint64 before = 0, after = 0;
        if (read.ok())
            read = onto.hash(before);
        if (read.ok())
            read = merged->hash(after);
        if (read.ok() && keepWriting)
            read = write(block, *merged, before, after, recorded);
        result.records += recorded ? 1 : 0;
        return withReadMessage(read, jobmessage::UnableToReadStaticsOrDif);
    }

private:
    Status tellCheck(qint64 block, const StaticsBlock& reference, const StaticsBlock& ours, bool replaced)
    {
        if (!m_check)
            return Status();
        quint64 referenceHash = 0, oursHash = 0;
        Status hashed = reference.hash(referenceHash);
        if (hashed.ok() && replaced)
            hashed = ours.hash(oursHash);
        m_check->addBaseBlock(block, referenceHash);
        m_check->addResultBlock(replaced ? oursHash : referenceHash);
        return hashed;
    }

    Status merge(qint64 block, const StaticsBlock* const (&sides)[3], const StaticsBlock*& merged,
                 bool& recorded)
    {
        if (const Status done = m_merger.merge(block, *sides[0], *sides[1], *sides[2], merged); done.failed())
            return done;
        bool same = false;
        const Status compared = merged->sameContent(*sides[2], same);
        recorded = !same;
        return compared;
    }

    static Status countUnreplaced(const StaticsBlock& reference, const StaticsBlock& onto,
                                  MergeFigures& figures)
    {
        bool same = false;
        const Status compared = reference.sameBlock(onto, same);
        countChange(same ? BlockChange::None : BlockChange::Theirs, figures);
        return compared;
    }

    Status write(qint64 block, const StaticsBlock& merged, quint64 before, quint64 after, bool recorded)
    {
        m_out.manifest.addBlock(block, before, after, recorded);
        if (!recorded)
            return Status();
        m_out.locator.appendInt32(qint32(block));
        IndexEntry entry;
        const Status appended = appendStatics(merged, m_out.data, jobmessage::UnableToWriteDiffFiles, entry);
        appendIndexEntry(m_out.index, entry);
        return appended;
    }

    RebaseInputs& m_in;
    ReplacementTable& m_patch;
    StaticsDifs m_out;
    StaticsMerger& m_merger;
    BaseCheck* m_check;
};

JobOutcome run(const StaticsRebaseJob& job, JobProgress& progress, const CommitOptions& options,
               MergeFigures& figures)
{
    RebaseInputs in(job, *options.files);
    PatchManifest patch;
    if (const Status checked = in.check(job, options, patch); checked.failed())
        return JobOutcome::failure(checked);
    StagedFile difDataFile(outputName(job.outDir, StaticsDifDataPart, job.facet), *options.files);
    StagedFile locatorFile(outputName(job.outDir, StaticsDifLocatorPart, job.facet), *options.files);
    StagedFile difIndexFile(outputName(job.outDir, StaticsDifIndexPart, job.facet), *options.files);
    StagedFile manifestFile(manifestformat::manifestPath(job.outDir, PatchKind::Statics, job.facet),
                            *options.files);
    HashedOutput difData(difDataFile), locator(locatorFile), difIndex(difIndexFile);
    ConflictsOutput conflicts("statics", job.choices, job.facet, *options.files);
    BlockWalk walk(progress, options, conflicts.withOutputs({&difData, &locator, &difIndex, &manifestFile}),
                   jobmessage::UnableToWriteDiffFiles);
    // Rebased in place, the new difference files take the old ones' places.
    if (const Status created =
            walk.createOutputs(jobmessage::UnableToCreateDiffFiles, FileRoles()
                                                                        .reads(in.referenceIndex)
                                                                        .reads(in.referenceData)
                                                                        .replaces(locator, in.locator)
                                                                        .replaces(difIndex, in.patchIndex)
                                                                        .replaces(difData, in.patchData)
                                                                        .reads(in.ontoIndex)
                                                                        .reads(in.ontoData));
        created.failed())
        return JobOutcome::failure(created);

    JobResult result{in.referenceIndex.size() / IndexEntrySize,
                     0,
                     0,
                     {locator.target(), difIndex.target(), difData.target(), manifestFile.target()}};
    walk.begin(result.blocks);
    ReplacementTable table(result.blocks);
    walk.fail(table.load(in.locator).withMessage(jobmessage::UnableToReadStaticsOrDif));
    const std::unique_ptr<BaseCheck> check = patch.startCheck(BaseCheck::Sketch::WhenAsked);
    // A patch for another facet has another facet's reference, however alike the two may be.
    placeBase(check.get(), job.facet, job.choices.heightBlocks);
    ManifestBuilder manifest(PatchKind::Statics, job.facet, manifestFile);
    StaticsMerger merger(job.choices.prefer, conflicts.list(), figures,
                         {jobmessage::referenceStaticsDamaged, jobmessage::difFilesDamaged,
                          mergemessage::newBaseStaticsDamaged});
    StaticsRebaser rebaser(in, table, {locator, difIndex, difData, manifest}, merger, check.get());
    const bool walked = walk.eachBlock(result.blocks, [&](qint64 block) {
        return rebaser.rebase(block, figures, result, conflicts.keepWriting());
    });
    const Status concluded =
        walked ? concludeRebaseCheck(
            check.get(), patch, result.blocks, in.referenceIndex, jobmessage::UnableToReadStaticsOrDif,
            [&](BaseCheck& again) {
                return sketchStaticsBase(in.referenceIndex, in.referenceData, result.blocks, again);
            },
            result.base)
               : Status();
    if (walked && concluded.ok())
        manifest.finish({&locator, &difIndex, &difData});
    result.dataBytes = difData.size();
    return conflicts.finish(walk, walked, concluded,
                            {&in.referenceData, &in.referenceIndex, &in.patchData, &in.patchIndex,
                             &in.locator, &in.ontoData, &in.ontoIndex},
                            std::move(result), figures, options);
}

}  // namespace

MergeOutcome rebaseStaticsPatch(const StaticsRebaseJob& job, JobProgress& progress,
                                const CommitOptions& options)
{
    MergeFigures figures;
    JobOutcome outcome = withMemoryGuard(jobmessage::UnableToWriteDiffFiles,
                                         [&] { return run(job, progress, options, figures); });
    return {std::move(outcome), figures};
}

}  // namespace quillmark
