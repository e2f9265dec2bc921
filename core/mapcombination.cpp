#include "diffjobs.h"

#include "blockwalk.h"
#include "difformat.h"
#include "inputfile.h"
#include "jobchecks.h"
#include "jobmessages.h"
#include "replacementtable.h"
#include "stagedfile.h"

using namespace difformat;

namespace {

// Bytes past the last whole block are outside the format; they are carried
// over unchanged so that nothing of the map is lost.
StepFailure copyFragment(InputFile& map, qint64 blockCount, StagedFile& newMap)
{
    const qint64 fragment = map.size() - blockCount * MapBlockSize;
    if (fragment == 0)
        return std::nullopt;
    const char* tail = map.view(blockCount * MapBlockSize, fragment);
    if (!tail)
        return inputFailure(jobmessage::UnableToReadMapOrDif, map);
    newMap.append(tail, fragment);
    return std::nullopt;
}

}  // namespace

JobOutcome combineMapDiff(const MapCombineJob& job, JobProgress& progress)
{
    InputFile map(job.currentMap);
    InputFile difData(job.difData);
    InputFile locator(job.difLocator);
    if (const StepFailure failure = openInputs({&map}, jobmessage::UnableToOpenMap))
        return JobOutcome::failure(*failure);
    if (const StepFailure failure = openInputs({&difData, &locator}, jobmessage::UnableToOpenDifFiles))
        return JobOutcome::failure(*failure);
    if (job.outDir.isEmpty())
        return JobOutcome::failure(outputDirectoryFailure(job.outDir));
    StagedFile newMap(outputName(job.outDir, MapPart, job.facet));
    BlockWalk walk(progress, {&newMap}, jobmessage::UnableToWriteNewMap);
    if (const StepFailure failure = walk.createOutputs(jobmessage::UnableToCreateNewMap))
        return JobOutcome::failure(*failure);

    JobResult result{map.size() / MapBlockSize, 0, 0, {newMap.target()}};
    walk.begin(result.blocks);
    ReplacementTable table(result.blocks);
    if (!table.load(locator))
        walk.fail(inputFailure(jobmessage::UnableToReadMapOrDif, locator));
    const qint64 difRecords = difData.size() / MapBlockSize;
    const bool walked = walk.walk(result.blocks, [&](qint64 block) -> StepFailure {
        const qint64 ordinal = table.find(block);
        if (ordinal >= difRecords)
            return JobFailure{jobmessage::difFilesDamaged(block), difData.path(),
                              QStringLiteral("It holds %1 records, the locator names record %2")
                                  .arg(difRecords)
                                  .arg(ordinal)};
        InputFile& source = ordinal >= 0 ? difData : map;
        const char* bytes = source.view((ordinal >= 0 ? ordinal : block) * MapBlockSize, MapBlockSize);
        if (!bytes)
            return inputFailure(jobmessage::UnableToReadMapOrDif, source);
        result.records += ordinal >= 0 ? 1 : 0;
        newMap.append(bytes, MapBlockSize);
        return std::nullopt;
    });
    if (const StepFailure failure = walked ? copyFragment(map, result.blocks, newMap) : std::nullopt)
        walk.fail(*failure);
    result.dataBytes = newMap.size();
    return walk.finish({&map, &difData, &locator}, result);
}
