#include "staticscells.h"

#include <algorithm>
#include <cstring>

namespace quillmark {

bool StaticsCells::read(const char* bytes, qint64 length, QString& reason)
{
    m_bytes = bytes;
    if (length % StaticSize != 0) {
        reason = QStringLiteral("A block holds %1 bytes, not a whole number of %2-byte statics")
                     .arg(length)
                     .arg(StaticSize);
        return false;
    }
    const qint64 count = length / StaticSize;
    std::vector<int> cellOf(size_t(count), 0);
    m_start.fill(0);
    for (qint64 i = 0; i < count; ++i) {
        const uchar x = uchar(bytes[i * StaticSize + 2]), y = uchar(bytes[i * StaticSize + 3]);
        if (x >= CellsPerRow || y >= CellsPerRow) {
            reason =
                QStringLiteral("Static %1 of a block stands at x %2, y %3, outside it").arg(i).arg(x).arg(y);
            return false;
        }
        cellOf[size_t(i)] = y * CellsPerRow + x;
        ++m_start[size_t(cellOf[size_t(i)]) + 1];
    }
    for (size_t cell = 1; cell < m_start.size(); ++cell)
        m_start[cell] += m_start[cell - 1];
    // Placed in block order, each at the next free place of its cell.
    std::array<qint64, Cells> next{};
    std::copy(m_start.begin(), m_start.begin() + Cells, next.begin());
    m_order.assign(size_t(count), 0);
    for (qint64 i = 0; i < count; ++i)
        m_order[size_t(next[size_t(cellOf[size_t(i)])]++)] = i;
    return true;
}

bool StaticsCells::sameCell(int cell, const StaticsCells& other) const
{
    const size_t at = size_t(cell);
    const qint64 count = m_start[at + 1] - m_start[at];
    if (count != other.m_start[at + 1] - other.m_start[at])
        return false;
    for (qint64 i = 0; i < count; ++i) {
        const char* mine = m_bytes + m_order[size_t(m_start[at] + i)] * StaticSize;
        const char* theirs = other.m_bytes + other.m_order[size_t(other.m_start[at] + i)] * StaticSize;
        if (memcmp(mine, theirs, StaticSize) != 0)
            return false;
    }
    return true;
}

std::vector<const char*> StaticsCells::statics(int cell) const
{
    std::vector<const char*> list;
    for (qint64 i = m_start[size_t(cell)]; i < m_start[size_t(cell) + 1]; ++i)
        list.push_back(m_bytes + m_order[size_t(i)] * StaticSize);
    return list;
}

void StaticsCells::appendCell(int cell, std::vector<char>& to) const
{
    for (const char* item : statics(cell))
        to.insert(to.end(), item, item + StaticSize);
}

}  // namespace quillmark
