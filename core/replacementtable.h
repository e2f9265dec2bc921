#pragma once

#include <QtGlobal>

#include <vector>

class InputFile;

// Block number -> ordinal of the locator record that names it, filled from a
// locator file before a combination walks its blocks. The first record of a
// block number wins; later ones still count for the ordinals of the records
// after them. Numbers outside the walk can never be looked up, so they are
// dropped as they are read: the table never outgrows the walk.
class ReplacementTable
{
public:
    explicit ReplacementTable(qint64 blockCount) : m_blockCount(blockCount) {}

    // Reads every whole record of `locator` (a partial record at its end is
    // ignored). False when the locator cannot be read.
    bool load(InputFile& locator);

    // The record ordinal for `block`, or -1 when no record names it.
    qint64 find(qint64 block) const;

    qint64 size() const { return qint64(m_entries.size()); }

private:
    struct Entry
    {
        qint32 block;
        qint64 ordinal;
    };

    qint64 m_blockCount;
    std::vector<Entry> m_entries;  // sorted by block, one entry per block
};
