#include "mergejobs.h"

#include "conflictsoutput.h"
#include "hashedoutput.h"
#include "inputfile.h"
#include "jobchecks.h"
#include "jobmessages.h"
#include "manifestbuilder.h"
#include "mapmerger.h"
#include "mergeinputs.h"
#include "patchcheck.h"
#include "rebasecheck.h"
#include "replacementtable.h"

#include <cstring>

namespace quillmark {

using namespace difformat;

namespace {

// Opens and checks the inputs, and reads the patch's manifest if it has one.
Status checkInputs(const MapRebaseJob& job, MapInput& reference, MapInput& onto, InputFile& difData,
                   InputFile& locator, const CommitOptions& options, PatchManifest& patch)
{
    if (const Status opened =
            openMaps({{&reference, mergemessage::ReferenceMap}, {&onto, mergemessage::NewBaseMap}},
                     jobmessage::MapSizesDiffer, options);
        opened.failed())
        return opened;
    if (const Status opened = openInputs({&difData, &locator}, jobmessage::UnableToOpenDifFiles, options);
        opened.failed())
        return opened;
    if (const Status checked = checkOutputDirectory(job.outDir, *options.files); checked.failed())
        return checked;
    if (const Status fits = checkLocatorFits(locator, difData, MapBlockSize, reference.size() / MapBlockSize);
        fits.failed())
        return fits;
    return loadPatchManifest(PatchKind::Map, {&locator, &difData}, jobmessage::UnableToOpenDifFiles,
                             jobmessage::UnableToReadMapOrDif, *options.files, patch);
}

// The walk of a rebase: ours is the reference with the patch applied, block
// by block; the merge is written as generation would write the difference
// from the new base to it, with its manifest. Only a block the patch
// replaces can differ from the new base's: every other is the new base's.
class MapRebaser
{
public:
    struct Files
    {
        MapInput& reference;
        MapInput& onto;
        InputFile& patchData;
        ReplacementTable& patch;
    };
    struct Difs
    {
        HashedOutput& locator;
        HashedOutput& data;
        ManifestBuilder& manifest;
    };

    MapRebaser(Files files, Difs difs, MapMerger& merger, BaseCheck* check)
        : m_in(files), m_out(difs), m_merger(merger), m_check(check)
    {}

    // The blocks from `first` on, `count` of them (at most ProgressStep);
    // nothing is written once `keepWriting` is false.
    Status rebase(qint64 first, qint64 count, MergeFigures& figures, JobResult& result, bool keepWriting)
    {
        const char *reference = nullptr, *onto = nullptr;
        Status viewed = m_in.reference.view(first * MapBlockSize, count * MapBlockSize, reference);
        if (viewed.ok())
            viewed = m_in.onto.view(first * MapBlockSize, count * MapBlockSize, onto);
        if (viewed.failed())
            return viewed.withMessage(jobmessage::UnableToReadMapOrDif);
        quint64 before[ProgressStep], after[ProgressStep], referenceHashes[ProgressStep];
        payloadHashes(onto + MapHeaderSize, count, MapBlockSize, before);
        std::copy(before, before + count, after);
        if (m_check)
            payloadHashes(reference + MapHeaderSize, count, MapBlockSize, referenceHashes);
        const bool untouched = memcmp(reference, onto, size_t(count * MapBlockSize)) == 0;
        for (qint64 i = 0; i < count; ++i) {
            const qint64 block = first + i, at = i * MapBlockSize, ordinal = m_in.patch.findNext(block);
            const char* ours = reference + at;
            if (ordinal >= 0) {
                if (Status read = m_in.patchData.view(ordinal * MapBlockSize, MapBlockSize, ours);
                    read.failed())
                    return read.withMessage(jobmessage::UnableToReadMapOrDif);
            }
            tellCheck(block, referenceHashes[i], ours, ordinal >= 0);
            if (ordinal < 0) {
                const bool same = untouched || memcmp(reference + at, onto + at, MapBlockSize) == 0;
                countChange(same ? BlockChange::None : BlockChange::Theirs, figures);
                continue;
            }
            const char* merged = m_merger.merge(block, {reference + at, ours, onto + at});
            if (memcmp(merged + MapHeaderSize, onto + at + MapHeaderSize, MapPayloadSize) == 0)
                continue;
            after[i] = blockHash(merged + MapHeaderSize, MapPayloadSize);
            ++result.records;
            if (keepWriting)
                record(block, merged, before[i], after[i]);
        }
        if (keepWriting)
            m_out.manifest.addRun(first, before, after, count);
        return Status();
    }

private:
    void tellCheck(qint64 block, quint64 referenceHash, const char* ours, bool replaced)
    {
        if (!m_check)
            return;
        m_check->addBaseBlock(block, referenceHash);
        m_check->addResultBlock(replaced ? blockHash(ours + MapHeaderSize, MapPayloadSize) : referenceHash);
    }

    void record(qint64 block, const char* merged, quint64 before, quint64 after)
    {
        m_out.manifest.addRecord(block, before, after);
        m_out.locator.appendInt32(qint32(block));
        m_out.data.append(merged, MapBlockSize);
    }

    Files m_in;
    Difs m_out;
    MapMerger& m_merger;
    BaseCheck* m_check;
};

JobOutcome run(const MapRebaseJob& job, JobProgress& progress, const CommitOptions& options,
               MergeFigures& figures)
{
    MapInput reference(job.reference.files.map, *options.files);
    MapInput onto(job.onto.files.map, *options.files);
    InputFile patchData(job.patch.data, *options.files);
    InputFile patchLocator(job.patch.locator, *options.files);
    PatchManifest patch;
    if (const Status checked = checkInputs(job, reference, onto, patchData, patchLocator, options, patch);
        checked.failed())
        return JobOutcome::failure(checked);
    StagedFile difDataFile(outputName(job.outDir, MapDifDataPart, job.facet), *options.files);
    StagedFile locatorFile(outputName(job.outDir, MapDifLocatorPart, job.facet), *options.files);
    StagedFile manifestFile(manifestformat::manifestPath(job.outDir, PatchKind::Map, job.facet),
                            *options.files);
    HashedOutput difData(difDataFile), locator(locatorFile);
    ConflictsOutput conflicts("map", job.choices, job.facet, *options.files);
    BlockWalk walk(progress, options, conflicts.withOutputs({&difData, &locator, &manifestFile}),
                   jobmessage::UnableToWriteDiffFiles);
    // Rebased in place, the new difference files take the old ones' places.
    if (const Status created =
            walk.createOutputs(jobmessage::UnableToCreateDiffFiles, FileRoles()
                                                                        .reads(reference)
                                                                        .reads(onto)
                                                                        .replaces(difData, patchData)
                                                                        .replaces(locator, patchLocator));
        created.failed())
        return JobOutcome::failure(created);

    JobResult result{
        reference.size() / MapBlockSize, 0, 0, {locator.target(), difData.target(), manifestFile.target()}};
    walk.begin(result.blocks);
    ReplacementTable table(result.blocks);
    walk.fail(table.load(patchLocator).withMessage(jobmessage::UnableToReadMapOrDif));
    const std::unique_ptr<BaseCheck> check = patch.startCheck(BaseCheck::Sketch::WhenAsked);
    // A patch for another facet has another facet's reference, however alike the two may be.
    placeBase(check.get(), job.facet, job.choices.heightBlocks);
    ManifestBuilder manifest(PatchKind::Map, job.facet, manifestFile);
    MapMerger merger(job.choices.prefer, conflicts.list(), figures);
    MapRebaser rebaser({reference, onto, patchData, table}, {locator, difData, manifest}, merger,
                       check.get());
    const bool walked = walk.eachStretch(result.blocks, [&](qint64 first, qint64 count) {
        return rebaser.rebase(first, count, figures, result, conflicts.keepWriting());
    });
    const Status concluded =
        walked ? concludeRebaseCheck(
            check.get(), patch, result.blocks, reference, jobmessage::UnableToReadMapOrDif,
            [&](BaseCheck& again) { return sketchMapBase(reference, result.blocks, again); }, result.base)
               : Status();
    if (walked && concluded.ok())
        manifest.finish({&locator, &difData});
    result.dataBytes = difData.size();
    return conflicts.finish(walk, walked, concluded, {&reference, &onto, &patchData, &patchLocator},
                            std::move(result), figures, options);
}

}  // namespace

MergeOutcome rebaseMapPatch(const MapRebaseJob& job, JobProgress& progress, const CommitOptions& options)
{
    MergeFigures figures;
    JobOutcome outcome = withMemoryGuard(jobmessage::UnableToWriteDiffFiles,
                                         [&] { return run(job, progress, options, figures); });
    return {std::move(outcome), figures};
}

}  // namespace quillmark
