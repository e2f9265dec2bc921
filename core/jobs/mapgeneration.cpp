#include "jobs.h"

#include "blockwalk.h"
#include "difformat.h"
#include "jobchecks.h"
#include "jobmessages.h"
#include "mapinput.h"
#include "stagedfile.h"

#include <cstring>

using namespace difformat;

JobOutcome generateMapDiff(const MapGenerateJob& job, JobProgress& progress)
{
    MapInput reference(job.referenceMap);
    MapInput current(job.currentMap);
    if (const StepFailure failure = openMap(reference, jobmessage::UnableToOpenReferenceData))
        return JobOutcome::failure(*failure);
    if (const StepFailure failure = openMap(current, jobmessage::UnableToOpenMapData))
        return JobOutcome::failure(*failure);
    if (current.size() != reference.size())
        return JobOutcome::failure(sizesDiffer(jobmessage::MapSizesDiffer, reference, current));
    if (!outputDirectoryExists(job.outDir))
        return JobOutcome::failure(outputDirectoryFailure(job.outDir));
    StagedFile difData(outputName(job.outDir, MapDifDataPart, job.facet));
    StagedFile locator(outputName(job.outDir, MapDifLocatorPart, job.facet));
    BlockWalk walk(progress, {&difData, &locator}, jobmessage::UnableToWriteDiffFiles);
    if (const StepFailure failure = walk.createOutputs(jobmessage::UnableToCreateDiffFiles))
        return JobOutcome::failure(*failure);

    // A trailing fragment shorter than a block is outside the format and is
    // not compared.
    JobResult result{current.size() / MapBlockSize, 0, 0, {locator.target(), difData.target()}};
    walk.walk(result.blocks, [&](qint64 block) -> StepFailure {
        const char* referenceBlock = reference.view(block * MapBlockSize, MapBlockSize);
        if (!referenceBlock)
            return inputFailure(jobmessage::UnableToReadMapData, reference);
        const char* currentBlock = current.view(block * MapBlockSize, MapBlockSize);
        if (!currentBlock)
            return inputFailure(jobmessage::UnableToReadMapData, current);
        // Only the payload counts; the record carries the current header.
        if (memcmp(referenceBlock + MapHeaderSize, currentBlock + MapHeaderSize, MapPayloadSize) != 0) {
            locator.appendInt32(qint32(block));
            difData.append(currentBlock, MapBlockSize);
            ++result.records;
        }
        return std::nullopt;
    });
    result.dataBytes = difData.size();
    // Closed before the commit, as finish() closes the inputs it is given.
    reference.close();
    current.close();
    return walk.finish({}, result);
}
