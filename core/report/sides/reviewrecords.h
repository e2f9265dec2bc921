#pragma once

// The records a review finds beside the blocks it compares: those that
// change nothing, and those it could not draw whole.

#include <QString>
#include <QtGlobal>

namespace quillmark {

// A difference record that changes nothing, and why.
struct NoOpRecord
{
    enum class File { Map, Statics };
    enum class Reason {
        SameCells,    // the block's cells as they were (perhaps another header)
        SameStatics,  // the same entries (perhaps in another order, or another extra)
        Repeated,     // an earlier record names the same block: never used
        Outside,      // the block lies outside the map or statics index: never used
    };
    File file = File::Map;
    qint64 ordinal = 0;
    qint64 block = 0;
    Reason reason = Reason::SameCells;
};

// A record, or a block of statics, that the report could not draw whole,
// and why: a partial record at the end of a locator or difference index,
// or statics that are not whole 7-byte entries or lie outside their block.
// What can be read of it is drawn; no static is ever placed outside its
// block.
struct DamagedRecord
{
    enum class Source {
        MapLocator,
        StaticsLocator,
        StaticsDifIndex,
        StaticsRecord,     // a statics difference record
        ReferenceStatics,  // a block of the reference statics
        CurrentStatics,    // a block of the current statics, when two facets are compared
        MergedStatics,     // a block of a merge's result, which one side holds as it is
    };
    Source source = Source::StaticsRecord;
    qint64 ordinal = -1;  // the record, or -1 for a block of a statics pair
    qint64 block = -1;    // the block, or -1 when the record names none
    QString reason;
};

}  // namespace quillmark
