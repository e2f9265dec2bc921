#pragma once

#include "reportfacts.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace quillmark {

// The region that holds each changed block of a report's facts.
class RegionFinder
{
public:
    explicit RegionFinder(const ReportFacts& facts)
    {
        m_blocks.reserve(facts.regionBlocks.size());
        for (size_t r = 0; r < facts.regions.size(); ++r) {
            const Region& region = facts.regions[r];
            for (qint64 i = region.firstBlock; i < region.firstBlock + region.blocks; ++i)
                m_blocks.emplace_back(facts.regionBlocks[size_t(i)], r);
        }
        std::sort(m_blocks.begin(), m_blocks.end());
    }

    // The region's index, or -1 for a block no region holds (one whose
    // change is another order of the same statics, say).
    qint64 regionOf(qint64 block) const
    {
        const auto found =
            std::lower_bound(m_blocks.begin(), m_blocks.end(), std::pair<qint32, size_t>(qint32(block), 0));
        return found != m_blocks.end() && found->first == block ? qint64(found->second) : -1;
    }

private:
    std::vector<std::pair<qint32, size_t>> m_blocks;
};

}  // namespace quillmark
