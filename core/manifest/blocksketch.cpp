#include "blocksketch.h"

#include <QtEndian>

#include <algorithm>

namespace quillmark {

qint64 BlockSketch::cellsFor(qint64 records)
{
    const qint64 wanted = 8 + (records + 2) / 3;
    qint64 third = 8;
    while (third * 2 <= wanted && 3 * third * 2 <= Largest)
        third *= 2;
    return 3 * third;
}

BlockSketch::BlockSketch(qint64 cells) : m_third(qMax<qint64>(1, cells / 3)), m_cells(size_t(3 * m_third)) {}

BlockSketch BlockSketch::folded(qint64 cells) const
{
    BlockSketch smaller(cells);
    for (qint64 i = 0; i < this->cells(); ++i) {
        const Cell& cell = m_cells[size_t(i)];
        Cell& into = smaller.m_cells[size_t(i / m_third * smaller.m_third + i % m_third % smaller.m_third)];
        fold(into, cell.block, cell.hash, int(cell.count));
    }
    return smaller;
}

void BlockSketch::addBatch(const quint32* numbers, const quint32* lows, int count)
{
    constexpr int Most = 256;
    qint64 cells[Most][3];
    for (int done = 0; done < count; done += Most) {
        const int batch = qMin(Most, count - done);
        for (int i = 0; i < batch; ++i) {
            positions(numbers[done + i], lows[done + i], cells[i]);
            for (const qint64 cell : cells[i])
                __builtin_prefetch(&m_cells[size_t(cell)], 1);
        }
        for (int i = 0; i < batch; ++i) {
            for (const qint64 cell : cells[i])
                fold(m_cells[size_t(cell)], numbers[done + i], lows[done + i], 1);
        }
    }
}

void BlockSketch::addRun(qint64 first, const quint64* hashes, qint64 count)
{
    for (qint64 i = 0; i < count; ++i) {
        const quint32 number = quint32(first + i), low = quint32(hashes[i]);
        qint64 cells[3];
        positions(number, low, cells);
        // Written out, the three cells stay in registers.
        fold(m_cells[size_t(cells[0])], number, low, 1);
        fold(m_cells[size_t(cells[1])], number, low, 1);
        fold(m_cells[size_t(cells[2])], number, low, 1);
    }
}

void BlockSketch::remove(qint64 block, quint64 hash)
{
    const quint32 number = quint32(block), low = quint32(hash);
    qint64 cells[3];
    positions(number, low, cells);
    for (const qint64 cell : cells)
        fold(m_cells[size_t(cell)], number, low, -1);
}

void BlockSketch::subtract(const BlockSketch& other)
{
    for (size_t i = 0; i < m_cells.size() && i < other.m_cells.size(); ++i)
        fold(m_cells[i], other.m_cells[i].block, other.m_cells[i].hash, -int(other.m_cells[i].count));
}

namespace {

// A block and hash peeled off, with the count it had in its cell.
struct Peeled
{
    quint32 block;
    quint32 hash;
    int count;
};

// The blocks of `peeled` that are really there. A cell can look as if it
// held one block while it holds several whose numbers and hashes fold into
// one that happens to belong there; peeling that phantom leaves its
// opposite in its other cells, which is peeled again later with the other
// sign. Summed by block and hash, a phantom comes to nothing.
std::vector<qint64> netBlocks(std::vector<Peeled>& peeled)
{
    std::sort(peeled.begin(), peeled.end(), [](const Peeled& a, const Peeled& b) {
        return a.block != b.block ? a.block < b.block : a.hash < b.hash;
    });
    std::vector<qint64> blocks;
    for (size_t i = 0; i < peeled.size();) {
        size_t next = i;
        int net = 0;
        for (; next < peeled.size() && peeled[next].block == peeled[i].block
               && peeled[next].hash == peeled[i].hash;
             ++next)
            net += peeled[next].count;
        if (net != 0 && (blocks.empty() || blocks.back() != qint64(peeled[i].block)))
            blocks.push_back(qint64(peeled[i].block));
        i = next;
    }
    return blocks;
}

}  // namespace

BlockSketch::Remaining BlockSketch::blocks(qint64 blockLimit) const
{
    const auto empty = [](const Cell& cell) { return cell.count == 0 && cell.block == 0 && cell.hash == 0; };
    // A block that differs is at most two entries (its two versions), each
    // in three cells: however many cells hold something, at least a sixth
    // as many blocks differ.
    const qint64 filled =
        qint64(std::count_if(m_cells.begin(), m_cells.end(), [&](const Cell& cell) { return !empty(cell); }));
    Remaining remaining;
    remaining.atLeast = (filled + 5) / 6;
    BlockSketch left = *this;
    std::vector<Peeled> peeled;
    // Each peel takes one entry out; a table that still offers one after
    // as many peels as it has cells twice over was not a sum of blocks.
    const size_t most = size_t(2 * cells());
    for (bool found = true; found && peeled.size() <= most;) {
        found = false;
        for (qint64 i = 0; i < cells() && peeled.size() <= most; ++i) {
            Cell& cell = left.m_cells[size_t(i)];
            const qint16 count = qint16(cell.count);
            if (count != 1 && count != -1)
                continue;
            qint64 own[3];
            positions(cell.block, cell.hash, own);
            if (own[i / m_third] != i)
                continue;
            peeled.push_back({cell.block, cell.hash, count});
            const quint32 block = cell.block, hash = cell.hash;
            for (const qint64 at : own)
                fold(left.m_cells[size_t(at)], block, hash, -count);
            found = true;
        }
    }
    if (!std::all_of(left.m_cells.begin(), left.m_cells.end(), empty))
        return remaining;
    std::vector<qint64> blocks = netBlocks(peeled);
    if (!blocks.empty() && blocks.back() >= blockLimit)
        return remaining;
    remaining.complete = true;
    remaining.atLeast = qint64(blocks.size());
    remaining.blocks = std::move(blocks);
    return remaining;
}

QByteArray BlockSketch::toBytes() const
{
    QByteArray bytes(byteSize(cells()), Qt::Uninitialized);
    char* at = bytes.data();
    for (const Cell& cell : m_cells) {
        qToLittleEndian(cell.count, at);
        qToLittleEndian(cell.block, at + 2);
        qToLittleEndian(cell.hash, at + 6);
        at += CellSize;
    }
    return bytes;
}

std::optional<BlockSketch> BlockSketch::fromBytes(const QByteArray& bytes, qint64 cells)
{
    const qint64 third = cells / 3;
    if (cells % 3 != 0 || third <= 0 || (third & (third - 1)) != 0 || cells > Largest
        || bytes.size() != byteSize(cells))
        return std::nullopt;
    BlockSketch sketch(cells);
    const char* at = bytes.constData();
    for (Cell& cell : sketch.m_cells) {
        cell = {qFromLittleEndian<quint16>(at), qFromLittleEndian<quint32>(at + 2),
                qFromLittleEndian<quint32>(at + 6)};
        at += CellSize;
    }
    return sketch;
}

}  // namespace quillmark
