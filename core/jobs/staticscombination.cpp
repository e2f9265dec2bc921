#include "jobs.h"

#include "blockwalk.h"
#include "difformat.h"
#include "indexentry.h"
#include "inputfile.h"
#include "jobchecks.h"
#include "jobmessages.h"
#include "replacementtable.h"
#include "runs.h"
#include "stagedfile.h"

using namespace difformat;

namespace {

// Where a block of the new pair comes from: the current pair, or the
// difference files when the locator names it.
struct BlockSource
{
    InputFile& index;
    InputFile& data;
    qint64 entryNumber;
    bool replaced;
};

// The new data file is compact and in block order: every offset is where the
// block's bytes land now.
StepFailure appendBlock(const BlockSource& source, IndexEntry entry, StagedFile& newIndex,
                        StagedFile& newData)
{
    if (!entry.isEmpty()) {
        if (newData.size() + entry.length > MaxStaticsDataSize)
            return JobFailure{jobmessage::UnableToWriteNewStatics, newData.target(),
                              QStringLiteral("It would grow past 2 GiB")};
        const qint64 from = entry.offset;
        entry.offset = qint32(newData.size());
        if (!copyRun(source.data, from, entry.length, newData))
            return inputFailure(jobmessage::UnableToReadStaticsOrDif, source.data);
    }
    appendIndexEntry(newIndex, entry);
    return std::nullopt;
}

StepFailure combineBlock(qint64 block, const BlockSource& source, StagedFile& newIndex, StagedFile& newData)
{
    if (source.replaced && source.entryNumber >= source.index.size() / IndexEntrySize)
        return JobFailure{jobmessage::difFilesDamaged(block), source.index.path(),
                          QStringLiteral("It holds %1 records, the locator names record %2")
                              .arg(source.index.size() / IndexEntrySize)
                              .arg(source.entryNumber)};
    const char* bytes = source.index.view(source.entryNumber * IndexEntrySize, IndexEntrySize);
    if (!bytes)
        return inputFailure(jobmessage::UnableToReadStaticsOrDif, source.index);
    const IndexEntry entry = IndexEntry::decode(bytes);
    if (!entry.fitsIn(source.data.size()))
        return damagedEntry(source.replaced ? jobmessage::difFilesDamaged(block)
                                            : jobmessage::currentStaticsDamaged(block),
                            source.index, entry, source.data.size());
    return appendBlock(source, entry, newIndex, newData);
}

}  // namespace

JobOutcome combineStaticsDiff(const StaticsCombineJob& job, JobProgress& progress)
{
    InputFile currentData(job.currentData);
    InputFile currentIndex(job.currentIndex);
    InputFile difData(job.difData);
    InputFile difIndex(job.difIndex);
    InputFile locator(job.difLocator);
    if (const StepFailure failure =
            openInputs({&currentData, &currentIndex}, jobmessage::UnableToOpenStatics))
        return JobOutcome::failure(*failure);
    if (const StepFailure failure =
            openInputs({&difData, &difIndex, &locator}, jobmessage::UnableToOpenDifFiles))
        return JobOutcome::failure(*failure);
    if (job.outDir.isEmpty())
        return JobOutcome::failure(outputDirectoryFailure(job.outDir));
    StagedFile newData(outputName(job.outDir, StaticsDataPart, job.facet));
    StagedFile newIndex(outputName(job.outDir, StaticsIndexPart, job.facet));
    BlockWalk walk(progress, {&newData, &newIndex}, jobmessage::UnableToWriteNewStatics);
    if (const StepFailure failure = walk.createOutputs(jobmessage::UnableToCreateNewStatics))
        return JobOutcome::failure(*failure);

    JobResult result{currentIndex.size() / IndexEntrySize, 0, 0, {newIndex.target(), newData.target()}};
    walk.begin(result.blocks);
    ReplacementTable table(result.blocks);
    if (!table.load(locator))
        walk.fail(inputFailure(jobmessage::UnableToReadStaticsOrDif, locator));
    walk.walk(result.blocks, [&](qint64 block) -> StepFailure {
        const qint64 ordinal = table.findNext(block);
        const bool replaced = ordinal >= 0;
        result.records += replaced ? 1 : 0;
        return combineBlock(block,
                            {replaced ? difIndex : currentIndex, replaced ? difData : currentData,
                             replaced ? ordinal : block, replaced},
                            newIndex, newData);
    });
    result.dataBytes = newData.size();
    return walk.finish({&currentData, &currentIndex, &difData, &difIndex, &locator}, result);
}
