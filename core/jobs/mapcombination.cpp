#include "jobs.h"

#include "blockwalk.h"
#include "fileformat.h"
#include "inputfile.h"
#include "jobchecks.h"
#include "jobmessages.h"
#include "mapinput.h"
#include "mapoutput.h"
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

// The block from the difference data when the locator names it (every
// record has its block there, see checkLocatorFits()), else from the map.
Status copyBlock(qint64 block, qint64 ordinal, MapInput& map, InputFile& difData, Output& newMap)
{
    Input& source = ordinal < 0 ? static_cast<Input&>(map) : difData;
    const char* bytes = nullptr;
    const Status viewed = source.view((ordinal < 0 ? block : ordinal) * MapBlockSize, MapBlockSize, bytes);
    if (viewed.failed())
        return viewed.withMessage(jobmessage::UnableToReadMapOrDif);
    newMap.append(bytes, MapBlockSize);
    return Status();
}

}  // namespace
namespace {

// namespace
JobOutcome run(const MapCombineJob& job, JobProgress& progress, const CommitOptions& options)
{
    MapInput map(job.currentMap, *options.files);
    InputFile difData(job.difData, *options.files);
    InputFile locator(job.difLocator, *options.files);
    if (const Status checked = checkInputs(job, map, difData, locator, options); checked.failed())
        return JobOutcome::failure(checked);
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
    const bool walked = walk.eachBlock(result.blocks, [&](qint64 block) {
        const qint64 ordinal = table.findNext(block);
        result.records += ordinal >= 0 ? 1 : 0;
        return copyBlock(block, ordinal, map, difData, *newMap);
    });
    if (walked)
        walk.fail(copyMapTail(map, *newMap).withMessage(jobmessage::UnableToReadMapOrDif));
    result.dataBytes = newMap->size();
    return walk.finish({&map, &difData, &locator}, result);
}

}  // namespace

JobOutcome combineMapDiff(const MapCombineJob& job, JobProgress& progress, const CommitOptions& options)
{
    return withMemoryGuard(jobmessage::UnableToWriteNewMap, [&] { return run(job, progress, options); });
}

}  // namespace quillmark
