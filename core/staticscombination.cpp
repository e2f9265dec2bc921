#include "diffjobs.h"

#include "difformat.h"
#include "indexentry.h"
#include "inputfile.h"
#include "jobmessages.h"
#include "replacementtable.h"
#include "runs.h"
#include "stagedfile.h"

#include <QFileInfo>

using namespace difformat;

JobOutcome combineStaticsDiff(const StaticsCombineJob& job, JobProgress& progress)
{
    const qint64 blockCount = QFileInfo(job.currentIndex).size() / IndexEntrySize;

    InputFile currentData(job.currentData);
    InputFile currentIndex(job.currentIndex);
    if (!currentData.open() || !currentIndex.open())
        return JobOutcome::failure(jobmessage::UnableToOpenStatics);
    InputFile difData(job.difData);
    InputFile difIndex(job.difIndex);
    InputFile locator(job.difLocator);
    if (!difData.open() || !difIndex.open() || !locator.open())
        return JobOutcome::failure(jobmessage::UnableToOpenDifFiles);
    if (job.outDir.isEmpty())
        return JobOutcome::failure(jobmessage::OutputDirMissing);
    StagedFile newData(outputName(job.outDir, StaticsDataPart, job.facet));
    StagedFile newIndex(outputName(job.outDir, StaticsIndexPart, job.facet));
    if (!newData.create() || !newIndex.create())
        return JobOutcome::failure(jobmessage::UnableToCreateNewStatics);

    JobOutcome outcome;
    {
        ProgressScope scope(progress, blockCount);
        ReplacementTable table(blockCount);
        if (!table.load(locator))
            return JobOutcome::failure(jobmessage::UnableToReadStaticsOrDif);
        const qint64 difRecords = difIndex.size() / IndexEntrySize;
        for (qint64 block = 0; block < blockCount; ++block) {
            if (block % ProgressInterval == 0) {
                if (!scope.advance(block))
                    return JobOutcome::stop();
                if (newData.failed() || newIndex.failed())
                    return JobOutcome::failure(jobmessage::UnableToWriteNewStatics);
            }
            const qint64 ordinal = table.find(block);
            const bool replaced = ordinal >= 0;
            if (replaced && ordinal >= difRecords)
                return JobOutcome::failure(jobmessage::difFilesDamaged(block));
            InputFile& index = replaced ? difIndex : currentIndex;
            InputFile& data = replaced ? difData : currentData;
            const char* entryBytes =
                index.view((replaced ? ordinal : block) * IndexEntrySize, IndexEntrySize);
            if (!entryBytes)
                return JobOutcome::failure(jobmessage::UnableToReadStaticsOrDif);
            IndexEntry entry = IndexEntry::decode(entryBytes);
            if (!entry.fitsIn(data.size()))
                return JobOutcome::failure(replaced ? jobmessage::difFilesDamaged(block)
                                                    : jobmessage::currentStaticsDamaged(block));
            if (replaced)
                ++outcome.records;

            // The new data file is compact and in block order: every offset
            // is where the block's bytes land now.
            if (!entry.isEmpty()) {
                if (newData.size() + entry.length > MaxStaticsDataSize)
                    return JobOutcome::failure(jobmessage::UnableToWriteNewStatics);
                const qint64 from = entry.offset;
                entry.offset = qint32(newData.size());
                if (!copyRun(data, from, entry.length, newData))
                    return JobOutcome::failure(jobmessage::UnableToReadStaticsOrDif);
            }
            appendIndexEntry(newIndex, entry);
        }
    }
    currentData.close();
    currentIndex.close();
    difData.close();
    difIndex.close();
    locator.close();
    if (!commitStaged({&newData, &newIndex}))
        return JobOutcome::failure(jobmessage::UnableToWriteNewStatics);

    outcome.ok = true;
    outcome.blocks = blockCount;
    outcome.dataBytes = newData.size();
    outcome.written = QStringList{newIndex.target(), newData.target()};
    return outcome;
}
