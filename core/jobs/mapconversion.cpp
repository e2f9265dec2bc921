#include "jobs.h"

#include "blockwalk.h"
#include "difformat.h"
#include "jobchecks.h"
#include "jobmessages.h"
#include "mapinput.h"
#include "mapoutput.h"
#include "newmapfile.h"

using namespace difformat;

// A map copied block by block into the form asked for: the same bytes, the
// same staged output and progress as a combination without differences.
JobOutcome convertMap(const MapConvertJob& job, JobProgress& progress)
{
    MapInput map(job.map);
    if (const StepFailure failure = openMap(map, jobmessage::UnableToOpenMap))
        return JobOutcome::failure(*failure);
    if (job.outDir.isEmpty())
        return JobOutcome::failure(outputDirectoryFailure(job.outDir));
    MapOutput newMap(mapFileName(job.outDir, job.facet, job.format), job.format, job.facet, map.size());
    BlockWalk walk(progress, {&newMap.staged()}, jobmessage::UnableToWriteNewMap);
    if (const StepFailure failure = createNewMap(walk, newMap))
        return JobOutcome::failure(*failure);

    JobResult result{map.size() / MapBlockSize, 0, 0, {newMap.target()}};
    const bool walked = walk.walk(result.blocks, [&](qint64 block) -> StepFailure {
        const char* bytes = map.view(block * MapBlockSize, MapBlockSize);
        if (!bytes)
            return inputFailure(jobmessage::UnableToReadMap, map);
        newMap.append(bytes, MapBlockSize);
        return std::nullopt;
    });
    return finishNewMap(walk, walked, map, newMap, result, jobmessage::UnableToReadMap, {});
}
