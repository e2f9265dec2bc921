#pragma once

#include "status.h"

#include <QString>

#include <vector>

// A facet's block grid, one pixel per block, with the blocks that difference
// files list marked, so that a map maker sees at a glance where a patch
// touches the world. Block number b lies at column b / height, row b % height.
struct BlockGrid
{
    qint64 width = 0;
    qint64 height = 0;
};

struct BlockPicture
{
    Status status = Status::success();
    qint64 marked = 0;   // distinct blocks drawn
    qint64 outside = 0;  // records whose block lies outside the grid, not drawn
};

// The largest side a picture may have.
constexpr int MaxPictureSide = 32767;

BlockPicture drawBlockPicture(const QString& path, const BlockGrid& grid, const std::vector<qint32>& blocks);
