// combineMapDiff on a fuzzed map, difference data and locator. Properties:
// success with exactly map0.mul, or a documented failure leaving nothing;
// inputs unchanged; and the outcome is the one a plain model of the
// combination predicts: every block taken from the first locator record that
// names it (or from the map), the fragment past the last block carried over,
// and a locator with more records than the difference data a failure at the
// block of its first record past the data, unless the map has no block.

#include "jobfuzz.h"

#include "fileformat.h"
#include "jobmessages.h"
#include "jobs.h"

#include <map>
#include <optional>

using namespace quillmark;
using namespace difformat;
using jobfuzz::require;

namespace {

struct Expected
{
    QByteArray map;
    std::optional<qint64> damagedBlock;  // any block number, negative ones too
};

Expected model(const QByteArray& map, const QByteArray& dif, const QByteArray& locator)
{
    const qint64 blocks = map.size() / MapBlockSize;
    const qint64 records = locator.size() / LocatorRecordSize, difRecords = dif.size() / MapBlockSize;
    Expected expected;
    if (blocks > 0 && records > difRecords) {
        expected.damagedBlock = jobfuzz::int32At(locator, difRecords * LocatorRecordSize);
        return expected;
    }
    std::map<qint64, qint64> first;
    for (qint64 record = 0; record < locator.size() / LocatorRecordSize; ++record)
        first.emplace(jobfuzz::int32At(locator, record * LocatorRecordSize), record);
    for (qint64 block = 0; block < blocks; ++block) {
        const auto found = first.find(block);
        expected.map += found == first.end() ? map.mid(block * MapBlockSize, MapBlockSize)
                                             : dif.mid(found->second * MapBlockSize, MapBlockSize);
    }
    expected.map += map.mid(blocks * MapBlockSize);
    return expected;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QList<QByteArray> parts = jobfuzz::splitInput(data, size, 3);
    jobfuzz::Folder folder(parts);
    SilentProgress silent;
    const JobOutcome outcome =
        combineMapDiff({folder.inputs()[0], folder.inputs()[1], folder.inputs()[2], folder.out(), 0}, silent);
    folder.checkOutcome(outcome,
                        {jobmessage::UnableToOpenMap, jobmessage::UnableToOpenDifFiles,
                         jobmessage::UnableToReadMapOrDif, jobmessage::UnableToWriteNewMap},
                        {jobmessage::difFilesDamaged}, {"map0.mul"});
    if (folder.refusedSpecialInput(outcome))
        return 0;
    // The map may be a package container (the fuzzer's bytes begin with its
    // mark): the model combines the map it holds.
    const std::optional<QByteArray> map = jobfuzz::logicalMap(folder.inputs()[0]);
    if (!map) {
        require(!outcome.succeeded(), "a map that cannot be read is refused");
        return 0;
    }
    const Expected expected = model(*map, parts[1], parts[2]);
    if (expected.damagedBlock) {
        require(outcome.failure().is(Status::Kind::Damaged)
                    && outcome.failure().block() == *expected.damagedBlock
                    && outcome.failure().file() == folder.inputs()[1],
                "a locator longer than its difference data fails at once", outcome.failure().text());
        return 0;
    }
    require(outcome.succeeded(), "whole inputs combine", outcome.message());
    require(jobfuzz::read(folder.outFile("map0.mul")) == expected.map, "the combined map is the model's");
    return 0;
}
