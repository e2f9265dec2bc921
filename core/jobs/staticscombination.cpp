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

#include <QtEndian>

#include <cstring>

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
// order: every offset is where the block's bytes land now. With a manifest,
// the base check is told every block as it is added, in block order: the
// hash of the result's block, and of the base's.
struct NewPair
{
    RecordBuffer index;
    Sink& data;
    BaseCheck* check;  // none without a manifest
};

// Where the new pair goes: its two staged files, or, for a run that writes
// nothing, two counts of what they would hold.
class NewStatics
{
public:
    NewStatics(bool writes, const QString& outDir, int facet, FileSystem& files)
    {
        if (!writes)
            return;
        data = std::make_unique<StagedFile>(outputName(outDir, StaticsDataPart, facet), files);
        index = std::make_unique<StagedFile>(outputName(outDir, StaticsIndexPart, facet), files);
    }

    std::vector<Output*> outputs() const
    {
        return data ? std::vector<Output*>{data.get(), index.get()} : std::vector<Output*>{};
    }
    QStringList targets() const
    {
        return data ? QStringList{index->target(), data->target()} : QStringList();
    }
    QString dataTarget() const { return data ? data->target() : QString(); }
    Sink& dataSink() { return data ? static_cast<Sink&>(*data) : m_countedData; }
    Sink& indexSink() { return index ? static_cast<Sink&>(*index) : m_countedIndex; }

    std::unique_ptr<StagedFile> data;
    std::unique_ptr<StagedFile> index;

private:
    CountingSink m_countedData;
    CountingSink m_countedIndex;
};

// Why an entry cannot be added to the new pair, if it cannot.
enum class EntryFault { None, Damaged, TooLarge };

inline EntryFault entryFault(const IndexEntry& entry, qint64 dataSize, qint64 newDataSize)
{
    if (!entry.fitsIn(dataSize))
        return EntryFault::Damaged;
    return !entry.isEmpty() && newDataSize + entry.length > MaxStaticsDataSize ? EntryFault::TooLarge
                                                                               : EntryFault::None;
}

Status refuseEntry(EntryFault fault, qint64 block, const BlockSource& source, const IndexEntry& entry,
                   const QString& dataTarget)
{
    if (fault == EntryFault::Damaged)
        return damagedEntry(source.replaced ? jobmessage::difFilesDamaged(block)
                                            : jobmessage::currentStaticsDamaged(block),
                            source.index, entry, source.data.size(), block);
    return Status::failure(Status::Kind::TooLarge, jobmessage::UnableToWriteNewStatics, dataTarget,
                           QStringLiteral("It would grow past 2 GiB"));
}

// One block by itself, from `source`'s entry `source.entryNumber`; `hash`
// is the hash of its bytes (0 for a block without data).
Status combineBlock(qint64 block, const BlockSource& source, NewPair& pair, const QString& dataTarget,
                    quint64& hash)
{
    const char* bytes = nullptr;
    if (const Status viewed = source.index.view(source.entryNumber * IndexEntrySize, IndexEntrySize, bytes);
        viewed.failed())
        return viewed.withMessage(jobmessage::UnableToReadStaticsOrDif);
    IndexEntry entry = IndexEntry::decode(bytes);
    if (const EntryFault fault = entryFault(entry, source.data.size(), pair.data.size());
        fault != EntryFault::None)
        return refuseEntry(fault, block, source, entry, dataTarget);
    hash = 0;
    if (!entry.isEmpty()) {
        const qint64 from = entry.offset;
        entry.offset = qint32(pair.data.size());
        if (const Status copied = copyHashedRun(source.data, from, entry.length, pair.data, hash);
            copied.failed())
            return copied.withMessage(jobmessage::UnableToReadStaticsOrDif);
    }
    pair.index.append(entry);
    return Status();
}

// What the current pair holds where a record replaces a block, for the base
// check: its hash, or damage when its entry lies outside its data file.
Status readReplacedBase(qint64 block, const BlockSource& current, bool& damaged, quint64& hash)
{
    const char* bytes = nullptr;
    if (const Status viewed = current.index.view(block * IndexEntrySize, IndexEntrySize, bytes);
        viewed.failed())
        return viewed.withMessage(jobmessage::UnableToReadStaticsOrDif);
    const IndexEntry entry = IndexEntry::decode(bytes);
    hash = 0;
    damaged = !entry.fitsIn(current.data.size());
    if (!damaged && !entry.isEmpty()) {
        if (const Status read = hashRun(current.data, entry.offset, entry.length, hash); read.failed())
            return read.withMessage(jobmessage::UnableToReadStaticsOrDif);
    }
    return Status();
}

// A block a record names, from the difference files; for the base check,
// what the current pair held there first.
Status combineReplacedBlock(qint64 block, const BlockSource& difs, const BlockSource& current, NewPair& pair,
                            const QString& dataTarget)
{
    bool damaged = false;
    quint64 baseHash = 0;
    if (pair.check) {
        if (const Status read = readReplacedBase(block, current, damaged, baseHash); read.failed())
            return read;
    }
    quint64 hash = 0;
    if (const Status combined = combineBlock(block, difs, pair, dataTarget, hash); combined.failed())
        return combined;
    if (pair.check) {
        pair.check->addResultBlock(hash);
        if (damaged)
            pair.check->addDamagedBlock(block);
        else
            pair.check->addBaseBlock(block, baseHash);
    }
    return Status();
}

// A block of the current pair, copied as it is: the base's block and the
// result's are the same.
inline void tellUnchanged(NewPair& pair, qint64 block, quint64 hash)
{
    pair.check->addResultBlock(hash);
    pair.check->addBaseBlock(block, hash);
}

// The bytes that blocks of the current pair bring along as they are, while
// they lie back to back in its data file, waiting to be copied in one piece:
// `length` bytes from `from` on, at most a piece (Input::Piece) unless a
// single block is longer. `told` counts the entries of the stretch that the base check has
// been told of.
struct WaitingRun
{
    qint64 from = 0;
    qint64 length = 0;
    qint64 told = 0;
};

// Tells the base check the blocks of `entries` from `run.told` up to `end`,
// whose bytes are those of the run: `bytes`, or, for a run longer than a
// piece, its one block's `longHash`. None of them is replaced, so their
// hashes go to the check a batch at a time.
void tellCopied(const char* entries, qint64 firstBlock, qint64 end, const WaitingRun& run, const char* bytes,
                quint64 longHash, NewPair& pair)
{
    static const quint64 noBytesHash = blockHash(nullptr, 0);
    constexpr qint64 Batch = 256;
    quint64 hashes[Batch];
    for (qint64 from = run.told; from < end; from += Batch) {
        const qint64 count = qMin(Batch, end - from);
        for (qint64 i = 0; i < count; ++i) {
            const IndexEntry entry = IndexEntry::decode(entries + (from + i) * IndexEntrySize);
            hashes[i] = entry.isEmpty()     ? 0
                        : entry.length == 0 ? noBytesHash
                        : bytes             ? blockHash(bytes + (entry.offset - run.from), entry.length)
                                            : longHash;
        }
        pair.check->addUnreplacedRun(firstBlock + from, hashes, count);
    }
}

// Copies the run that waits, once the entries up to `end` are all in it.
Status copyWaiting(const char* entries, qint64 firstBlock, qint64 end, WaitingRun& run,
                   const BlockSource& current, NewPair& pair)
{
    const char* bytes = nullptr;
    quint64 longHash = 0;
    Status copied;
    if (run.length > Input::Piece) {
        copied = copyHashedRun(current.data, run.from, run.length, pair.data, longHash);
    } else if (run.length > 0) {
        copied = current.data.view(run.from, run.length, bytes);
        if (copied.ok())
            pair.data.append(bytes, run.length);
    }
    if (copied.failed())
        return copied.withMessage(jobmessage::UnableToReadStaticsOrDif);
    if (pair.check)
        tellCopied(entries, firstBlock, end, run, bytes, longHash, pair);
    run = {0, 0, end};
    return Status();
}

// The blocks from `first` on, `count` of them, each by itself.
Status combineSingly(qint64 first, qint64 count, BlockSource current, NewPair& pair,
                     const QString& dataTarget)
{
    for (qint64 block = first; block < first + count; ++block) {
        current.entryNumber = block;
        quint64 hash = 0;
        if (const Status combined = combineBlock(block, current, pair, dataTarget, hash); combined.failed())
            return combined;
        if (pair.check)
            tellUnchanged(pair, block, hash);
    }
    return Status();
}

// The blocks from `first` on, `count` of them, that no record names, from
// one view of their entries: each entry as it is but for its new offset,
// and the bytes of blocks that follow one another copied at once. A view
// that fails is left to the single blocks, which say where. An entry that
// cannot be added fails the job before the bytes that wait are read.
Status combineCurrentBlocks(qint64 first, qint64 count, const BlockSource& current, NewPair& pair,
                            const QString& dataTarget)
{
    const char* entries = nullptr;
    if (current.index.view(first * IndexEntrySize, count * IndexEntrySize, entries).failed())
        return combineSingly(first, count, current, pair, dataTarget);
    const qint64 dataSize = current.data.size();
    qint64 at = pair.data.size();  // of the new data, what waits included
    WaitingRun run;
    for (qint64 i = 0; i < count; ++i) {
        const char* bytes = entries + i * IndexEntrySize;
        const IndexEntry entry = IndexEntry::decode(bytes);
        char* added = pair.index.next();
        memcpy(added, bytes, IndexEntrySize);
        if (entry.isEmpty())
            continue;
        if (entry.length != 0) {
            if (const EntryFault fault = entryFault(entry, dataSize, at); fault != EntryFault::None)
                return refuseEntry(fault, first + i, current, entry, dataTarget);
            if (run.length > 0
                && (entry.offset != run.from + run.length || run.length + entry.length > Input::Piece)) {
                if (const Status copied = copyWaiting(entries, first, i, run, current, pair); copied.failed())
                    return copied;
            }
            if (run.length == 0)
                run.from = entry.offset;
            run.length += entry.length;
        }
        qToLittleEndian(qint32(at), added);
        at += entry.length;
    }
    return copyWaiting(entries, first, count, run, current, pair);
}

// A combination as it runs: the job's own, which writes the new pair, or a
// verification's, which finds everything the combination would find, its
// failures among them, and writes nothing.
struct StaticsRun
{
    StaticsCombineJob job;
    std::optional<int> facet;  // of the base; none: the one the manifest says
    bool writes = true;
};

// The files a run reads, in the order they are opened.
struct StaticsInputs
{
    InputFile currentData;
    InputFile currentIndex;
    InputFile difData;
    InputFile difIndex;
    InputFile locator;
};

Status checkInputs(const StaticsRun& run, StaticsInputs& in, const CommitOptions& options)
{
    if (const Status opened =
            openInputs({&in.currentData, &in.currentIndex}, jobmessage::UnableToOpenStatics, options);
        opened.failed())
        return opened;
    if (const Status counted =
            checkRecordCount(in.currentIndex, IndexEntrySize, jobmessage::UnableToOpenStatics);
        counted.failed())
        return counted;
    if (const Status data =
            checkStaticsDataIsNoMap(in.currentIndex, in.currentData, jobmessage::UnableToOpenStatics);
        data.failed())
        return data;
    if (const Status opened =
            openInputs({&in.difData, &in.difIndex, &in.locator}, jobmessage::UnableToOpenDifFiles, options);
        opened.failed())
        return opened;
    if (run.writes) {
        if (const Status checked = checkOutputDirectoryNamed(run.job.outDir, *options.files);
            checked.failed())
            return checked;
    }
    return checkLocatorFits(in.locator, in.difIndex, IndexEntrySize, in.currentIndex.size() / IndexEntrySize);
}

// Every block of the new pair, in block order: from the difference files
// where the locator names it, else from the current pair.
bool walkBlocks(BlockWalk& walk, StaticsInputs& in, ReplacementTable& table, NewPair& pair,
                const QString& dataTarget, JobResult& result)
{
    const BlockSource current{in.currentIndex, in.currentData, 0, false};
    return walk.eachStretch(result.blocks, [&](qint64 first, qint64 count) {
        for (qint64 block = first; block < first + count;) {
            if (const qint64 ordinal = table.findNext(block); ordinal >= 0) {
                ++result.records;
                if (Status combined = combineReplacedBlock(block, {in.difIndex, in.difData, ordinal, true},
                                                           current, pair, dataTarget);
                    combined.failed())
                    return combined;
                ++block;
                continue;
            }
            const qint64 named = table.nextNamedBlock(first + count);
            if (Status combined = combineCurrentBlocks(block, named - block, current, pair, dataTarget);
                combined.failed())
                return combined;
            block = named;
        }
        return Status();
    });
}

JobOutcome combine(const StaticsRun& run, JobProgress& progress, const CommitOptions& options)
{
    const StaticsCombineJob& job = run.job;
    FileSystem& files = *options.files;
    StaticsInputs in{{job.currentData, files},
                     {job.currentIndex, files},
                     {job.difData, files},
                     {job.difIndex, files},
                     {job.difLocator, files}};
    if (const Status checked = checkInputs(run, in, options); checked.failed())
        return JobOutcome::failure(checked);
    PatchManifest patch;
    if (const Status loaded = loadPatchManifest(PatchKind::Statics, {&in.locator, &in.difIndex, &in.difData},
                                                jobmessage::UnableToOpenDifFiles,
                                                jobmessage::UnableToReadStaticsOrDif, files, patch);
        loaded.failed())
        return JobOutcome::failure(loaded);
    const BaseCheckRule rule{job.force, !run.writes};
    const std::unique_ptr<BaseCheck> check = patch.startCheck(BaseCheck::Sketch::WhenAsked);
    placeBase(check.get(), run.facet, job.heightBlocks);
    NewStatics made(run.writes, job.outDir, job.facet, files);
    BlockWalk walk(progress, options, made.outputs(), jobmessage::UnableToWriteNewStatics);
    if (run.writes) {
        if (const Status created = walk.createOutputs(jobmessage::UnableToCreateNewStatics,
                                                      FileRoles()
                                                          .replaces(*made.index, in.currentIndex)
                                                          .replaces(*made.data, in.currentData)
                                                          .reads(in.difData)
                                                          .reads(in.difIndex)
                                                          .reads(in.locator));
            created.failed())
            return JobOutcome::failure(created);
    }

    JobResult result{in.currentIndex.size() / IndexEntrySize, 0, 0, made.targets()};
    walk.begin(result.blocks);
    ReplacementTable table(result.blocks);
    walk.fail(table.load(in.locator).withMessage(jobmessage::UnableToReadStaticsOrDif));
    NewPair pair{RecordBuffer(made.indexSink()), made.dataSink(), check.get()};
    const bool walked = walkBlocks(walk, in, table, pair, made.dataTarget(), result);
    pair.index.flush();
    const auto sketchAgain = [&](BaseCheck& again) {
        const Status sketched = sketchStaticsBase(in.currentIndex, in.currentData, result.blocks, again);
        return sketched.failed() ? sketched.withMessage(jobmessage::UnableToReadStaticsOrDif) : sketched;
    };
    if (walked)
        walk.fail(concludeBaseCheck(check.get(), patch, result.blocks, rule,
                                    jobmessage::DifFilesDoNotFitStatics, in.currentIndex.path(), sketchAgain,
                                    result.base));
    result.dataBytes = made.dataSink().size();
    return walk.finish({&in.currentData, &in.currentIndex, &in.difData, &in.difIndex, &in.locator}, result);
}

}  // namespace

JobOutcome combineStaticsDiff(const StaticsCombineJob& job, JobProgress& progress,
                              const CommitOptions& options)
{
    return withMemoryGuard(jobmessage::UnableToWriteNewStatics, [&] {
        return combine({job, job.facet, true}, progress, options);
    });
}

JobOutcome verifyStaticsPatch(const StaticsVerifyJob& job, JobProgress& progress,
                              const CommitOptions& options)
{
    StaticsCombineJob asCombined;
    asCombined.currentIndex = job.index;
    asCombined.currentData = job.data;
    asCombined.difData = job.difData;
    asCombined.difIndex = job.difIndex;
    asCombined.difLocator = job.difLocator;
    asCombined.heightBlocks = job.heightBlocks;
    return withMemoryGuard(jobmessage::UnableToReadStaticsOrDif, [&] {
        return combine({asCombined, job.facet, false}, progress, options);
    });
}

}  // namespace quillmark
