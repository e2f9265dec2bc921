#include "jobs.h"

#include "blockwalk.h"
#include "fileformat.h"
#include "indexentry.h"
#include "inputfile.h"
#include "jobchecks.h"
#include "jobmessages.h"
#include "runs.h"
#include "stagedfile.h"

namespace quillmark {

using namespace difformat;

namespace {

enum class Change { None, Emptied, Changed };

// The reference side only decides whether a record is written; extra and the
// offsets themselves never take part (a block that only moved is unchanged).
Status classify(const IndexEntry& reference, Input& referenceData, const IndexEntry& current,
                Input& currentData, Change& change)
{
    change = Change::Changed;
    if (current.isEmpty()) {
        change = reference.isEmpty() ? Change::None : Change::Emptied;
        return Status();
    }
    if (reference.isEmpty() || reference.length != current.length)
        return Status();
    RunComparison comparison = RunComparison::Different;
    const Status compared =
        compareRuns(referenceData, reference.offset, currentData, current.offset, current.length, comparison);
    if (comparison == RunComparison::Equal)
        change = Change::None;
    return compared.withMessage(jobmessage::UnableToReadStatics);
}

struct StaticsPair
{
    Input& index;
    Input& data;
};

// The three difference files, growing together.
struct DifWriter
{
    Output& locator;
    Output& index;
    Output& data;
    qint64 records = 0;
};

Status appendRecord(qint64 block, Change change, const IndexEntry& current, Input& currentData,
                    DifWriter& writer)
{
    IndexEntry record = current;
    if (change == Change::Emptied) {
        record.offset = EmptyOffset;
    } else {
        if (writer.data.size() + current.length > MaxStaticsDataSize)
            return Status::failure(Status::Kind::TooLarge, jobmessage::UnableToWriteDiffFiles,
                                   writer.data.target(), QStringLiteral("It would grow past 2 GiB"));
        record.offset = qint32(writer.data.size());
        if (const Status copied = copyRun(currentData, current.offset, current.length, writer.data);
            copied.failed())
            return copied.withMessage(jobmessage::UnableToReadStatics);
    }
    writer.locator.appendInt32(qint32(block));
    appendIndexEntry(writer.index, record);
    ++writer.records;
    return Status();
}

// The entry of `block` in `pair`'s index, checked against its data file.
Status readEntry(qint64 block, const StaticsPair& pair, const QString& damaged, IndexEntry& entry)
{
    const char* bytes = nullptr;
    if (const Status viewed = pair.index.view(block * IndexEntrySize, IndexEntrySize, bytes); viewed.failed())
        return viewed.withMessage(jobmessage::UnableToReadStatics);
    entry = IndexEntry::decode(bytes);
    if (!entry.fitsIn(pair.data.size()))
        return damagedEntry(damaged, pair.index, entry, pair.data.size(), block);
    return Status();
}

// Compares block `block` of the two pairs and records it when it changed.
Status writeBlockDifference(qint64 block, const StaticsPair& reference, const StaticsPair& current,
                            DifWriter& writer)
{
    IndexEntry was;
    IndexEntry now;
    Status read = readEntry(block, reference, jobmessage::referenceStaticsDamaged(block), was);
    if (read.ok())
        read = readEntry(block, current, jobmessage::currentStaticsDamaged(block), now);
    Change change = Change::None;
    if (read.ok())
        read = classify(was, reference.data, now, current.data, change);
    if (read.failed() || change == Change::None)
        return read;
    return appendRecord(block, change, now, current.data, writer);
}

Status checkInputs(const StaticsGenerateJob& job, std::initializer_list<Input*> reference,
                   std::initializer_list<Input*> current, const Input& referenceIndex,
                   const Input& currentIndex, const CommitOptions& options)
{
    if (const Status opened = openInputs(reference, jobmessage::UnableToOpenReferenceOrIndex, options);
        opened.failed())
        return opened;
    if (const Status opened = openInputs(current, jobmessage::UnableToOpenStaticsDataOrIndex, options);
        opened.failed())
        return opened;
    if (referenceIndex.size() != currentIndex.size())
        return sizesDiffer(jobmessage::IndexSizesDiffer, referenceIndex, currentIndex);
    if (const Status counted =
            checkRecordCount(currentIndex, IndexEntrySize, jobmessage::UnableToOpenStaticsDataOrIndex);
        counted.failed())
        return counted;
    return checkOutputDirectory(job.outDir, *options.files);
}

JobOutcome run(const StaticsGenerateJob& job, JobProgress& progress, const CommitOptions& options)
{
    InputFile referenceData(job.referenceData, *options.files);
    InputFile referenceIndex(job.referenceIndex, *options.files);
    InputFile currentData(job.currentData, *options.files);
    InputFile currentIndex(job.currentIndex, *options.files);
    if (const Status checked =
            checkInputs(job, {&referenceData, &referenceIndex}, {&currentData, &currentIndex}, referenceIndex,
                        currentIndex, options);
        checked.failed())
        return JobOutcome::failure(checked);
    StagedFile difData(outputName(job.outDir, StaticsDifDataPart, job.facet), *options.files);
    StagedFile locator(outputName(job.outDir, StaticsDifLocatorPart, job.facet), *options.files);
    StagedFile difIndex(outputName(job.outDir, StaticsDifIndexPart, job.facet), *options.files);
    BlockWalk walk(progress, options, {&difData, &locator, &difIndex}, jobmessage::UnableToWriteDiffFiles);
    if (const Status created = walk.createOutputs(
            jobmessage::UnableToCreateDiffFiles,
            FileRoles().reads(referenceIndex).reads(referenceData).reads(currentIndex).reads(currentData));
        created.failed())
        return JobOutcome::failure(created);

    // Whole entries only: a partial entry at the end is outside the format.
    JobResult result{
        currentIndex.size() / IndexEntrySize, 0, 0, {locator.target(), difIndex.target(), difData.target()}};
    const StaticsPair reference{referenceIndex, referenceData};
    const StaticsPair current{currentIndex, currentData};
    DifWriter writer{locator, difIndex, difData};
    walk.eachBlock(result.blocks, [&](qint64 block) {
        const Status written = writeBlockDifference(block, reference, current, writer);
        result.records = writer.records;
        return written;
    });
    result.dataBytes = difData.size();
    return walk.finish({&referenceData, &referenceIndex, &currentData, &currentIndex}, result);
}

}  // namespace

JobOutcome generateStaticsDiff(const StaticsGenerateJob& job, JobProgress& progress,
                               const CommitOptions& options)
{
    return withMemoryGuard(jobmessage::UnableToWriteDiffFiles, [&] { return run(job, progress, options); });
}

}  // namespace quillmark
