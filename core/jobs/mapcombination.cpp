#include "jobs.h"

#include "blockwalk.h"
#include "fileformat.h"
#include "inputfile.h"
#include "jobchecks.h"
#include "jobmessages.h"
#include "mapinput.h"
#include "mapoutput.h"
#include "patchcheck.h"
#include "replacementtable.h"
#include "runs.h"

namespace quillmark {

using namespace difformat;

namespace {

Status checkInputs(const MapCombineJob& job, MapInput& map, InputFile& difData, InputFile& locator,
                   const CommitOptions& options)
{
    if (const Status opened = openInputs({&map}, jobmessage::UnableToOpenMap, options); opened.failed())
        return opened;
    if (const Status counted = checkRecordCount(map, MapBlockSize, jobmessage::UnableToOpenMap);
        counted.failed())
        return counted;
    if (const Status opened = openInputs({&difData, &locator}, jobmessage::UnableToOpenDifFiles, options);
        opened.failed())
        return opened;
    if (const Status checked = checkOutputDirectoryNamed(job.outDir, *options.files); checked.failed())
        return checked;
    return checkLocatorFits(locator, difData, MapBlockSize, map.size() / MapBlockSize);
}

// The map's block and the one the new map gets, by hash, for the check of
// the base against the patch's manifest.
Status checkBlock(qint64 block, qint64 ordinal, MapInput& map, const char* written, BaseCheck& check)
{
    const char* base = written;
    if (ordinal >= 0) {
        if (const Status viewed = map.view(block * MapBlockSize, MapBlockSize, base); viewed.failed())
            return viewed.withMessage(jobmessage::UnableToReadMapOrDif);
    }
    const quint64 baseHash = blockHash(base + MapHeaderSize, MapPayloadSize);
    check.addBaseBlock(block, baseHash);
    check.addResultBlock(ordinal < 0 ? baseHash : blockHash(written + MapHeaderSize, MapPayloadSize));
    return Status();
}

// The block from the difference data when the locator names it (every
// record has its block there, see checkLocatorFits()), else from the map.
// Once a base check has found a conflict that is not forced, the new map
// will not be kept, and nothing more is written to it.
Status copyBlock(qint64 block, qint64 ordinal, MapInput& map, InputFile& difData, Output& newMap,
                 BaseCheck* check, bool keepWriting)
{
    Input& source = ordinal < 0 ? static_cast<Input&>(map) : difData;
    const char* bytes = nullptr;
    const Status viewed = source.view((ordinal < 0 ? block : ordinal) * MapBlockSize, MapBlockSize, bytes);
    if (viewed.failed())
        return viewed.withMessage(jobmessage::UnableToReadMapOrDif);
    if (keepWriting)
        newMap.append(bytes, MapBlockSize);
    return check ? checkBlock(block, ordinal, map, bytes, *check) : Status();
}

JobOutcome run(const MapCombineJob& job, JobProgress& progress, const CommitOptions& options)
{
    MapInput map(job.currentMap, *options.files);
    InputFile difData(job.difData, *options.files);
    InputFile locator(job.difLocator, *options.files);
    if (const Status checked = checkInputs(job, map, difData, locator, options); checked.failed())
        return JobOutcome::failure(checked);
    PatchManifest patch;
    if (const Status loaded =
            loadPatchManifest(PatchKind::Map, {&locator, &difData}, jobmessage::UnableToOpenDifFiles,
                              jobmessage::UnableToReadMapOrDif, *options.files, patch);
        loaded.failed())
        return JobOutcome::failure(loaded);
    const std::unique_ptr<Output> newMap = makeMapOutput(mapFileName(job.outDir, job.facet, job.format),
                                                         job.format, job.facet, map.size(), *options.files);
    BlockWalk walk(progress, options, {newMap.get()}, jobmessage::UnableToWriteNewMap);
    if (const Status created =
            walk.createOutputs(jobmessage::UnableToCreateNewMap,
                               FileRoles().replaces(*newMap, map).reads(difData).reads(locator));
        created.failed())
        return JobOutcome::failure(created);

    JobResult result{map.size() / MapBlockSize, 0, 0, {newMap->target()}};
    walk.begin(result.blocks);
    ReplacementTable table(result.blocks);
    walk.fail(table.load(locator).withMessage(jobmessage::UnableToReadMapOrDif));
    const std::unique_ptr<BaseCheck> check = patch.startCheck(BaseCheck::Sketch::WhenAsked);
    const bool walked = walk.eachBlock(result.blocks, [&](qint64 block) {
        const qint64 ordinal = table.findNext(block);
        result.records += ordinal >= 0 ? 1 : 0;
        const bool keepWriting = job.force || !check || !check->foundConflict();
        return copyBlock(block, ordinal, map, difData, *newMap, check.get(), keepWriting);
    });
    if (walked)
        walk.fail(copyMapTail(map, *newMap).withMessage(jobmessage::UnableToReadMapOrDif));
    if (walked)
        walk.fail(concludeBaseCheck(
            check.get(), patch, result.blocks, job.force, jobmessage::DifFilesDoNotFitMap, map.path(),
            [&](BaseCheck& again) {
                const Status sketched = sketchMapBase(map, result.blocks, again);
                return sketched.failed() ? sketched.withMessage(jobmessage::UnableToReadMapOrDif) : sketched;
            },
            result.base));
    result.dataBytes = newMap->size();
    return walk.finish({&map, &difData, &locator}, result);
}

}  // namespace

JobOutcome combineMapDiff(const MapCombineJob& job, JobProgress& progress, const CommitOptions& options)
{
    return withMemoryGuard(jobmessage::UnableToWriteNewMap, [&] { return run(job, progress, options); });
}

}  // namespace quillmark
