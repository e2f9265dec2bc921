#pragma once

// The facet at a glance: one pixel per block (fewer on very large grids),
// in a margin where numbers find room, the reference's relief dimmed, the
// changed blocks marked, every region framed (at least MinMarker pixels a
// side, however small it is), each block that the patch replaces but that
// holds something other than what the patch was made against framed in a
// colour of its own, a little wider than a region of one block would be (a
// merge's blocks with conflicting tiles too, in another colour),
// and the regions numbered as the page numbers them, each number where it
// overlaps no other and stays inside the picture, joined to its frame by a
// leader line when it stands away from it (numbers that find no room, and
// those of the smallest regions past MaxNumbered, are left out; the frames
// all link). The page makes it an image map: each frame
// and number links to its region. Its colours are taken block by block
// during the walk over the facet, so no second pass is needed and no more
// than the picture is held.

#include "palette.h"
#include "picture.h"
#include "reportfacts.h"

#include <QRect>

#include <vector>

namespace quillmark {

// A place on the overview that links to a region (its number, from 1).
struct OverviewLink
{
    qint64 region = 0;
    QRect rect;
    bool isNumber = false;  // else the region's frame
};

class Overview
{
public:
    static constexpr int MaxSide = 1024;
    static constexpr int MinMarker = 7;
    static constexpr int MinLink = 9;  // a link's least side, to be clicked
    static constexpr int Margin = 16;  // around the facet, for numbers
    // The regions numbered, the largest: past them a picture of this size has no room left.
    static constexpr qint64 MaxNumbered = 2000;
    static constexpr Rgb ChangedMark = rgb(0xff, 0xd0, 0x20);
    static constexpr Rgb RegionFrame = rgb(0x30, 0xe0, 0xff);
    static constexpr Rgb ConflictFrame = rgb(0xff, 0x3a, 0x2e);
    // A block of a merge that holds tiles both sides changed, each its own way.
    static constexpr Rgb MergeConflictFrame = rgb(0xb0, 0x26, 0xff);
    // How far a conflicting block's frame stands out around the block, so
    // that a region's frame of the same block stays in sight within it.
    static constexpr int ConflictOutset = 3;

    Overview(qint64 widthBlocks, qint64 heightBlocks);

    // Whether the picture takes its colour from `block`, and giving it.
    bool samples(qint64 block) const
    {
        return m_blocksPerPixel == 1
               || (block / m_heightBlocks % m_blocksPerPixel == 0
                   && block % m_heightBlocks % m_blocksPerPixel == 0);
    }
    void setColour(qint64 block, Rgb colour);

    // The finished picture, and the links of its regions' numbers and
    // frames, numbers first. Null when there was no memory for it.
    Picture draw(const ReportFacts& facts, std::vector<OverviewLink>& links) const;
    int scale() const { return m_scale; }
    int blocksPerPixel() const { return m_blocksPerPixel; }

    // The frame of a conflicting block, the block at the middle of its pixels.
    QRect conflictFrame(qint64 blockX, qint64 blockY) const;

private:
    QRect frameOf(const Region& region) const;

    qint64 m_heightBlocks;
    int m_blocksPerPixel = 1;
    int m_scale = 1;
    Picture m_samples;
};

}  // namespace quillmark
