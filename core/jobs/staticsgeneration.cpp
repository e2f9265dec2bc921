#include "jobs.h"

#include "blockwalk.h"
#include "difformat.h"
#include "indexentry.h"
#include "inputfile.h"
#include "jobchecks.h"
#include "jobmessages.h"
#include "runs.h"
#include "stagedfile.h"

using namespace difformat;

namespace {

enum class Change { None, Emptied, Changed, Unreadable };

// The reference side only decides whether a record is written; extra and the
// offsets themselves never take part (a block that only moved is unchanged).
Change classify(const IndexEntry& reference, InputFile& referenceData, const IndexEntry& current,
                InputFile& currentData)
{
    if (current.isEmpty())
        return reference.isEmpty() ? Change::None : Change::Emptied;
    if (reference.isEmpty() || reference.length != current.length)
        return Change::Changed;
    switch (compareRuns(referenceData, reference.offset, currentData, current.offset, current.length)) {
    case RunComparison::Equal:
        return Change::None;
    case RunComparison::Different:
        return Change::Changed;
    case RunComparison::Unreadable:
        break;
    }
    return Change::Unreadable;
}

struct StaticsPair
{
    InputFile& index;
    InputFile& data;
};

// The three difference files, growing together.
struct DifWriter
{
    StagedFile& locator;
    StagedFile& index;
    StagedFile& data;
    qint64 records = 0;
};

StepFailure appendRecord(qint64 block, Change change, const IndexEntry& current, InputFile& currentData,
                         DifWriter& writer)
{
    IndexEntry record = current;
    if (change == Change::Emptied) {
        record.offset = EmptyOffset;
    } else {
        if (writer.data.size() + current.length > MaxStaticsDataSize)
            return JobFailure{jobmessage::UnableToWriteDiffFiles, writer.data.target(),
                              QStringLiteral("It would grow past 2 GiB")};
        record.offset = qint32(writer.data.size());
        if (!copyRun(currentData, current.offset, current.length, writer.data))
            return inputFailure(jobmessage::UnableToReadStatics, currentData);
    }
    writer.locator.appendInt32(qint32(block));
    appendIndexEntry(writer.index, record);
    ++writer.records;
    return std::nullopt;
}

// Compares block `block` of the two pairs and records it when it changed.
StepFailure writeBlockDifference(qint64 block, const StaticsPair& reference, const StaticsPair& current,
                                 DifWriter& writer)
{
    const char* referenceBytes = reference.index.view(block * IndexEntrySize, IndexEntrySize);
    if (!referenceBytes)
        return inputFailure(jobmessage::UnableToReadStatics, reference.index);
    const IndexEntry was = IndexEntry::decode(referenceBytes);
    const char* currentBytes = current.index.view(block * IndexEntrySize, IndexEntrySize);
    if (!currentBytes)
        return inputFailure(jobmessage::UnableToReadStatics, current.index);
    const IndexEntry now = IndexEntry::decode(currentBytes);
    if (!was.fitsIn(reference.data.size()))
        return damagedEntry(jobmessage::referenceStaticsDamaged(block), reference.index, was,
                            reference.data.size());
    if (!now.fitsIn(current.data.size()))
        return damagedEntry(jobmessage::currentStaticsDamaged(block), current.index, now,
                            current.data.size());

    const Change change = classify(was, reference.data, now, current.data);
    if (change == Change::Unreadable)
        return inputFailure(jobmessage::UnableToReadStatics,
                            reference.data.errorString().isEmpty() ? current.data : reference.data);
    if (change == Change::None)
        return std::nullopt;
    return appendRecord(block, change, now, current.data, writer);
}

}  // namespace

JobOutcome generateStaticsDiff(const StaticsGenerateJob& job, JobProgress& progress)
{
    InputFile referenceData(job.referenceData);
    InputFile referenceIndex(job.referenceIndex);
    InputFile currentData(job.currentData);
    InputFile currentIndex(job.currentIndex);
    if (const StepFailure failure =
            openInputs({&referenceData, &referenceIndex}, jobmessage::UnableToOpenReferenceOrIndex))
        return JobOutcome::failure(*failure);
    if (const StepFailure failure =
            openInputs({&currentData, &currentIndex}, jobmessage::UnableToOpenStaticsDataOrIndex))
        return JobOutcome::failure(*failure);
    if (referenceIndex.size() != currentIndex.size())
        return JobOutcome::failure(sizesDiffer(jobmessage::IndexSizesDiffer, referenceIndex, currentIndex));
    if (!outputDirectoryExists(job.outDir))
        return JobOutcome::failure(outputDirectoryFailure(job.outDir));
    StagedFile difData(outputName(job.outDir, StaticsDifDataPart, job.facet));
    StagedFile locator(outputName(job.outDir, StaticsDifLocatorPart, job.facet));
    StagedFile difIndex(outputName(job.outDir, StaticsDifIndexPart, job.facet));
    BlockWalk walk(progress, {&difData, &locator, &difIndex}, jobmessage::UnableToWriteDiffFiles);
    if (const StepFailure failure = walk.createOutputs(jobmessage::UnableToCreateDiffFiles))
        return JobOutcome::failure(*failure);

    // Whole entries only: a partial entry at the end is outside the format.
    JobResult result{
        currentIndex.size() / IndexEntrySize, 0, 0, {locator.target(), difIndex.target(), difData.target()}};
    const StaticsPair reference{referenceIndex, referenceData};
    const StaticsPair current{currentIndex, currentData};
    DifWriter writer{locator, difIndex, difData};
    walk.walk(result.blocks, [&](qint64 block) -> StepFailure {
        const StepFailure failure = writeBlockDifference(block, reference, current, writer);
        result.records = writer.records;
        return failure;
    });
    result.dataBytes = difData.size();
    return walk.finish({&referenceData, &referenceIndex, &currentData, &currentIndex}, result);
}
