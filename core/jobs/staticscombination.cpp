#include "jobs.h"

#include "blockwalk.h"
#include "fileformat.h"
#include "indexentry.h"
#include "inputfile.h"
#include "jobchecks.h"
#include "jobmessages.h"
#include "patchcheck.h"
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

// The base check's side of the copy: every block is added to it once, in
// block order, so the hashes it is told as the bytes are copied are those of
// the blocks one after another, each the result's, and the base's unless a
// record replaced the block; for those, what the current pair held there is
// told ahead.
class CheckedBlocks final : public CopiedBlocks
{
public:
    explicit CheckedBlocks(BaseCheck& check) : m_check(check) {}

    // Before the replaced block is added to the copy, with nothing waiting there.
    void expectReplaced(qint64 block, bool damaged, quint64 baseHash)
    {
        m_replaced = {{block, damaged, baseHash}};
    }

    void copied(const quint64* hashes, size_t count) override
    {
        for (size_t i = 0; i < count; ++i) {
            const qint64 block = m_nextBlock++;
            m_check.addResultBlock(hashes[i]);
            if (m_replaced.empty() || m_replaced.front().number != block) {
                m_check.addBaseBlock(block, hashes[i]);
                continue;
            }
            // A replaced block stands alone in its run: a flush comes before it.
            const Replaced replaced = m_replaced.front();
            m_replaced.clear();
            if (replaced.damaged)
                m_check.addDamagedBlock(block);
            else
                m_check.addBaseBlock(block, replaced.baseHash);
        }
    }

private:
    struct Replaced
    {
        qint64 number;
        bool damaged;
        quint64 baseHash;
    };

    BaseCheck& m_check;
    std::vector<Replaced> m_replaced;  // the one whose hashes are to come, if any
    qint64 m_nextBlock = 0;
};

// The new pair as it grows. The new data file is compact and in block
// order: every offset is where the block's bytes land now.
struct NewPair
{
    RecordBuffer index;
    JoinedCopy data;
    CheckedBlocks* checked;  // none without a manifest
};

// Blocks whose hashes may wait in the copy before it is made to copy them.
constexpr size_t MostWaiting = 4096;

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
    } else {
        pair.data.addEmpty();
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
    } else {
        pair.data.addEmpty();
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

// What the current pair holds where a record replaces a block, for the base
// check: its hash, or damage when its entry lies outside its data file. What
// waits in the copy goes first, so that reading this block moves no window
// from under it.
Status expectReplacedBlock(qint64 block, const BlockSource& current, NewPair& pair)
{
    if (const Status flushed = pair.data.flush(); flushed.failed())
        return flushed.withMessage(jobmessage::UnableToReadStaticsOrDif);
    const char* bytes = nullptr;
    if (const Status viewed = current.index.view(block * IndexEntrySize, IndexEntrySize, bytes);
        viewed.failed())
        return viewed.withMessage(jobmessage::UnableToReadStaticsOrDif);
    const IndexEntry entry = IndexEntry::decode(bytes);
    quint64 hash = 0;
    const bool damaged = !entry.fitsIn(current.data.size());
    if (!damaged && !entry.isEmpty()) {
        if (const Status read = hashRun(current.data, entry.offset, entry.length, hash); read.failed())
            return read.withMessage(jobmessage::UnableToReadStaticsOrDif);
    }
    pair.checked->expectReplaced(block, damaged, hash);
    return Status();
}

// A block a record names, from the difference files; for the base check,
// what the current pair held there first.
Status combineReplacedBlock(qint64 block, const BlockSource& difs, const BlockSource& current, NewPair& pair,
                            const QString& dataTarget)
{
    if (pair.checked) {
        if (Status expected = expectReplacedBlock(block, current, pair); expected.failed())
            return expected;
    }
    return combineBlock(block, difs, pair, dataTarget);
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
        if (pair.checked && pair.data.waitingBlocks() >= MostWaiting) {
            if (const Status flushed = pair.data.flush(); flushed.failed())
                return flushed.withMessage(jobmessage::UnableToReadStaticsOrDif);
        }
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
    PatchManifest patch;
    if (const Status loaded = loadPatchManifest(PatchKind::Statics, {&locator, &difIndex, &difData},
                                                jobmessage::UnableToOpenDifFiles,
                                                jobmessage::UnableToReadStaticsOrDif, *options.files, patch);
        loaded.failed())
        return JobOutcome::failure(loaded);
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
    const std::unique_ptr<BaseCheck> check = patch.startCheck(BaseCheck::Sketch::WhenAsked);
    std::unique_ptr<CheckedBlocks> checked = check ? std::make_unique<CheckedBlocks>(*check) : nullptr;
    NewPair pair{RecordBuffer(newIndex), JoinedCopy(newData, checked.get()), checked.get()};
    const BlockSource current{currentIndex, currentData, 0, false};
    const bool walked = walk.eachStretch(result.blocks, [&](qint64 first, qint64 count) {
        for (qint64 block = first; block < first + count;) {
            if (const qint64 ordinal = table.findNext(block); ordinal >= 0) {
                ++result.records;
                if (Status combined = combineReplacedBlock(block, {difIndex, difData, ordinal, true}, current,
                                                           pair, newData.target());
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
    const auto sketchAgain = [&](BaseCheck& again) {
        const Status sketched = sketchStaticsBase(currentIndex, currentData, result.blocks, again);
        return sketched.failed() ? sketched.withMessage(jobmessage::UnableToReadStaticsOrDif) : sketched;
    };
    if (walked)
        walk.fail(concludeBaseCheck(check.get(), patch, result.blocks, job.force,
                                    jobmessage::DifFilesDoNotFitStatics, currentIndex.path(), sketchAgain,
                                    result.base));
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
