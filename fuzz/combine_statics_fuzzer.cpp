// combineStaticsDiff on a fuzzed statics pair and difference set. Properties:
// success with exactly the two new files, or a documented failure leaving
// nothing; inputs unchanged; and the outcome is the one a plain model
// predicts: every block from the first locator record that names it (or from
// the current pair), written compactly in block order; a locator with more
// records than the difference index a failure at the block of its first
// record past the index (unless the index has no block); and an entry that
// cannot be read a failure at its block with the message naming its side.

#include "jobfuzz.h"
#include "staticsmodel.h"

#include "fileformat.h"
#include "jobmessages.h"
#include "jobs.h"

#include <map>
#include <optional>

using namespace quillmark;
using namespace difformat;
using jobfuzz::require;
using staticsmodel::Entry;

namespace {

// The combination's files, or where it fails: the block, and the index
// (of the inputs) whose entry is damaged.
struct Expected
{
    QByteArray index;
    QByteArray data;
    std::optional<qint64> damagedBlock;  // any block number, negative ones too
    int damagedIndex = -1;
};

constexpr int CurrentIndex = 0;
constexpr int DifIndex = 3;

Expected model(const QList<QByteArray>& in)
{
    const QByteArray &index = in[0], &data = in[1], &dif = in[2], &difIndex = in[3], &locator = in[4];
    Expected expected;
    const qint64 records = locator.size() / LocatorRecordSize;
    if (staticsmodel::count(index) > 0 && records > staticsmodel::count(difIndex)) {
        expected.damagedBlock = jobfuzz::int32At(locator, staticsmodel::count(difIndex) * LocatorRecordSize);
        expected.damagedIndex = DifIndex;
        return expected;
    }
    std::map<qint64, qint64> first;
    for (qint64 record = 0; record < locator.size() / LocatorRecordSize; ++record)
        first.emplace(jobfuzz::int32At(locator, record * LocatorRecordSize), record);
    for (qint64 block = 0; block < staticsmodel::count(index); ++block) {
        const auto found = first.find(block);
        const bool replaced = found != first.end();
        Entry entry =
            replaced ? staticsmodel::entryAt(difIndex, found->second) : staticsmodel::entryAt(index, block);
        const QByteArray& source = replaced ? dif : data;
        if (!entry.readable(source.size())) {
            expected.damagedBlock = block;
            expected.damagedIndex = replaced ? DifIndex : CurrentIndex;
            return expected;
        }
        const QByteArray bytes = entry.bytes(source);
        if (!entry.empty())
            entry.offset = qint32(expected.data.size());
        expected.index += staticsmodel::encode(entry);
        expected.data += bytes;
    }
    return expected;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QList<QByteArray> parts = jobfuzz::splitInput(data, size, 5);
    jobfuzz::Folder folder(parts);
    const QStringList& in = folder.inputs();
    SilentProgress silent;
    const JobOutcome outcome =
        combineStaticsDiff({in[0], in[1], in[2], in[3], in[4], folder.out(), 0}, silent);
    folder.checkOutcome(outcome,
                        {jobmessage::UnableToOpenStatics, jobmessage::UnableToOpenDifFiles,
                         jobmessage::UnableToReadStaticsOrDif, jobmessage::UnableToWriteNewStatics},
                        {jobmessage::difFilesDamaged, jobmessage::currentStaticsDamaged},
                        {"staidx0.mul", "statics0.mul"});
    if (folder.refusedSpecialInput(outcome))
        return 0;
    const Expected expected = model(parts);
    const Status& failure = outcome.failure();
    if (expected.damagedBlock) {
        require(failure.is(Status::Kind::Damaged) && failure.block() == *expected.damagedBlock
                    && failure.file() == in[expected.damagedIndex],
                "the damage the model predicts", failure.text());
        return 0;
    }
    require(outcome.succeeded(), "the success the model predicts", failure.text());
    require(jobfuzz::read(folder.outFile("staidx0.mul")) == expected.index, "the model's index");
    require(jobfuzz::read(folder.outFile("statics0.mul")) == expected.data, "the model's data");
    return 0;
}
