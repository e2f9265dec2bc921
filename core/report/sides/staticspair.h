#pragma once

#include "indexentry.h"
#include "inputfile.h"
#include "status.h"

namespace quillmark {

// An index and its data file as a review reads them: each entry checked to
// lie within its data, and read within one view of it.
struct StaticsPair
{
    InputFile& index;
    InputFile& data;
    // The message for a damaged entry of `block`, made only for damage: a
    // text for every block cost the walk more than all it reads.
    QString (*damaged)(qint64 block);

    // Entry `number` (the block's own, or its difference record's), for `block`.
    Status readEntry(qint64 number, qint64 block, IndexEntry& entry) const;
    // The bytes `entry` names: none for an empty entry or one of no bytes.
    Status readData(const IndexEntry& entry, const char*& bytes, qint64& length) const;
};

}  // namespace quillmark
