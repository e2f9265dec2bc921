#pragma once

// The facet at a glance: one pixel per block (fewer on very large grids),
// the reference's land dimmed, the changed blocks marked, and the largest
// regions framed and numbered as the page numbers them. Its colours are
// taken block by block during the walk over the facet, so no second pass is
// needed and no more than the picture is held.

#include "palette.h"
#include "picture.h"
#include "reportfacts.h"

namespace quillmark {

// Regions framed and numbered; the rest show as their marked blocks.
constexpr int NumberedRegions = 100;

class Overview
{
public:
    static constexpr int MaxSide = 1024;
    static constexpr Rgb ChangedMark = rgb(0xff, 0xd0, 0x20);
    static constexpr Rgb RegionFrame = rgb(0x30, 0xe0, 0xff);

    Overview(qint64 widthBlocks, qint64 heightBlocks);

    // Whether the picture takes its colour from `block`, and giving it.
    bool samples(qint64 block) const
    {
        return m_blocksPerPixel == 1
               || (block / m_heightBlocks % m_blocksPerPixel == 0
                   && block % m_heightBlocks % m_blocksPerPixel == 0);
    }
    void setColour(qint64 block, Rgb colour);

    // The finished picture; `scale` pixels per sampled block. Null when
    // there was no memory for it.
    Picture draw(const ReportFacts& facts) const;
    int scale() const { return m_scale; }
    int blocksPerPixel() const { return m_blocksPerPixel; }

private:
    void frameRegion(Picture& image, const Region& region, int number) const;

    qint64 m_heightBlocks;
    int m_blocksPerPixel = 1;
    int m_scale = 1;
    Picture m_samples;
};

}  // namespace quillmark
