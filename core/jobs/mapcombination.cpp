#include "jobs.h"

#include "blockwalk.h"
#include "difformat.h"
#include "inputfile.h"
#include "jobchecks.h"
#include "jobmessages.h"
#include "mapinput.h"
#include "mapoutput.h"
#include "newmapfile.h"
#include "replacementtable.h"

using namespace difformat;

JobOutcome combineMapDiff(const MapCombineJob& job, JobProgress& progress)
{
    MapInput map(job.currentMap);
    InputFile difData(job.difData);
    InputFile locator(job.difLocator);
    if (const StepFailure failure = openMap(map, jobmessage::UnableToOpenMap))
        return JobOutcome::failure(*failure);
    if (const StepFailure failure = openInputs({&difData, &locator}, jobmessage::UnableToOpenDifFiles))
        return JobOutcome::failure(*failure);
    if (job.outDir.isEmpty())
        return JobOutcome::failure(outputDirectoryFailure(job.outDir));
    MapOutput newMap(mapFileName(job.outDir, job.facet, job.format), job.format, job.facet, map.size());
    BlockWalk walk(progress, {&newMap.staged()}, jobmessage::UnableToWriteNewMap);
    if (const StepFailure failure = createNewMap(walk, newMap))
        return JobOutcome::failure(*failure);

    JobResult result{map.size() / MapBlockSize, 0, 0, {newMap.target()}};
    walk.begin(result.blocks);
    ReplacementTable table(result.blocks);
    if (!table.load(locator))
        walk.fail(inputFailure(jobmessage::UnableToReadMapOrDif, locator));
    const qint64 difRecords = difData.size() / MapBlockSize;
    // The block from the difference data or from the map, whose two kinds of
    // input share their way of viewing bytes.
    const auto copyBlock = [&newMap](auto& source, qint64 record) -> StepFailure {
        const char* bytes = source.view(record * MapBlockSize, MapBlockSize);
        if (!bytes)
            return inputFailure(jobmessage::UnableToReadMapOrDif, source);
        newMap.append(bytes, MapBlockSize);
        return std::nullopt;
    };
    const bool walked = walk.walk(result.blocks, [&](qint64 block) -> StepFailure {
        const qint64 ordinal = table.findNext(block);
        if (ordinal >= difRecords)
            return JobFailure{jobmessage::difFilesDamaged(block), difData.path(),
                              QStringLiteral("It holds %1 records, the locator names record %2")
                                  .arg(difRecords)
                                  .arg(ordinal)};
        if (ordinal < 0)
            return copyBlock(map, block);
        ++result.records;
        return copyBlock(difData, ordinal);
    });
    return finishNewMap(walk, walked, map, newMap, result, jobmessage::UnableToReadMapOrDif,
                        {&difData, &locator});
}
