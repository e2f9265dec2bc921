#include "diffjobs.h"

#include "difformat.h"
#include "inputfile.h"
#include "jobmessages.h"
#include "stagedfile.h"

#include <QFileInfo>

#include <cstring>

using namespace difformat;

JobOutcome generateMapDiff(const MapGenerateJob& job, JobProgress& progress)
{
    const qint64 currentSize = QFileInfo(job.currentMap).size();
    const qint64 referenceSize = QFileInfo(job.referenceMap).size();
    // A trailing fragment shorter than a block is outside the format and is
    // not compared.
    const qint64 blockCount = currentSize / MapBlockSize;

    InputFile reference(job.referenceMap);
    if (!reference.open())
        return JobOutcome::failure(jobmessage::UnableToOpenReferenceData);
    InputFile current(job.currentMap);
    if (!current.open())
        return JobOutcome::failure(jobmessage::UnableToOpenMapData);
    if (currentSize != referenceSize)
        return JobOutcome::failure(jobmessage::MapSizesDiffer);
    if (!outputDirectoryExists(job.outDir))
        return JobOutcome::failure(jobmessage::OutputDirMissing);
    StagedFile difData(outputName(job.outDir, MapDifDataPart, job.facet));
    StagedFile locator(outputName(job.outDir, MapDifLocatorPart, job.facet));
    if (!difData.create() || !locator.create())
        return JobOutcome::failure(jobmessage::UnableToCreateDiffFiles);

    JobOutcome outcome;
    {
        ProgressScope scope(progress, blockCount);
        for (qint64 block = 0; block < blockCount; ++block) {
            if (block % ProgressInterval == 0) {
                if (!scope.advance(block))
                    return JobOutcome::stop();
                if (difData.failed() || locator.failed())
                    return JobOutcome::failure(jobmessage::UnableToWriteDiffFiles);
            }
            const char* referenceBlock = reference.view(block * MapBlockSize, MapBlockSize);
            const char* currentBlock = current.view(block * MapBlockSize, MapBlockSize);
            if (!referenceBlock || !currentBlock)
                return JobOutcome::failure(jobmessage::UnableToReadMapData);
            // Only the payload counts; the record carries the current header.
            if (memcmp(referenceBlock + MapHeaderSize, currentBlock + MapHeaderSize, MapPayloadSize) != 0) {
                locator.appendInt32(qint32(block));
                difData.append(currentBlock, MapBlockSize);
                ++outcome.records;
            }
        }
    }
    reference.close();
    current.close();
    if (!commitStaged({&difData, &locator}))
        return JobOutcome::failure(jobmessage::UnableToWriteDiffFiles);

    outcome.ok = true;
    outcome.blocks = blockCount;
    outcome.dataBytes = difData.size();
    outcome.written = QStringList{locator.target(), difData.target()};
    return outcome;
}
