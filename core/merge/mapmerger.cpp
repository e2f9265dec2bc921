#include "mapmerger.h"

#include <cstring>

namespace quillmark {

using namespace difformat;

const char* MapMerger::merge(qint64 block, const MapBlockSides& sides)
{
    const size_t length = size_t(sides.length);
    const auto same = [length](const char* a, const char* b) { return memcmp(a, b, length) == 0; };
    const bool oursIsBase = same(sides.ours, sides.base);
    const bool theirsIsBase = same(sides.theirs, sides.base);
    if (oursIsBase || theirsIsBase) {
        countChange(oursIsBase ? (theirsIsBase ? BlockChange::None : BlockChange::Theirs) : BlockChange::Ours,
                    m_figures);
        return oursIsBase ? sides.theirs : sides.ours;
    }
    countChange(BlockChange::Both, m_figures);
    if (same(sides.ours, sides.theirs))
        return sides.ours;
    mergeCells(block, sides);
    return m_merged;
}

void MapMerger::mergeCells(qint64 block, const MapBlockSides& sides)
{
    const qint64 header = qMin(MapHeaderSize, sides.length);
    const bool headerKept = memcmp(sides.ours, sides.base, size_t(header)) == 0;
    memcpy(m_merged, headerKept ? sides.theirs : sides.ours, size_t(header));
    for (qint64 at = MapHeaderSize, cell = 0; at < sides.length; at += TileBytes, ++cell) {
        const qint64 length = qMin<qint64>(TileBytes, sides.length - at);
        const auto same = [at, length](const char* a, const char* b) {
            return memcmp(a + at, b + at, size_t(length)) == 0;
        };
        const Take take = threeWay([&] { return same(sides.ours, sides.base); },
                                   [&] { return same(sides.theirs, sides.base); },
                                   [&] { return same(sides.ours, sides.theirs); });
        if (take == Take::Conflict) {
            m_conflicts.add(block, int(cell % CellsPerRow), int(cell / CellsPerRow), [&] {
                return ConflictList::Values{ConflictList::mapCell(sides.base + at, length),
                                            ConflictList::mapCell(sides.ours + at, length),
                                            ConflictList::mapCell(sides.theirs + at, length)};
            });
        }
        memcpy(m_merged + at, (takesOurs(take, m_prefer) ? sides.ours : sides.theirs) + at, size_t(length));
    }
}

}  // namespace quillmark
