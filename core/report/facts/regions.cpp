#include "regions.h"

#include <algorithm>
#include <numeric>

namespace quillmark {

namespace {

// Union-find over the changed blocks, by their index in facts.changed.
class Groups
{
public:
    explicit Groups(size_t count) : m_parent(count) { std::iota(m_parent.begin(), m_parent.end(), 0); }

    size_t root(size_t i)
    {
        while (m_parent[i] != i) {
            m_parent[i] = m_parent[m_parent[i]];
            i = m_parent[i];
        }
        return i;
    }
    void join(size_t a, size_t b) { m_parent[root(a)] = root(b); }

private:
    std::vector<size_t> m_parent;
};

// The changed blocks of one block column: facts.changed[first, end), rows ascending.
struct Column
{
    qint64 x;
    size_t first;
    size_t end;
};

std::vector<Column> columnsOf(const ReportFacts& facts)
{
    std::vector<Column> columns;
    for (size_t i = 0; i < facts.changed.size(); ++i) {
        const qint64 x = facts.blockX(facts.changed[i].block);
        if (columns.empty() || columns.back().x != x)
            columns.push_back({x, i, i});
        columns.back().end = i + 1;
    }
    return columns;
}

// The first changed block of `column` in row `top` or below it, or column.end.
size_t firstFrom(const ReportFacts& facts, const Column& column, qint64 top)
{
    size_t low = column.first;
    size_t count = column.end - column.first;
    while (count > 0) {
        const size_t step = count / 2;
        if (facts.blockY(facts.changed[low + step].block) < top) {
            low += step + 1;
            count -= step + 1;
        } else {
            count = step;
        }
    }
    return low;
}

// Within `reach` rows in the same column, or in one of the `reach` columns to
// the right: every changed block in such a column's window joins this one.
// Joining the first and last of a window is enough: the window spans at most
// 2 * reach rows, so at most one step between its neighbours exceeds
// `reach`, and the column's own joins link the rest to one of the two ends.
void joinNeighbours(const ReportFacts& facts, const std::vector<Column>& columns, qint64 reach,
                    Groups& groups)
{
    const auto row = [&facts](size_t i) { return facts.blockY(facts.changed[i].block); };
    for (size_t c = 0; c < columns.size(); ++c) {
        const Column& column = columns[c];
        for (size_t i = column.first; i < column.end; ++i) {
            if (i + 1 < column.end && row(i + 1) - row(i) <= reach)
                groups.join(i, i + 1);
            for (size_t n = c + 1; n < columns.size() && columns[n].x - column.x <= reach; ++n) {
                const size_t first = firstFrom(facts, columns[n], row(i) - reach);
                const size_t end = firstFrom(facts, columns[n], row(i) + reach + 1);
                if (first < end) {
                    groups.join(i, first);
                    groups.join(i, end - 1);
                }
            }
        }
    }
}

bool largerFirst(const Region& a, const Region& b)
{
    if (a.blocks != b.blocks)
        return a.blocks > b.blocks;
    if (a.width * a.height != b.width * b.height)
        return a.width * a.height > b.width * b.height;
    return a.x != b.x ? a.x < b.x : a.y < b.y;
}

// One region per group, its rectangle in tiles, and each changed block's region.
std::vector<Region> regionsOf(const ReportFacts& facts, Groups& groups, std::vector<size_t>& regionOf)
{
    const size_t count = facts.changed.size();
    std::vector<size_t> regionOfRoot(count, count);
    std::vector<Region> regions;
    regionOf.assign(count, 0);
    for (size_t i = 0; i < count; ++i) {
        const size_t root = groups.root(i);
        const ChangedBlock& block = facts.changed[i];
        const qint64 x = facts.blockX(block.block);
        const qint64 y = facts.blockY(block.block);
        if (regionOfRoot[root] == count) {
            regionOfRoot[root] = regions.size();
            Region first;
            first.x = first.width = x;
            first.y = first.height = y;
            regions.push_back(first);
        }
        regionOf[i] = regionOfRoot[root];
        Region& region = regions[regionOf[i]];
        const TileRect tiles{x * TilesPerSide + block.firstX, y * TilesPerSide + block.firstY,
                             block.lastX - block.firstX + 1, block.lastY - block.firstY + 1};
        region.changedTiles = region.changedTiles.united(tiles);
        region.x = qMin(region.x, x);
        region.y = qMin(region.y, y);
        region.width = qMax(region.width, x);  // the right and bottom columns, for now
        region.height = qMax(region.height, y);
        ++region.blocks;
        region.landCells += block.landCells;
        region.staticsAdded += block.staticsAdded;
        region.staticsRemoved += block.staticsRemoved;
    }
    for (Region& region : regions) {
        region.width = (region.width - region.x + 1) * TilesPerSide;
        region.height = (region.height - region.y + 1) * TilesPerSide;
        region.x *= TilesPerSide;
        region.y *= TilesPerSide;
    }
    return regions;
}

}  // namespace

void groupRegions(ReportFacts& facts, int gap)
{
    const size_t count = facts.changed.size();
    Groups groups(count);
    joinNeighbours(facts, columnsOf(facts), qint64(gap) + 1, groups);
    std::vector<size_t> regionOf;
    const std::vector<Region> regions = regionsOf(facts, groups, regionOf);

    std::vector<size_t> order(regions.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&regions](size_t a, size_t b) { return largerFirst(regions[a], regions[b]); });
    std::vector<size_t> rank(regions.size());
    facts.regions.clear();
    qint64 first = 0;
    for (size_t r = 0; r < order.size(); ++r) {
        rank[order[r]] = r;
        facts.regions.push_back(regions[order[r]]);
        facts.regions.back().firstBlock = first;
        first += facts.regions.back().blocks;
    }
    // The blocks of each region in block order: a counting sort by rank.
    std::vector<qint64> next(facts.regions.size());
    for (size_t r = 0; r < facts.regions.size(); ++r)
        next[r] = facts.regions[r].firstBlock;
    facts.regionBlocks.assign(count, 0);
    for (size_t i = 0; i < count; ++i)
        facts.regionBlocks[size_t(next[rank[regionOf[i]]]++)] = facts.changed[i].block;
}

}  // namespace quillmark
