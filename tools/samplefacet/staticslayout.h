#pragma once

#include "staticsblock.h"

#include <QtGlobal>

#include <functional>
#include <unordered_map>

namespace quillmark {

class SplitMix;
class StagedFile;

// Lays out one copy's statics pair the way the game's files look: block data
// mostly in ascending block order, with now and then a few bytes of junk
// between blocks, and now and then a block that was placed early, ahead of
// blocks with lower numbers. Blocks are placed one by one, in ascending order;
// a block placed early is computed again from its number, so only the offsets
// of those few blocks are held.
class StaticsLayout
{
public:
    using BlockSource = std::function<StaticsBlock(qint64 block)>;

    StaticsLayout(StagedFile& index, StagedFile& data, quint64 layoutSeed, qint64 blockCount,
                  BlockSource source);

    // Writes block `block`'s index entry, and its data unless it was placed early.
    void place(qint64 block);

    qint64 blocksPlacedEarly() const { return m_placedEarlyCount; }

private:
    void maybeWriteJunk(SplitMix& random);
    void maybePlaceLaterBlock(qint64 block, SplitMix& random);
    qint32 appendData(const QByteArray& bytes);

    StagedFile& m_index;
    StagedFile& m_data;
    quint64 m_seed;
    qint64 m_blockCount;
    BlockSource m_source;
    std::unordered_map<qint64, qint32> m_placedEarly;  // block -> offset
    qint64 m_placedEarlyCount = 0;
};

}  // namespace quillmark
