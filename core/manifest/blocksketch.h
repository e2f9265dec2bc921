#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <optional>
#include <vector>

namespace quillmark {

// A small, fixed-size summary of every block of a facet from which the blocks
// in which two facets differ can be listed again, as long as they are few:
// an invertible Bloom lookup table. Each block enters as its number and the
// low 32 bits of its hash, added into one cell in each third of the table (a
// count, and the number and hash folded in by exclusive or). Subtracting the
// sketch of one facet from that of another leaves only the blocks that differ,
// which are peeled off one by one from cells that hold a single one.
//
// A manifest carries the sketch of the patch's reference, so that a
// combination can tell how many blocks of its base, beside those the patch
// replaces, differ from it, without holding a hash of every block.
class BlockSketch
{
public:
    // The cells a manifest of `records` records carries: 24 for a patch of a
    // few blocks, and up to one more with every record, so that the sketch
    // keeps to about 13 bytes of text per record; never more than Largest.
    static qint64 cellsFor(qint64 records);
    static constexpr qint64 Largest = 3 << 10;
    // Bytes of a sketch of `cells` cells.
    static qint64 byteSize(qint64 cells) { return cells * CellSize; }

    // `cells` is three times a power of two.
    explicit BlockSketch(qint64 cells);

    // Every block of a facet passes through here: a few instructions.
    void add(qint64 block, quint64 hash)
    {
        const quint32 number = quint32(block), low = quint32(hash);
        qint64 cells[3];
        positions(number, low, cells);
        for (const qint64 cell : cells)
            fold(m_cells[size_t(cell)], number, low, 1);
    }
    // Blocks added a batch at a time (see SketchBatch): their cells are
    // found and fetched side by side before any is folded, rather than each
    // block waiting on its own three.
    void addBatch(const quint32* numbers, const quint32* lows, int count);
    // Blocks `first` to `first + count - 1`, by hash.
    void addRun(qint64 first, const quint64* hashes, qint64 count);
    void remove(qint64 block, quint64 hash);
    // This sketch less `other`, of the same size.
    void subtract(const BlockSketch& other);
    // The same blocks in a sketch of `cells` cells, fewer than this one has
    // (three times a power of two): one that is built before the size it will
    // be kept at is known is built at the largest size, then folded.
    BlockSketch folded(qint64 cells) const;

    // What can be said of the blocks that remain (see Remaining), all of
    // which a true difference places below `blockLimit`.
    struct Remaining
    {
        // Every block that remains, each once, in ascending order; empty
        // unless `complete`.
        std::vector<qint64> blocks;
        // Whether they could all be peeled off: false when there are too
        // many for the table.
        bool complete = false;
        // How many blocks remain at least: blocks.size() when complete,
        // else a bound that never exceeds the true count.
        qint64 atLeast = 0;
    };
    Remaining blocks(qint64 blockLimit) const;

    qint64 cells() const { return qint64(m_cells.size()); }
    // The cells as bytes, each count (16 bits), number and hash (32 bits
    // each) little-endian; and back, for exactly byteSize(cells) bytes.
    QByteArray toBytes() const;
    static std::optional<BlockSketch> fromBytes(const QByteArray& bytes, qint64 cells);

private:
    static constexpr qint64 CellSize = 10;
    struct Cell
    {
        quint16 count = 0;  // modulo 2^16: a difference of two sketches is small
        quint32 block = 0;
        quint32 hash = 0;
    };

    static void fold(Cell& cell, quint32 block, quint32 hash, int sign)
    {
        cell.count = quint16(cell.count + sign);
        cell.block ^= block;
        cell.hash ^= hash;
    }
    // One cell in each third, from three slices of the number and hash
    // mixed, taken modulo the size of a third: a sketch folded to a smaller
    // power of two keeps each block in the cells it would have had there.
    void positions(quint32 block, quint32 hash, qint64 (&cells)[3]) const
    {
        quint64 mixed = (quint64(block) * 0x9e3779b97f4a7c15ULL) ^ hash;
        mixed *= 0xff51afd7ed558ccdULL;
        mixed ^= mixed >> 32;
        const quint64 mask = quint64(m_third) - 1;
        cells[0] = qint64(mixed & mask);
        cells[1] = m_third + qint64((mixed >> 21) & mask);
        cells[2] = 2 * m_third + qint64((mixed >> 42) & mask);
    }

    qint64 m_third;  // cells in each third: a power of two
    std::vector<Cell> m_cells;
};

// Gathers the blocks of a walk that visits every block of a facet and hands
// them to its sketch a batch at a time.
class SketchBatch
{
public:
    explicit SketchBatch(BlockSketch& sketch) : m_sketch(sketch) {}
    ~SketchBatch() { flush(); }
    SketchBatch(const SketchBatch&) = delete;
    SketchBatch& operator=(const SketchBatch&) = delete;

    void add(qint64 block, quint64 hash)
    {
        if (m_pending == Capacity)
            flush();
        m_numbers[m_pending] = quint32(block);
        m_lows[m_pending++] = quint32(hash);
    }
    // Every block added so far is in the sketch.
    void flush()
    {
        m_sketch.addBatch(m_numbers, m_lows, m_pending);
        m_pending = 0;
    }

private:
    static constexpr int Capacity = 256;
    BlockSketch& m_sketch;
    quint32 m_numbers[Capacity];
    quint32 m_lows[Capacity];
    int m_pending = 0;
};

}  // namespace quillmark
