#include "jobs.h"

#include "blockwalk.h"
#include "fileformat.h"
#include "jobchecks.h"
#include "jobmessages.h"
#include "mapinput.h"
#include "mapoutput.h"
#include "runs.h"

namespace quillmark {

using namespace difformat;

namespace {

// A map copied block by block into the form asked for: the same bytes, the
// same staged output and progress as a combination without differences.
JobOutcome run(const MapConvertJob& job, JobProgress& progress, const CommitOptions& options)
{
    MapInput map(job.map, *options.files);
    Status checked = openInputs({&map}, jobmessage::UnableToOpenMap, options);
    if (checked.ok())
        checked = checkRecordCount(map, MapBlockSize, jobmessage::UnableToOpenMap);
    if (checked.ok())
        checked = checkOutputDirectoryNamed(job.outDir, *options.files);
    if (checked.failed())
        return JobOutcome::failure(checked);
    const std::unique_ptr<Output> newMap = makeMapOutput(mapFileName(job.outDir, job.facet, job.format),
                                                         job.format, job.facet, map.size(), *options.files);
    BlockWalk walk(progress, options, {newMap.get()}, jobmessage::UnableToWriteNewMap);
    if (const Status created =
            walk.createOutputs(jobmessage::UnableToCreateNewMap, FileRoles().replaces(*newMap, map));
        created.failed())
        return JobOutcome::failure(created);

    JobResult result{map.size() / MapBlockSize, 0, 0, {newMap->target()}};
    const bool walked = walk.eachBlock(result.blocks, [&](qint64 block) {
        return copyRun(map, block * MapBlockSize, MapBlockSize, *newMap)
            .withMessage(jobmessage::UnableToReadMap);
    });
    if (walked)
        walk.fail(copyMapTail(map, *newMap).withMessage(jobmessage::UnableToReadMap));
    result.dataBytes = newMap->size();
    return walk.finish({&map}, result);
}

}  // namespace

JobOutcome convertMap(const MapConvertJob& job, JobProgress& progress, const CommitOptions& options)
{
    return withMemoryGuard(jobmessage::UnableToWriteNewMap, [&] { return run(job, progress, options); });
}

}  // namespace quillmark
