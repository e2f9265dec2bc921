#include "jobs.h"

#include "blockwalk.h"
#include "fileformat.h"
#include "indexentry.h"
#include "inputfile.h"
#include "jobchecks.h"
#include "jobmessages.h"
#include "replacementtable.h"
#include "runs.h"
#include "stagedfile.h"

namespace quillmark {

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

// The new pair as it grows. The new data file is compact and in block
// order: every offset is where the block's bytes land now.
struct NewPair
{
    RecordBuffer index;
    JoinedCopy data;
};

Status appendBlock(const BlockSource& source, IndexEntry entry, NewPair& pair, const QString& dataTarget)
{
    if (!entry.isEmpty()) {
        if (pair.data.size() + entry.length > MaxStaticsDataSize)
            return Status::failure(Status::Kind::TooLarge, jobmessage::UnableToWriteNewStatics, dataTarget,
                                   QStringLiteral("It would grow past 2 GiB"));
        const qint64 from = entry.offset;
        entry.offset = qint32(pair.data.size());
        if (const Status copied = pair.data.addRun(source.data, from, entry.length); copied.failed())
            return copied.withMessage(jobmessage::UnableToReadStaticsOrDif);
    }
    pair.index.append(entry);
    return Status();
}

// The common block, kept to a few instructions: one of the current pair
// that is empty or whose data follows on from the run that waits. False,
// with nothing added, for any other.
inline bool appendFollowingBlock(const BlockSource& current, IndexEntry entry, NewPair& pair)
{
    if (!entry.isEmpty()) {
        const qint64 at = pair.data.size();
        if (at + entry.length > MaxStaticsDataSize || !entry.fitsIn(current.data.size())
            || !pair.data.extend(current.data, entry.offset, entry.length))
            return false;
        entry.offset = qint32(at);
    }
    pair.index.append(entry);
    return true;
}

Status combineBlock(qint64 block, const BlockSource& source, NewPair& pair, const QString& dataTarget)
{
    const char* bytes = nullptr;
    if (const Status viewed = source.index.view(source.entryNumber * IndexEntrySize, IndexEntrySize, bytes);
        viewed.failed())
        return viewed.withMessage(jobmessage::UnableToReadStaticsOrDif);
    const IndexEntry entry = IndexEntry::decode(bytes);
    if (!entry.fitsIn(source.data.size()))
        return damagedEntry(source.replaced ? jobmessage::difFilesDamaged(block)
                                            : jobmessage::currentStaticsDamaged(block),
                            source.index, entry, source.data.size(), block);
    return appendBlock(source, entry, pair, dataTarget);
}

// The blocks from `first` on, `count` of them, that no record names: their
// entries read from the current index a view at a time, which a single
// block's own view ends. A view that fails is left to the single blocks,
// which say where.
Status combineCurrentBlocks(qint64 first, qint64 count, BlockSource current, NewPair& pair,
                            const QString& dataTarget)
{
    const qint64 end = first + count;
    const char* entries = nullptr;
    qint64 viewed = first;
    for (qint64 block = first; block < end; ++block) {
        if (!entries) {
            viewed = block;
            if (current.index.view(block * IndexEntrySize, (end - block) * IndexEntrySize, entries).failed())
                entries = nullptr;
        }
        if (entries
            && appendFollowingBlock(current, IndexEntry::decode(entries + (block - viewed) * IndexEntrySize),
                                    pair))
            continue;
        entries = nullptr;
        current.entryNumber = block;
        if (Status combined = combineBlock(block, current, pair, dataTarget); combined.failed())
            return combined;
    }
    return Status();
}

Status checkInputs(const StaticsCombineJob& job, std::initializer_list<Input*> current,
                   std::initializer_list<Input*> difFiles, const Input& currentIndex, Input& locator,
                   const Input& difIndex, const CommitOptions& options)
{
    if (const Status opened = openInputs(current, jobmessage::UnableToOpenStatics, options); opened.failed())
        return opened;
    if (const Status counted =
            checkRecordCount(currentIndex, IndexEntrySize, jobmessage::UnableToOpenStatics);
        counted.failed())
        return counted;
    if (const Status opened = openInputs(difFiles, jobmessage::UnableToOpenDifFiles, options);
        opened.failed())
        return opened;
    if (const Status checked = checkOutputDirectoryNamed(job.outDir, *options.files); checked.failed())
        return checked;
    return checkLocatorFits(locator, difIndex, IndexEntrySize, currentIndex.size() / IndexEntrySize);
}

JobOutcome run(const StaticsCombineJob& job, JobProgress& progress, const CommitOptions& options)
{
    InputFile currentData(job.currentData, *options.files);
    InputFile currentIndex(job.currentIndex, *options.files);
    InputFile difData(job.difData, *options.files);
    InputFile difIndex(job.difIndex, *options.files);
    InputFile locator(job.difLocator, *options.files);
    if (const Status checked =
            checkInputs(job, {&currentData, &currentIndex}, {&difData, &difIndex, &locator}, currentIndex,
                        locator, difIndex, options);
        checked.failed())
        return JobOutcome::failure(checked);
    StagedFile newData(outputName(job.outDir, StaticsDataPart, job.facet), *options.files);
    StagedFile newIndex(outputName(job.outDir, StaticsIndexPart, job.facet), *options.files);
    BlockWalk walk(progress, options, {&newData, &newIndex}, jobmessage::UnableToWriteNewStatics);
    if (const Status created =
            walk.createOutputs(jobmessage::UnableToCreateNewStatics, FileRoles()
                                                                         .replaces(newIndex, currentIndex)
                                                                         .replaces(newData, currentData)
                                                                         .reads(difData)
                                                                         .reads(difIndex)
                                                                         .reads(locator));
        created.failed())
        return JobOutcome::failure(created);

    JobResult result{currentIndex.size() / IndexEntrySize, 0, 0, {newIndex.target(), newData.target()}};
    walk.begin(result.blocks);
    ReplacementTable table(result.blocks);
    walk.fail(table.load(locator).withMessage(jobmessage::UnableToReadStaticsOrDif));
    NewPair pair{RecordBuffer(newIndex), JoinedCopy(newData)};
    const BlockSource current{currentIndex, currentData, 0, false};
    const bool walked = walk.eachStretch(result.blocks, [&](qint64 first, qint64 count) {
        for (qint64 block = first; block < first + count;) {
            if (const qint64 ordinal = table.findNext(block); ordinal >= 0) {
                ++result.records;
                if (Status combined =
                        combineBlock(block, {difIndex, difData, ordinal, true}, pair, newData.target());
                    combined.failed())
                    return combined;
                ++block;
                continue;
            }
            const qint64 named = table.nextNamedBlock(first + count);
            if (Status combined = combineCurrentBlocks(block, named - block, current, pair, newData.target());
                combined.failed())
                return combined;
            block = named;
        }
        return Status();
    });
    if (walked)
        walk.fail(pair.data.flush().withMessage(jobmessage::UnableToReadStaticsOrDif));
    pair.index.flush();
    result.dataBytes = newData.size();
    return walk.finish({&currentData, &currentIndex, &difData, &difIndex, &locator}, result);
}

}  // namespace

JobOutcome combineStaticsDiff(const StaticsCombineJob& job, JobProgress& progress,
                              const CommitOptions& options)
{
    return withMemoryGuard(jobmessage::UnableToWriteNewStatics, [&] { return run(job, progress, options); });
}

}  // namespace quillmark
