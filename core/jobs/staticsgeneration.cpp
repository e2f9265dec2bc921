#include "jobs.h"

#include "blockwalk.h"
#include "fileformat.h"
#include "indexentry.h"
#include "inputfile.h"
#include "jobchecks.h"
#include "jobmessages.h"
#include "manifestbuilder.h"
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
    // The message only for a failure: a text made for every block costs more
    // than the comparison.
    return compared.failed() ? compared.withMessage(jobmessage::UnableToReadStatics) : compared;
}

struct StaticsPair
{
    Input& index;
    Input& data;
};

// The three difference files, growing together, and their manifest.
struct DifWriter
{
    Output& locator;
    Output& index;
    Output& data;
    ManifestBuilder& manifest;
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
// `damaged` makes the message for damage only when there is some: made for
// every block, it cost more than the whole comparison.
template <typename Damaged>
Status readEntry(qint64 block, const StaticsPair& pair, Damaged damaged, IndexEntry& entry)
{
    const char* bytes = nullptr;
    if (const Status viewed = pair.index.view(block * IndexEntrySize, IndexEntrySize, bytes); viewed.failed())
        return viewed.withMessage(jobmessage::UnableToReadStatics);
    entry = IndexEntry::decode(bytes);
    if (!entry.fitsIn(pair.data.size()))
        return damagedEntry(damaged(block), pair.index, entry, pair.data.size(), block);
    return Status();
}

// The hash of a block of `pair` for the manifest: 0 for an empty block.
Status hashBlock(const IndexEntry& entry, Input& data, quint64& hash)
{
    hash = 0;
    if (entry.isEmpty())
        return Status();
    const Status read = hashRun(data, entry.offset, entry.length, hash);
    return read.failed() ? read.withMessage(jobmessage::UnableToReadStatics) : read;
}

// Compares block `block` of the two pairs and records it when it changed.
Status writeBlockDifference(qint64 block, const StaticsPair& reference, const StaticsPair& current,
                            DifWriter& writer)
{
    IndexEntry was;
    IndexEntry now;
    Status read = readEntry(block, reference, jobmessage::referenceStaticsDamaged, was);
    if (read.ok())
        read = readEntry(block, current, jobmessage::currentStaticsDamaged, now);
    Change change = Change::None;
    if (read.ok())
        read = classify(was, reference.data, now, current.data, change);
    quint64 after = 0;
    if (read.ok())
        read = hashBlock(now, current.data, after);
    // A block that did not change holds the same bytes, or none, on both sides.
    quint64 before = after;
    if (read.ok() && change != Change::None)
        read = hashBlock(was, reference.data, before);
    if (read.failed())
        return read;
    writer.manifest.addBlock(block, before, after, change != Change::None);
    if (change == Change::None)
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
    if (const Status data = checkStaticsDataIsNoMap(referenceIndex, **reference.begin(),
                                                    jobmessage::UnableToOpenReferenceOrIndex);
        data.failed())
        return data;
    if (const Status data = checkStaticsDataIsNoMap(currentIndex, **current.begin(),
                                                    jobmessage::UnableToOpenStaticsDataOrIndex);
        data.failed())
        return data;
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
    StagedFile difDataFile(outputName(job.outDir, StaticsDifDataPart, job.facet), *options.files);
    StagedFile locatorFile(outputName(job.outDir, StaticsDifLocatorPart, job.facet), *options.files);
    StagedFile difIndexFile(outputName(job.outDir, StaticsDifIndexPart, job.facet), *options.files);
    StagedFile manifestFile(manifestformat::manifestPath(job.outDir, PatchKind::Statics, job.facet),
                            *options.files);
    HashedOutput difData(difDataFile), locator(locatorFile), difIndex(difIndexFile);
    BlockWalk walk(progress, options, {&difData, &locator, &difIndex, &manifestFile},
                   jobmessage::UnableToWriteDiffFiles);
    if (const Status created = walk.createOutputs(
            jobmessage::UnableToCreateDiffFiles,
            FileRoles().reads(referenceIndex).reads(referenceData).reads(currentIndex).reads(currentData));
        created.failed())
        return JobOutcome::failure(created);

    // Whole entries only: a partial entry at the end is outside the format.
    JobResult result{currentIndex.size() / IndexEntrySize,
                     0,
                     0,
                     {locator.target(), difIndex.target(), difData.target(), manifestFile.target()}};
    const StaticsPair reference{referenceIndex, referenceData};
    const StaticsPair current{currentIndex, currentData};
    ManifestBuilder manifest(PatchKind::Statics, job.facet, manifestFile);
    DifWriter writer{locator, difIndex, difData, manifest};
    const bool walked = walk.eachBlock(result.blocks, [&](qint64 block) {
        const Status written = writeBlockDifference(block, reference, current, writer);
        result.records = writer.records;
        return written;
    });
    if (walked)
        manifest.finish({&locator, &difIndex, &difData});
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
