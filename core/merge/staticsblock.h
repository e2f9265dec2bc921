#pragma once

#include "indexentry.h"
#include "inputfile.h"
#include "output.h"

namespace quillmark {

// The message for damage found at a block of one input.
using DamageMessage = QString (*)(qint64 block);

// One input's index and data: a statics pair, or a patch's difference index
// and data, its entries damaged as `damaged` says.
struct StaticsSource
{
    InputFile& index;
    InputFile& data;
    DamageMessage damaged;
};

// One side's statics block as read: its index entry, and its bytes when it
// has any.
struct StaticsBlock
{
    IndexEntry entry;
    InputFile* data = nullptr;
    // Viewed, valid until `data` is viewed again; none for a block longer
    // than a view may be, whose bytes are read piece by piece.
    const char* bytes = nullptr;

    bool present() const { return !entry.isEmpty(); }
    qint64 length() const { return entry.isEmpty() ? 0 : entry.length; }

    // Entry `entry` of `source`, for `block`: an entry whose bytes do not
    // lie inside its data file fails as damage at `block`.
    static Status read(const StaticsSource& source, qint64 entry, qint64 block, StaticsBlock& read);
    // The same, from the entry's bytes, viewed already.
    static Status decode(const StaticsSource& source, const char* entry, qint64 block, StaticsBlock& read);

    // The same statics: both absent, or both present with the same bytes.
    Status sameContent(const StaticsBlock& other, bool& same) const;
    // The same block in every field but where its bytes lie.
    Status sameBlock(const StaticsBlock& other, bool& same) const;
    // Its hash as a manifest holds it: 0 for an absent block.
    Status hash(quint64& hash) const;
    // Appends its bytes to `to`.
    Status copyTo(Output& to) const;
};

// Appends `block`'s bytes to a growing data file, and gives `entry` its
// entry there, to be appended to the index: with the offset where they land.
// A data file that would grow past what an offset can reach fails with
// `tooLarge`; bytes that cannot be read fail without a message.
Status appendStatics(const StaticsBlock& block, Output& data, const char* tooLarge, IndexEntry& entry);

// A read's failure under `message`, unless it has one of its own (damage).
// The text is made only for a failure: made for every block, it would cost
// more than the block.
inline Status withReadMessage(const Status& failure, const char* message)
{
    return failure.failed() && failure.message().isEmpty() ? failure.withMessage(QLatin1String(message))
                                                           : failure;
}

}  // namespace quillmark
