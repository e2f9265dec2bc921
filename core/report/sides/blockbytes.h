#pragma once

#include <QtGlobal>

namespace quillmark {

// A merge's two sides of a block, beside its base (the reference) and its
// result (the after side), and the cells where the sides conflict; empty in
// other reviews.
struct MergeBytes
{
    const char* cellsOurs = nullptr;
    const char* cellsTheirs = nullptr;
    const char* staticsOurs = nullptr;
    qint64 staticsOursLength = 0;
    const char* staticsTheirs = nullptr;
    qint64 staticsTheirsLength = 0;
    quint64 mapConflicts = 0;  // bit 8 * y + x: both sides changed the tile, each its own way
    quint64 staticsConflicts = 0;
};

// A block of a merge whose sides conflict, and at which tiles.
struct ConflictingBlock
{
    qint32 block = 0;
    quint64 mapConflicts = 0;
    quint64 staticsConflicts = 0;
};

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
    MergeBytes merge;
};

// Blocks asked for in ascending order (a walk), or anywhere (a region).
enum class Access { InOrder, Anywhere };

// More blocks than any facet has, by far; a report of more is refused rather
// than holding a table of that size.
constexpr qint64 MaxReportBlocks = qint64(1) << 21;

}  // namespace quillmark
