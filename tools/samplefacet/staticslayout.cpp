#include "staticslayout.h"

#include "runs.h"

#include "splitmix.h"

#include "fileformat.h"
#include "indexentry.h"
#include "stagedfile.h"

namespace quillmark {

namespace {

constexpr double JunkShare = 0.03;
constexpr double PlaceEarlyShare = 0.01;
constexpr quint32 MaxJunkBytes = 32;
constexpr quint32 MaxPlaceAhead = 64;
constexpr quint64 LayoutPurpose = 8;

}  // namespace

StaticsLayout::StaticsLayout(StagedFile& index, StagedFile& data, quint64 layoutSeed, qint64 blockCount,
                             BlockSource source)
    : m_index(index), m_data(data), m_seed(layoutSeed), m_blockCount(blockCount), m_source(std::move(source))
{}

void StaticsLayout::place(qint64 block)
{
    const StaticsBlock statics = m_source(block);
    qint32 offset = difformat::EmptyOffset;
    if (!statics.empty) {
        const auto early = m_placedEarly.find(block);
        if (early != m_placedEarly.end()) {
            offset = early->second;
            m_placedEarly.erase(early);
        } else {
            SplitMix random = SplitMix::forBlock(m_seed, block, LayoutPurpose);
            maybePlaceLaterBlock(block, random);
            maybeWriteJunk(random);
            offset = appendData(statics.bytes);
        }
    }
    appendIndexEntry(m_index, {offset, statics.length, statics.extra});
}

void StaticsLayout::maybeWriteJunk(SplitMix& random)
{
    if (!random.chance(JunkShare))
        return;
    const quint32 count = 1 + random.below(MaxJunkBytes);
    for (quint32 i = 0; i < count; ++i) {
        const char junk = char(random.below(256));
        m_data.append(&junk, 1);
    }
}

void StaticsLayout::maybePlaceLaterBlock(qint64 block, SplitMix& random)
{
    if (!random.chance(PlaceEarlyShare))
        return;
    const qint64 later = block + 1 + random.below(MaxPlaceAhead);
    if (later >= m_blockCount || m_placedEarly.count(later) != 0)
        return;
    const StaticsBlock statics = m_source(later);
    if (statics.empty)
        return;
    maybeWriteJunk(random);
    m_placedEarly.emplace(later, appendData(statics.bytes));
    ++m_placedEarlyCount;
}

qint32 StaticsLayout::appendData(const QByteArray& bytes)
{
    const qint32 offset = qint32(m_data.size());
    m_data.append(bytes.constData(), bytes.size());
    return offset;
}

}  // namespace quillmark
