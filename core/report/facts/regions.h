#pragma once

#include "reportfacts.h"

namespace quillmark {

// The largest gap between two blocks of one region that --gap accepts.
constexpr int MaxRegionGap = 32;

// Groups facts.changed into facts.regions: two changed blocks belong to one
// region when no more than `gap` blocks lie between them, across and down
// (0: only blocks that touch, corners included). Regions come largest first:
// most changed blocks, then largest rectangle, then left to right, top to
// bottom. Fills facts.regionBlocks.
void groupRegions(ReportFacts& facts, int gap);

}  // namespace quillmark
