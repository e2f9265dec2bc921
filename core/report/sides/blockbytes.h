#pragma once

#include <QtGlobal>

namespace quillmark {

// One block's bytes as the reference has them and as the other side has
// them (the difference files applied, or the current facet), valid until
// the next read. A side with no record is the reference.
struct BlockBytes
{
    const char* cellsBefore = nullptr;  // the 64 cells after the header; null past the map's end
    const char* cellsAfter = nullptr;
    qint64 mapRecord = -1;  // the map difference record used, or -1
    const char* staticsBefore = nullptr;
    qint64 staticsBeforeLength = 0;
    bool staticsBeforePresent = false;  // the reference's entry is not empty (its length may be 0)
    const char* staticsAfter = nullptr;
    qint64 staticsAfterLength = 0;
    qint64 staticsRecord = -1;     // the statics difference record used, or -1
    bool mapCompared = false;      // the after side's cells come from a record or the current map
    bool staticsCompared = false;  // the same for its statics
};

// Blocks asked for in ascending order (a walk), or anywhere (a region).
enum class Access { InOrder, Anywhere };

// More blocks than any facet has, by far; a report of more is refused rather
// than holding a table of that size.
constexpr qint64 MaxReportBlocks = qint64(1) << 21;

}  // namespace quillmark
