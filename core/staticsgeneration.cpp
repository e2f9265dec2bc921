#include "diffjobs.h"

#include "difformat.h"
#include "indexentry.h"
#include "inputfile.h"
#include "jobmessages.h"
#include "runs.h"
#include "stagedfile.h"

#include <QFileInfo>

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

}  // namespace

JobOutcome generateStaticsDiff(const StaticsGenerateJob& job, JobProgress& progress)
{
    const qint64 blockCount = QFileInfo(job.currentIndex).size() / IndexEntrySize;

    InputFile referenceData(job.referenceData);
    InputFile referenceIndex(job.referenceIndex);
    if (!referenceData.open() || !referenceIndex.open())
        return JobOutcome::failure(jobmessage::UnableToOpenReferenceOrIndex);
    InputFile currentData(job.currentData);
    InputFile currentIndex(job.currentIndex);
    if (!currentData.open() || !currentIndex.open())
        return JobOutcome::failure(jobmessage::UnableToOpenStaticsDataOrIndex);
    if (referenceIndex.size() != currentIndex.size())
        return JobOutcome::failure(jobmessage::IndexSizesDiffer);
    if (!outputDirectoryExists(job.outDir))
        return JobOutcome::failure(jobmessage::OutputDirMissing);
    StagedFile difData(outputName(job.outDir, StaticsDifDataPart, job.facet));
    StagedFile locator(outputName(job.outDir, StaticsDifLocatorPart, job.facet));
    StagedFile difIndex(outputName(job.outDir, StaticsDifIndexPart, job.facet));
    if (!difData.create() || !locator.create() || !difIndex.create())
        return JobOutcome::failure(jobmessage::UnableToCreateDiffFiles);

    JobOutcome outcome;
    {
        ProgressScope scope(progress, blockCount);
        // Whole entries only: a partial entry at the end is outside the format.
        const qint64 entries = referenceIndex.size() / IndexEntrySize;
        for (qint64 block = 0; block < entries; ++block) {
            if (block % ProgressInterval == 0) {
                if (!scope.advance(block))
                    return JobOutcome::stop();
                if (difData.failed() || locator.failed() || difIndex.failed())
                    return JobOutcome::failure(jobmessage::UnableToWriteDiffFiles);
            }
            const char* referenceBytes = referenceIndex.view(block * IndexEntrySize, IndexEntrySize);
            const char* currentBytes = currentIndex.view(block * IndexEntrySize, IndexEntrySize);
            if (!referenceBytes || !currentBytes)
                return JobOutcome::failure(jobmessage::UnableToReadStatics);
            const IndexEntry reference = IndexEntry::decode(referenceBytes);
            const IndexEntry current = IndexEntry::decode(currentBytes);
            if (!reference.fitsIn(referenceData.size()))
                return JobOutcome::failure(jobmessage::referenceStaticsDamaged(block));
            if (!current.fitsIn(currentData.size()))
                return JobOutcome::failure(jobmessage::currentStaticsDamaged(block));

            const Change change = classify(reference, referenceData, current, currentData);
            if (change == Change::Unreadable)
                return JobOutcome::failure(jobmessage::UnableToReadStatics);
            if (change == Change::None)
                continue;
            IndexEntry record = current;
            if (change == Change::Emptied) {
                record.offset = EmptyOffset;
            } else {
                if (difData.size() + current.length > MaxStaticsDataSize)
                    return JobOutcome::failure(jobmessage::UnableToWriteDiffFiles);
                record.offset = qint32(difData.size());
                if (!copyRun(currentData, current.offset, current.length, difData))
                    return JobOutcome::failure(jobmessage::UnableToReadStatics);
            }
            locator.appendInt32(qint32(block));
            appendIndexEntry(difIndex, record);
            ++outcome.records;
        }
    }
    referenceData.close();
    referenceIndex.close();
    currentData.close();
    currentIndex.close();
    if (!commitStaged({&difData, &locator, &difIndex}))
        return JobOutcome::failure(jobmessage::UnableToWriteDiffFiles);

    outcome.ok = true;
    outcome.blocks = blockCount;
    outcome.dataBytes = difData.size();
    outcome.written = QStringList{locator.target(), difIndex.target(), difData.target()};
    return outcome;
}
