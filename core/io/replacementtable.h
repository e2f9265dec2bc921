#pragma once

#include "input.h"

#include <QtGlobal>

#include <optional>
#include <vector>

namespace quillmark {

// Block number -> ordinal of the locator record that names it, filled from a
// locator file before a combination walks its blocks. The first record of a
// block number wins; later ones still count for the ordinals of the records
// after them. Numbers outside the walk can never be looked up, so they are
// dropped as they are read. The locator is read piece by piece and only the
// first record of each block is kept, so the table holds at most one entry
// per block of the walk, however long the locator and however often it
// repeats itself.
class ReplacementTable
{
public:
    explicit ReplacementTable(qint64 blockCount) : m_blockCount(blockCount) {}

    // Reads every whole record of `locator` (a partial record at its end is
    // ignored). Fails when the locator cannot be read.
    Status load(Input& locator);

    // The record ordinal for `block`, or -1 when no record names it.
    qint64 find(qint64 block) const;

    // Of the records that are the first to name their block, the earliest
    // whose ordinal is `ordinal` or more, with its block; nothing when there
    // is none.
    struct Record
    {
        qint64 block;
        qint64 ordinal;
    };
    std::optional<Record> firstRecordFrom(qint64 ordinal) const;

    // The same, for a walk that asks in ascending block order: each call
    // carries on where the last one stopped, so the whole walk costs one pass
    // over the table instead of a search per block. Asked out of order, it
    // starts again from the front and stays right.
    qint64 findNext(qint64 block)
    {
        // Most blocks of a walk lie between two listed ones: one comparison.
        if (block > m_lastAsked && m_next < m_entries.size() && block < m_entries[m_next].block) {
            m_lastAsked = block;
            return -1;
        }
        return findNextFrom(block);
    }
    // Right after findNext(block) found no record: the first block past it
    // that a record names, or `limit` when none does before that.
    qint64 nextNamedBlock(qint64 limit) const
    {
        return m_next < m_entries.size() && m_entries[m_next].block < limit ? m_entries[m_next].block : limit;
    }

private:
    struct Entry
    {
        qint32 block;
        qint64 ordinal;
    };

    void addPiece(std::vector<Entry>& piece);
    qint64 findNextFrom(qint64 block);

    qint64 m_blockCount;
    std::vector<Entry> m_entries;  // sorted by block, one entry per block
    size_t m_next = 0;             // findNext's place: every entry before it is for a smaller block
    qint64 m_lastAsked = -1;       // the block findNext was last asked for
};

}  // namespace quillmark
