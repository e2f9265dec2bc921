#pragma once

#include <QString>
#include <QtGlobal>

#include <array>
#include <vector>

namespace quillmark {

// A statics block's statics grouped by the tile they stand on: cell
// 8 * y + x holds the statics at (x, y), in their order in the block. A
// static is 7 bytes: item id (16 bits), x and y (8 bits each), altitude (8
// bits, signed) and hue (16 bits), little-endian.
class StaticsCells
{
public:
    static constexpr qint64 StaticSize = 7;
    static constexpr int CellsPerRow = 8;
    static constexpr int Cells = CellsPerRow * CellsPerRow;

    // Groups the `length` bytes at `bytes`, which must stay where they are;
    // fails with the reason when they are not whole statics, or one stands
    // outside the block.
    bool read(const char* bytes, qint64 length, QString& reason);

    bool sameCell(int cell, const StaticsCells& other) const;
    // The statics of a cell, each its 7 bytes.
    std::vector<const char*> statics(int cell) const;
    void appendCell(int cell, std::vector<char>& to) const;

private:
    const char* m_bytes = nullptr;
    std::array<qint64, Cells + 1> m_start{};  // of each cell in m_order
    std::vector<qint64> m_order;              // statics by cell, each cell's in block order
};

}  // namespace quillmark
