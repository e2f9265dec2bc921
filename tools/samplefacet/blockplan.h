#pragma once

#include "samplefacet.h"

namespace quillmark {

// What the edited copy does to one block, decided from the seed and the block
// number alone.
enum class BlockChange {
    None,     // same payload and statics bytes (perhaps another header, extra or place)
    Edited,   // payload and statics bytes edited
    Emptied,  // statics removed
    Added,    // statics placed on an empty block
};

struct BlockPlan
{
    BlockChange change = BlockChange::None;
    bool referenceEmpty = false;  // no statics in the reference
    bool headerOnly = false;      // unchanged block with another map header
    bool extraOnly = false;       // unchanged statics with another extra
    bool zeroLength = false;      // unchanged statics of 0 bytes that are not empty

    bool editedEmpty() const
    {
        return change == BlockChange::Emptied || (change == BlockChange::None && referenceEmpty);
    }
};

BlockPlan planBlock(const SampleFacetOptions& options, qint64 block);

}  // namespace quillmark
