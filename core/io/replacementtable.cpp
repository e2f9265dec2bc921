#include "replacementtable.h"

#include "locatorrecords.h"

#include <algorithm>
#include <iterator>

namespace quillmark {

namespace {

bool byBlockThenOrdinal(qint32 aBlock, qint64 aOrdinal, qint32 bBlock, qint64 bOrdinal)
{
    return aBlock != bBlock ? aBlock < bBlock : aOrdinal < bOrdinal;
}

}  // namespace

Status ReplacementTable::load(Input& locator)
{
    // No block can be looked up: the locator need not be read at all.
    if (m_blockCount == 0)
        return Status();
    // Collected a piece at a time, each piece folded into the table before
    // the next is read.
    constexpr size_t PieceSize = size_t(1) << 18;
    std::vector<Entry> piece;
    // Room for every record at once, so that the piece never grows by
    // copies: each copy is memory touched anew.
    piece.reserve(size_t(qMin(qint64(PieceSize), locator.size() / difformat::LocatorRecordSize)));
    const Status read = forEachLocatorRecord(locator, [&](qint64 ordinal, qint32 block) {
        if (block >= 0 && block < m_blockCount)
            piece.push_back({block, ordinal});
        if (piece.size() == PieceSize)
            addPiece(piece);
    });
    addPiece(piece);
    if (m_entries.capacity() > 2 * m_entries.size())
        m_entries.shrink_to_fit();
    return read;
}

// Sorting by (block, ordinal) puts each block's first record of the piece in
// front of its repeats, which unique() drops; the table's own entries come
// from earlier pieces, so where both hold a block, the table's entry wins.
void ReplacementTable::addPiece(std::vector<Entry>& piece)
{
    if (piece.empty())
        return;
    const auto inOrder = [](const Entry& a, const Entry& b) {
        return byBlockThenOrdinal(a.block, a.ordinal, b.block, b.ordinal);
    };
    // Generated locators list their blocks in ascending order already.
    if (!std::is_sorted(piece.begin(), piece.end(), inOrder))
        std::sort(piece.begin(), piece.end(), inOrder);
    const auto sameBlock = [](const Entry& a, const Entry& b) { return a.block == b.block; };
    piece.erase(std::unique(piece.begin(), piece.end(), sameBlock), piece.end());
    // The first piece is the table: nothing to merge it with.
    if (m_entries.empty()) {
        m_entries.swap(piece);
        return;
    }
    std::vector<Entry> merged;
    merged.reserve(m_entries.size() + piece.size());
    std::merge(m_entries.begin(), m_entries.end(), piece.begin(), piece.end(), std::back_inserter(merged),
               inOrder);
    merged.erase(std::unique(merged.begin(), merged.end(), sameBlock), merged.end());
    m_entries.swap(merged);
    piece.clear();
}

qint64 ReplacementTable::findNextFrom(qint64 block)
{
    if (block <= m_lastAsked && m_next > 0 && m_entries[m_next - 1].block >= block)
        m_next = 0;
    m_lastAsked = block;
    while (m_next < m_entries.size() && m_entries[m_next].block < block)
        ++m_next;
    return m_next < m_entries.size() && m_entries[m_next].block == block ? m_entries[m_next].ordinal : -1;
}

qint64 ReplacementTable::find(qint64 block) const
{
    const auto at = std::lower_bound(m_entries.begin(), m_entries.end(), block,
                                     [](const Entry& entry, qint64 wanted) { return entry.block < wanted; });
    return at != m_entries.end() && at->block == block ? at->ordinal : -1;
}

std::optional<ReplacementTable::Record> ReplacementTable::firstRecordFrom(qint64 ordinal) const
{
    std::optional<Record> first;
    for (const Entry& entry : m_entries) {
        if (entry.ordinal >= ordinal && (!first || entry.ordinal < first->ordinal))
            first = Record{entry.block, entry.ordinal};
    }
    return first;
}

}  // namespace quillmark
