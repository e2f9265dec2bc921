#include "jobs.h"

#include "blockwalk.h"
#include "fileformat.h"
#include "indexentry.h"
#include "inputfile.h"
#include "jobchecks.h"
#include "jobmessages.h"
#include "mapinput.h"
#include "patchcheck.h"

namespace quillmark {

using namespace difformat;

namespace {

// The base's case, once a check has had every block: a conflict or a
// missing manifest is a finding here, not a failure.
JobOutcome conclude(BlockWalk& walk, BaseCheck* check, const PatchManifest& patch,
                    std::initializer_list<Input*> inputs, JobResult result)
{
    if (check)
        result.base = check->conclude(result.blocks);
    result.base.manifest = patch.path;
    return walk.finish(inputs, std::move(result));
}

JobOutcome verifyMap(const MapVerifyJob& job, JobProgress& progress, const CommitOptions& options)
{
    MapInput map(job.map, *options.files);
    InputFile difData(job.difData, *options.files);
    InputFile locator(job.difLocator, *options.files);
    Status checked = openInputs({&map}, jobmessage::UnableToOpenMap, options);
    if (checked.ok())
        checked = checkRecordCount(map, MapBlockSize, jobmessage::UnableToOpenMap);
    if (checked.ok())
        checked = openInputs({&difData, &locator}, jobmessage::UnableToOpenDifFiles, options);
    PatchManifest patch;
    if (checked.ok())
        checked = loadPatchManifest(PatchKind::Map, {&locator, &difData}, jobmessage::UnableToOpenDifFiles,
                                    jobmessage::UnableToReadMapOrDif, *options.files, patch);
    if (checked.failed())
        return JobOutcome::failure(checked);

    JobResult result{map.size() / MapBlockSize, locator.size() / LocatorRecordSize, 0, {}};
    BlockWalk walk(progress, options, {}, jobmessage::UnableToReadMapOrDif);
    const std::unique_ptr<BaseCheck> check = patch.startCheck();
    if (check) {
        walk.eachBlock(result.blocks, [&](qint64 block) {
            const char* bytes = nullptr;
            if (const Status viewed = map.view(block * MapBlockSize, MapBlockSize, bytes); viewed.failed())
                return viewed.withMessage(jobmessage::UnableToReadMapOrDif);
            check->addBaseBlock(block, blockHash(bytes + MapHeaderSize, MapPayloadSize));
            return Status();
        });
    }
    return conclude(walk, check.get(), patch, {&map, &difData, &locator}, std::move(result));
}

// A block of the statics pair, for the check: its entry, and its bytes
// hashed. A damaged entry fails as the combination would fail on it, unless
// a record replaces the block.
Status checkStaticsBlock(qint64 block, Input& index, Input& data, BaseCheck& check)
{
    const char* bytes = nullptr;
    if (const Status viewed = index.view(block * IndexEntrySize, IndexEntrySize, bytes); viewed.failed())
        return viewed.withMessage(jobmessage::UnableToReadStaticsOrDif);
    const IndexEntry entry = IndexEntry::decode(bytes);
    if (!entry.fitsIn(data.size()) && !check.replaces(block))
        return damagedEntry(jobmessage::currentStaticsDamaged(block), index, entry, data.size(), block);
    if (!entry.fitsIn(data.size())) {
        check.addDamagedBlock(block);
        return Status();
    }
    quint64 hash = 0;
    if (const Status read = entry.isEmpty() ? Status() : hashRun(data, entry.offset, entry.length, hash);
        read.failed())
        return read.withMessage(jobmessage::UnableToReadStaticsOrDif);
    check.addBaseBlock(block, hash);
    return Status();
}

JobOutcome verifyStatics(const StaticsVerifyJob& job, JobProgress& progress, const CommitOptions& options)
{
    InputFile data(job.data, *options.files);
    InputFile index(job.index, *options.files);
    InputFile difData(job.difData, *options.files);
    InputFile difIndex(job.difIndex, *options.files);
    InputFile locator(job.difLocator, *options.files);
    Status checked = openInputs({&data, &index}, jobmessage::UnableToOpenStatics, options);
    if (checked.ok())
        checked = checkRecordCount(index, IndexEntrySize, jobmessage::UnableToOpenStatics);
    if (checked.ok())
        checked = openInputs({&difData, &difIndex, &locator}, jobmessage::UnableToOpenDifFiles, options);
    PatchManifest patch;
    if (checked.ok())
        checked = loadPatchManifest(PatchKind::Statics, {&locator, &difIndex, &difData},
                                    jobmessage::UnableToOpenDifFiles, jobmessage::UnableToReadStaticsOrDif,
                                    *options.files, patch);
    if (checked.failed())
        return JobOutcome::failure(checked);

    JobResult result{index.size() / IndexEntrySize, locator.size() / LocatorRecordSize, 0, {}};
    BlockWalk walk(progress, options, {}, jobmessage::UnableToReadStaticsOrDif);
    const std::unique_ptr<BaseCheck> check = patch.startCheck();
    if (check)
        walk.eachBlock(result.blocks,
                       [&](qint64 block) { return checkStaticsBlock(block, index, data, *check); });
    return conclude(walk, check.get(), patch, {&data, &index, &difData, &difIndex, &locator},
                    std::move(result));
}

}  // namespace

JobOutcome verifyMapPatch(const MapVerifyJob& job, JobProgress& progress, const CommitOptions& options)
{
    return withMemoryGuard(jobmessage::UnableToReadMapOrDif,
                           [&] { return verifyMap(job, progress, options); });
}

JobOutcome verifyStaticsPatch(const StaticsVerifyJob& job, JobProgress& progress,
                              const CommitOptions& options)
{
    return withMemoryGuard(jobmessage::UnableToReadStaticsOrDif,
                           [&] { return verifyStatics(job, progress, options); });
}

}  // namespace quillmark
