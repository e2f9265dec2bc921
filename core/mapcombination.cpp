#include "diffjobs.h"

#include "difformat.h"
#include "inputfile.h"
#include "jobmessages.h"
#include "replacementtable.h"
#include "stagedfile.h"

#include <QFileInfo>

using namespace difformat;

JobOutcome combineMapDiff(const MapCombineJob& job, JobProgress& progress)
{
    const qint64 mapSize = QFileInfo(job.currentMap).size();
    const qint64 blockCount = mapSize / MapBlockSize;

    InputFile map(job.currentMap);
    if (!map.open())
        return JobOutcome::failure(jobmessage::UnableToOpenMap);
    InputFile difData(job.difData);
    if (!difData.open())
        return JobOutcome::failure(jobmessage::UnableToOpenDifFiles);
    InputFile locator(job.difLocator);
    if (!locator.open())
        return JobOutcome::failure(jobmessage::UnableToOpenDifFiles);
    if (job.outDir.isEmpty())
        return JobOutcome::failure(jobmessage::OutputDirMissing);
    StagedFile newMap(outputName(job.outDir, MapPart, job.facet));
    if (!newMap.create())
        return JobOutcome::failure(jobmessage::UnableToCreateNewMap);

    JobOutcome outcome;
    {
        ProgressScope scope(progress, blockCount);
        ReplacementTable table(blockCount);
        if (!table.load(locator))
            return JobOutcome::failure(jobmessage::UnableToReadMapOrDif);
        for (qint64 block = 0; block < blockCount; ++block) {
            if (block % ProgressInterval == 0) {
                if (!scope.advance(block))
                    return JobOutcome::stop();
                if (newMap.failed())
                    return JobOutcome::failure(jobmessage::UnableToWriteNewMap);
            }
            const qint64 ordinal = table.find(block);
            const char* source;
            if (ordinal >= 0) {
                if (ordinal >= difData.size() / MapBlockSize)
                    return JobOutcome::failure(jobmessage::difFilesDamaged(block));
                source = difData.view(ordinal * MapBlockSize, MapBlockSize);
                ++outcome.records;
            } else {
                source = map.view(block * MapBlockSize, MapBlockSize);
            }
            if (!source)
                return JobOutcome::failure(jobmessage::UnableToReadMapOrDif);
            newMap.append(source, MapBlockSize);
        }
        // Bytes past the last whole block are outside the format; they are
        // carried over unchanged so that nothing of the map is lost.
        const qint64 fragment = mapSize - blockCount * MapBlockSize;
        if (fragment > 0) {
            const char* tail = map.view(blockCount * MapBlockSize, fragment);
            if (!tail)
                return JobOutcome::failure(jobmessage::UnableToReadMapOrDif);
            newMap.append(tail, fragment);
        }
    }
    map.close();
    difData.close();
    locator.close();
    if (!commitStaged({&newMap}))
        return JobOutcome::failure(jobmessage::UnableToWriteNewMap);

    outcome.ok = true;
    outcome.blocks = blockCount;
    outcome.dataBytes = newMap.size();
    outcome.written = QStringList{newMap.target()};
    return outcome;
}
