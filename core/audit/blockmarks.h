#pragma once

#include <QtGlobal>

#include <vector>

namespace quillmark {

// A facet's block grid, one mark per block, for the blocks that difference
// files name: what the picture draws, and what tells a block named twice.
// Block number b lies at column b / height, row b % height. One bit per
// block, so that memory follows the grid, not the files.
class BlockMarks
{
public:
    BlockMarks() = default;
    BlockMarks(qint64 width, qint64 height)
        : m_width(width), m_height(height), m_bits(size_t(qMax<qint64>(0, width * height)), false)
    {}

    qint64 width() const { return m_width; }
    qint64 height() const { return m_height; }
    bool contains(qint64 block) const { return block >= 0 && block < m_width * m_height; }
    bool isMarked(qint64 block) const { return contains(block) && m_bits[size_t(block)]; }
    // Marks `block`, which lies in the grid; false when it was marked already.
    bool mark(qint64 block)
    {
        const bool was = m_bits[size_t(block)];
        m_bits[size_t(block)] = true;
        m_count += was ? 0 : 1;
        return !was;
    }
    // Distinct blocks marked.
    qint64 count() const { return m_count; }

private:
    qint64 m_width = 0;
    qint64 m_height = 0;
    std::vector<bool> m_bits;
    qint64 m_count = 0;
};

}  // namespace quillmark
