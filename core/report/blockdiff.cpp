#include "blockdiff.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace quillmark {

void decodeCells(const char* cells, BlockCells& out)
{
    for (int i = 0; i < CellsPerBlock; ++i) {
        const char* cell = cells + qsizetype(i) * LandCellSize;
        out[size_t(i)] = {qFromLittleEndian<quint16>(cell), qint8(cell[2])};
    }
}

void decodeStatics(const char* bytes, qint64 length, qint64 left, qint64 top, std::vector<StaticItem>& out)
{
    out.clear();
    for (qint64 at = 0; at + StaticEntrySize <= length; at += StaticEntrySize) {
        const char* entry = bytes + at;
        out.push_back({qFromLittleEndian<quint16>(entry), left + quint8(entry[2]), top + quint8(entry[3]),
                       qint8(entry[4]), qFromLittleEndian<quint16>(entry + 5)});
    }
}

bool BlockComparer::cellsDiffer(const BlockBytes& bytes)
{
    return bytes.cellsBefore != bytes.cellsAfter
           && std::memcmp(bytes.cellsBefore, bytes.cellsAfter, size_t(CellsPerBlock) * LandCellSize) != 0;
}

bool BlockComparer::staticsDiffer(const BlockBytes& bytes)
{
    if (bytes.staticsRecord < 0)
        return false;
    if (bytes.staticsBeforeLength == bytes.staticsAfterLength
        && (bytes.staticsBeforeLength == 0
            || std::memcmp(bytes.staticsBefore, bytes.staticsAfter, size_t(bytes.staticsBeforeLength)) == 0))
        return false;
    decodeStatics(bytes.staticsBefore, bytes.staticsBeforeLength, 0, 0, m_before);
    decodeStatics(bytes.staticsAfter, bytes.staticsAfterLength, 0, 0, m_after);
    std::sort(m_before.begin(), m_before.end());
    std::sort(m_after.begin(), m_after.end());
    return m_before != m_after;
}

const BlockChanges& BlockComparer::compare(const BlockBytes& bytes, qint64 left, qint64 top)
{
    m_changes.land.clear();
    m_changes.added.clear();
    m_changes.removed.clear();
    m_changes.changedTiles = 0;
    if (cellsDiffer(bytes)) {
        BlockCells before, after;
        decodeCells(bytes.cellsBefore, before);
        decodeCells(bytes.cellsAfter, after);
        for (int i = 0; i < CellsPerBlock; ++i) {
            if (before[size_t(i)] == after[size_t(i)])
                continue;
            m_changes.land.push_back(
                {left + i % TilesPerSide, top + i / TilesPerSide, before[size_t(i)], after[size_t(i)]});
            m_changes.changedTiles |= quint64(1) << i;
        }
    }
    if (staticsDiffer(bytes))
        compareStatics(left, top);
    return m_changes;
}

// m_before and m_after hold the sorted entries of both sides, placed at (0, 0).
void BlockComparer::compareStatics(qint64 left, qint64 top)
{
    std::set_difference(m_after.begin(), m_after.end(), m_before.begin(), m_before.end(),
                        std::back_inserter(m_changes.added));
    std::set_difference(m_before.begin(), m_before.end(), m_after.begin(), m_after.end(),
                        std::back_inserter(m_changes.removed));
    for (auto* list : {&m_changes.added, &m_changes.removed}) {
        for (StaticItem& item : *list) {
            if (item.x < TilesPerSide && item.y < TilesPerSide)
                m_changes.changedTiles |= quint64(1) << (item.y * TilesPerSide + item.x);
            item.x += left;
            item.y += top;
        }
    }
}

}  // namespace quillmark
