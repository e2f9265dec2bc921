#include "staticsblock.h"

#include "splitmix.h"

#include <QtEndian>

namespace quillmark {

namespace {

constexpr quint64 ReferencePurpose = 4;
constexpr quint64 EditedPurpose = 5;
constexpr quint64 AddedPurpose = 6;
constexpr quint64 EmptyPurpose = 7;

// Trees, bushes, rocks, walls, furniture: a few ranges of item ids.
constexpr quint16 ItemRanges[][2] = {
    {0x0cca, 0x0ce8}, {0x0c84, 0x0c9e}, {0x1363, 0x136d}, {0x0006, 0x0020}, {0x0a2a, 0x0a40}};

QByteArray record(SplitMix& random)
{
    const auto& range = ItemRanges[random.below(sizeof ItemRanges / sizeof ItemRanges[0])];
    char bytes[StaticsRecordSize];
    qToLittleEndian(quint16(range[0] + random.below(quint32(range[1] - range[0]))), bytes);
    bytes[2] = char(random.below(8));
    bytes[3] = char(random.below(8));
    bytes[4] = char(qint8(int(random.below(60)) - 10));
    qToLittleEndian(quint16(random.chance(0.9) ? 0 : 1 + random.below(0x0bb6)), bytes + 5);
    return QByteArray(bytes, StaticsRecordSize);
}

// Mostly a handful of items, now and then a crowded block.
QByteArray records(SplitMix& random)
{
    int count = 1 + int(random.below(4));
    if (random.chance(0.2))
        count += int(random.below(24));
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes += record(random);
    return bytes;
}

StaticsBlock withData(const QByteArray& bytes, qint32 extra)
{
    StaticsBlock block;
    block.empty = false;
    block.bytes = bytes;
    block.length = qint32(bytes.size());
    block.extra = extra;
    return block;
}

// Leftovers of an empty entry: -1, 0 or anything.
StaticsBlock emptyBlock(quint64 seed, qint64 block, quint64 copy)
{
    SplitMix random = SplitMix::forBlock(seed, block, EmptyPurpose + copy);
    StaticsBlock empty;
    const quint32 kind = random.below(10);
    empty.length = kind < 5 ? -1 : kind < 8 ? 0 : qint32(random.next());
    empty.extra = random.chance(0.5) ? -1 : qint32(random.next());
    return empty;
}

qint32 referenceExtra(SplitMix& random)
{
    return random.chance(0.7) ? 0 : qint32(random.next());
}

// One edit that always shows in the bytes: raise an item, swap it for the
// next id, add an item, or take one away.
QByteArray edit(QByteArray bytes, SplitMix& random)
{
    const int count = int(bytes.size() / StaticsRecordSize);
    char* target = bytes.data() + qsizetype(random.below(quint32(count))) * StaticsRecordSize;
    switch (random.below(4)) {
    case 0:
        target[4] = char(target[4] + 1);
        break;
    case 1:
        qToLittleEndian(quint16(qFromLittleEndian<quint16>(target) + 1), target);
        break;
    case 2:
        bytes += record(random);
        break;
    default:
        if (count > 1)
            bytes.remove(target - bytes.data(), StaticsRecordSize);
        else
            bytes += record(random);
        break;
    }
    return bytes;
}

}  // namespace

StaticsBlock referenceStatics(quint64 seed, qint64 block, const BlockPlan& plan)
{
    if (plan.referenceEmpty)
        return emptyBlock(seed, block, 0);
    SplitMix random = SplitMix::forBlock(seed, block, ReferencePurpose);
    const qint32 extra = referenceExtra(random);
    return withData(plan.zeroLength ? QByteArray() : records(random), extra);
}

StaticsBlock editedStatics(quint64 seed, qint64 block, const BlockPlan& plan)
{
    switch (plan.change) {
    case BlockChange::None: {
        if (plan.referenceEmpty)
            return emptyBlock(seed, block, 1);
        StaticsBlock same = referenceStatics(seed, block, plan);
        if (plan.extraOnly)
            same.extra = ~same.extra;
        return same;
    }
    case BlockChange::Edited: {
        const StaticsBlock reference = referenceStatics(seed, block, plan);
        SplitMix random = SplitMix::forBlock(seed, block, EditedPurpose);
        return withData(edit(reference.bytes, random), reference.extra);
    }
    case BlockChange::Emptied:
        return emptyBlock(seed, block, 1);
    case BlockChange::Added: {
        SplitMix random = SplitMix::forBlock(seed, block, AddedPurpose);
        return withData(records(random), referenceExtra(random));
    }
    }
    return StaticsBlock();
}

}  // namespace quillmark
