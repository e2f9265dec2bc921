#pragma once

#include "fileformat.h"

#include <QtEndian>

namespace quillmark {

// One 12-byte statics index entry or difference index record.
struct IndexEntry
{
    qint32 offset = difformat::EmptyOffset;
    qint32 length = 0;
    qint32 extra = 0;  // travels with the block, never compared

    // Recognised by the offset alone, whatever length and extra hold.
    bool isEmpty() const { return offset == difformat::EmptyOffset; }

    // An entry with data must name a run that lies wholly inside its data
    // file; nothing is read through an entry that does not. An entry of
    // length 0 reads nothing, wherever its offset points: a present block
    // without statics.
    bool fitsIn(qint64 dataSize) const
    {
        return isEmpty() || length == 0 || (offset >= 0 && length > 0 && qint64(offset) + length <= dataSize);
    }

    static IndexEntry decode(const char* bytes)
    {
        return {qFromLittleEndian<qint32>(bytes), qFromLittleEndian<qint32>(bytes + 4),
                qFromLittleEndian<qint32>(bytes + 8)};
    }

    void encode(char* bytes) const
    {
        qToLittleEndian(offset, bytes);
        qToLittleEndian(length, bytes + 4);
        qToLittleEndian(extra, bytes + 8);
    }
};

}  // namespace quillmark
