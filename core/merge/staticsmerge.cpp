#include "mergejobs.h"

#include "conflictsoutput.h"
#include "inputfile.h"
#include "jobchecks.h"
#include "jobmessages.h"
#include "mergeinputs.h"
#include "runs.h"
#include "staticsmerger.h"

#include <cstring>

namespace quillmark {

using namespace difformat;

namespace {

// The three sides' pairs, in the order base, ours, theirs.
struct StaticsSides
{
    InputFile index[3];
    InputFile data[3];

    StaticsSides(const StaticsMergeJob& job, FileSystem& files)
        : index{{job.base.files.index, files},
                {job.ours.files.index, files},
                {job.theirs.files.index, files}},
          data{{job.base.files.data, files}, {job.ours.files.data, files}, {job.theirs.files.data, files}}
    {}
};

constexpr DamageMessage Damaged[] = {mergemessage::baseStaticsDamaged, mergemessage::ourStaticsDamaged,
                                     mergemessage::theirStaticsDamaged};

// The new pair as it grows: compact, in block order.
struct NewPair
{
    RecordBuffer& index;
    Output& data;
    bool keepWriting;
};

// How many blocks from entry `i` on the three sides hold alike in their
// entries (but for their offsets), each side's bytes lying back to back from
// `from[side]` on, `bytes` of them, at most a piece: 0 when block `i` is not
// such a block (or is damaged, which the block by block walk then tells).
qint64 alikeRun(const char* const (&entries)[3], qint64 i, qint64 count, StaticsSides& sides,
                qint64 (&from)[3], qint64& bytes)
{
    bytes = 0;
    qint64 end = i;
    for (; end < count; ++end) {
        IndexEntry entry[3];
        bool alike = true;
        for (int side = 0; side < 3; ++side) {
            entry[side] = IndexEntry::decode(entries[side] + end * IndexEntrySize);
            alike = alike && entry[side].fitsIn(sides.data[side].size())
                    && entry[side].isEmpty() == entry[0].isEmpty() && entry[side].length == entry[0].length
                    && entry[side].extra == entry[0].extra;
        }
        const qint64 length = entry[0].isEmpty() ? 0 : entry[0].length;
        for (int side = 0; side < 3 && length > 0; ++side) {
            alike = alike && (bytes == 0 || entry[side].offset == from[side] + bytes);
            from[side] = bytes == 0 ? entry[side].offset : from[side];
        }
        if (!alike || bytes + length > Input::Piece)
            break;
        bytes += length;
    }
    return end - i;
}

// A run of blocks the three sides hold alike and with the same bytes, as
// theirs has them: each entry with the offset where its bytes land.
Status writeRun(const char* entries, qint64 blocks, const char* bytes, qint64 length, NewPair& pair)
{
    if (!pair.keepWriting)
        return Status();
    if (pair.data.size() + length > MaxStaticsDataSize)
        return Status::failure(Status::Kind::TooLarge, jobmessage::UnableToWriteNewStatics,
                               pair.data.target(), QStringLiteral("It would grow past 2 GiB"));
    qint64 at = pair.data.size();
    for (qint64 i = 0; i < blocks; ++i) {
        IndexEntry entry = IndexEntry::decode(entries + i * IndexEntrySize);
        if (!entry.isEmpty()) {
            entry.offset = qint32(at);
            at += entry.length;
        }
        pair.index.append(entry);
    }
    if (length > 0)
        pair.data.append(bytes, length);
    return Status();
}

// Block `block` of each side, from its entries, merged and appended.
Status mergeBlock(qint64 block, const char* const (&entries)[3], StaticsSides& sides, StaticsMerger& merger,
                  NewPair& pair)
{
    StaticsBlock read[3];
    Status done;
    for (int side = 0; side < 3 && done.ok(); ++side)
        done = StaticsBlock::decode({sides.index[side], sides.data[side], Damaged[side]}, entries[side],
                                    block, read[side]);
    const StaticsBlock* merged = nullptr;
    if (done.ok())
        done = merger.merge(block, read[0], read[1], read[2], merged);
    IndexEntry entry;
    if (done.ok() && pair.keepWriting)
        done = appendStatics(*merged, pair.data, jobmessage::UnableToWriteNewStatics, entry);
    if (done.ok() && pair.keepWriting)
        pair.index.append(entry);
    return withReadMessage(done, jobmessage::UnableToReadStatics);
}

// The blocks from `first` on, `count` of them, each side's entries viewed
// at once: runs that no side changed copied as they are, every other block
// merged by itself.
Status mergeStretch(qint64 first, qint64 count, StaticsSides& sides, StaticsMerger& merger, NewPair& pair)
{
    const char* entries[3] = {};
    for (int side = 0; side < 3; ++side) {
        if (const Status viewed =
                sides.index[side].view(first * IndexEntrySize, count * IndexEntrySize, entries[side]);
            viewed.failed())
            return viewed.withMessage(jobmessage::UnableToReadStatics);
    }
    for (qint64 i = 0; i < count;) {
        qint64 from[3] = {}, bytes = 0;
        const qint64 run = alikeRun(entries, i, count, sides, from, bytes);
        const char* views[3] = {};
        bool same = run > 0;
        for (int side = 0; side < 3 && same && bytes > 0; ++side) {
            if (const Status viewed = sides.data[side].view(from[side], bytes, views[side]); viewed.failed())
                return viewed.withMessage(jobmessage::UnableToReadStatics);
            same = memcmp(views[side], views[0], size_t(bytes)) == 0;
        }
        if (same) {
            if (const Status written = writeRun(entries[2] + i * IndexEntrySize, run, views[2], bytes, pair);
                written.failed())
                return written;
            i += run;
            continue;
        }
        for (const qint64 end = i + qMax<qint64>(run, 1); i < end; ++i) {
            const char* const at[3] = {entries[0] + i * IndexEntrySize, entries[1] + i * IndexEntrySize,
                                       entries[2] + i * IndexEntrySize};
            if (const Status merged = mergeBlock(first + i, at, sides, merger, pair); merged.failed())
                return merged;
        }
    }
    return Status();
}

JobOutcome run(const StaticsMergeJob& job, JobProgress& progress, const CommitOptions& options,
               MergeFigures& figures)
{
    StaticsSides sides(job, *options.files);
    Status checked = openStaticsPairs({{&sides.index[0], &sides.data[0], mergemessage::BaseStatics},
                                       {&sides.index[1], &sides.data[1], mergemessage::OurStatics},
                                       {&sides.index[2], &sides.data[2], mergemessage::TheirStatics}},
                                      jobmessage::IndexSizesDiffer, options);
    if (checked.ok())
        checked = checkOutputDirectoryNamed(job.outDir, *options.files);
    if (checked.failed())
        return JobOutcome::failure(checked);
    StagedFile newData(outputName(job.outDir, StaticsDataPart, job.facet), *options.files);
    StagedFile newIndex(outputName(job.outDir, StaticsIndexPart, job.facet), *options.files);
    ConflictsOutput conflicts("statics", job.choices, job.facet, *options.files);
    BlockWalk walk(progress, options, conflicts.withOutputs({&newData, &newIndex}),
                   jobmessage::UnableToWriteNewStatics);
    // Merged into the folder of ours, the new pair takes its place.
    if (const Status created =
            walk.createOutputs(jobmessage::UnableToCreateNewStatics, FileRoles()
                                                                         .reads(sides.index[0])
                                                                         .reads(sides.data[0])
                                                                         .replaces(newIndex, sides.index[1])
                                                                         .replaces(newData, sides.data[1])
                                                                         .reads(sides.index[2])
                                                                         .reads(sides.data[2]));
        created.failed())
        return JobOutcome::failure(created);

    JobResult result{sides.index[0].size() / IndexEntrySize, 0, 0, {newIndex.target(), newData.target()}};
    StaticsMerger merger(job.choices.prefer, conflicts.list(), figures, {Damaged[0], Damaged[1], Damaged[2]});
    RecordBuffer index(newIndex);
    NewPair pair{index, newData, true};
    const bool walked = walk.eachStretch(result.blocks, [&](qint64 first, qint64 count) {
        pair.keepWriting = conflicts.keepWriting();
        return mergeStretch(first, count, sides, merger, pair);
    });
    index.flush();
    result.records = figures.oursOnly + figures.theirsOnly + figures.both;
    result.dataBytes = newData.size();
    return conflicts.finish(
        walk, walked, Status(),
        {&sides.data[0], &sides.index[0], &sides.data[1], &sides.index[1], &sides.data[2], &sides.index[2]},
        std::move(result), figures, options);
}

}  // namespace

MergeOutcome mergeStatics(const StaticsMergeJob& job, JobProgress& progress, const CommitOptions& options)
{
    MergeFigures figures;
    JobOutcome outcome = withMemoryGuard(jobmessage::UnableToWriteNewStatics,
                                         [&] { return run(job, progress, options, figures); });
    return {std::move(outcome), figures};
}

}  // namespace quillmark
