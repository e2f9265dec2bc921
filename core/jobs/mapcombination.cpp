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

// A combination as it runs: the job's own, which writes the new map, or a
// verification's, which finds everything the combination would find, its
// failures among them, and writes nothing.
struct MapRun
{
    MapCombineJob job;
    std::optional<int> facet;  // of the base; none: the one the manifest says
    bool writes = true;
};

Status checkInputs(const MapRun& run, MapInput& map, InputFile& difData, InputFile& locator,
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
    if (run.writes) {
        if (const Status checked = checkOutputDirectoryNamed(run.job.outDir, *options.files);
            checked.failed())
            return checked;
    }
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
// record a walk looks up has its block there, see checkLocatorFits()), else
// from the map. Once a base check has found a conflict that is not forced,
// the new map will not be kept, and nothing more is written to it.
Status copyBlock(qint64 block, qint64 ordinal, MapInput& map, InputFile& difData, Sink& newMap,
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

JobOutcome combine(const MapRun& run, JobProgress& progress, const CommitOptions& options)
{
    const MapCombineJob& job = run.job;
    MapInput map(job.currentMap, *options.files);
    InputFile difData(job.difData, *options.files);
    InputFile locator(job.difLocator, *options.files);
    if (const Status checked = checkInputs(run, map, difData, locator, options); checked.failed())
        return JobOutcome::failure(checked);
    PatchManifest patch;
    if (const Status loaded =
            loadPatchManifest(PatchKind::Map, {&locator, &difData}, jobmessage::UnableToOpenDifFiles,
                              jobmessage::UnableToReadMapOrDif, *options.files, patch);
        loaded.failed())
        return JobOutcome::failure(loaded);
    const BaseCheckRule rule{job.force, !run.writes};
    const std::unique_ptr<BaseCheck> check = patch.startCheck(BaseCheck::Sketch::WhenAsked);
    placeBase(check.get(), run.facet, job.heightBlocks);
    const std::unique_ptr<Output> newMap =
        run.writes ? makeMapOutput(mapFileName(job.outDir, job.facet, job.format), job.format, job.facet,
                                   map.size(), *options.files)
                   : nullptr;
    CountingSink counted;
    Sink& written = newMap ? static_cast<Sink&>(*newMap) : counted;
    BlockWalk walk(progress, options, newMap ? std::vector<Output*>{newMap.get()} : std::vector<Output*>{},
                   jobmessage::UnableToWriteNewMap);
    if (newMap) {
        if (const Status created =
                walk.createOutputs(jobmessage::UnableToCreateNewMap,
                                   FileRoles().replaces(*newMap, map).reads(difData).reads(locator));
            created.failed())
            return JobOutcome::failure(created);
    }

    JobResult result{map.size() / MapBlockSize, 0, 0, {}};
    if (newMap)
        result.written << newMap->target();
    walk.begin(result.blocks);
    ReplacementTable table(result.blocks);
    walk.fail(table.load(locator).withMessage(jobmessage::UnableToReadMapOrDif));
    const bool walked = walk.eachBlock(result.blocks, [&](qint64 block) {
        const qint64 ordinal = table.findNext(block);
        result.records += ordinal >= 0 ? 1 : 0;
        const bool keepWriting = job.force || !check || !check->foundConflict();
        return copyBlock(block, ordinal, map, difData, written, check.get(), keepWriting);
    });
    if (walked)
        walk.fail(copyMapTail(map, written).withMessage(jobmessage::UnableToReadMapOrDif));
    if (walked)
        walk.fail(concludeBaseCheck(
            check.get(), patch, result.blocks, rule, jobmessage::DifFilesDoNotFitMap, map.path(),
            [&](BaseCheck& again) {
                const Status sketched = sketchMapBase(map, result.blocks, again);
                return sketched.failed() ? sketched.withMessage(jobmessage::UnableToReadMapOrDif) : sketched;
            },
            result.base));
    result.dataBytes = written.size();
    return walk.finish({&map, &difData, &locator}, result);
}

}  // namespace

JobOutcome combineMapDiff(const MapCombineJob& job, JobProgress& progress, const CommitOptions& options)
{
    return withMemoryGuard(jobmessage::UnableToWriteNewMap, [&] {
        return combine({job, job.facet, true}, progress, options);
    });
}

JobOutcome verifyMapPatch(const MapVerifyJob& job, JobProgress& progress, const CommitOptions& options)
{
    MapCombineJob asCombined;
    asCombined.currentMap = job.map;
    asCombined.difData = job.difData;
    asCombined.difLocator = job.difLocator;
    asCombined.heightBlocks = job.heightBlocks;
    return withMemoryGuard(jobmessage::UnableToReadMapOrDif, [&] {
        return combine({asCombined, job.facet, false}, progress, options);
    });
}

}  // namespace quillmark
