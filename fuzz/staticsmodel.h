#pragma once

// A plain model of statics index entries for the statics targets, written
// apart from the engine's own so that the two can disagree.

#include "jobfuzz.h"

#include "fileformat.h"

namespace staticsmodel {

using namespace quillmark;

struct Entry
{
    qint32 offset, length, extra;

    bool empty() const { return offset == difformat::EmptyOffset; }
    // Whether the entry may be read: empty, of length 0, or inside the data.
    bool readable(qint64 dataSize) const
    {
        return empty() || length == 0 || (offset >= 0 && length > 0 && qint64(offset) + length <= dataSize);
    }
    QByteArray bytes(const QByteArray& data) const
    {
        return empty() || length == 0 ? QByteArray() : data.mid(offset, length);
    }
};

inline qint64 count(const QByteArray& index)
{
    return index.size() / difformat::IndexEntrySize;
}

inline Entry entryAt(const QByteArray& index, qint64 i)
{
    const qint64 at = i * difformat::IndexEntrySize;
    return {jobfuzz::int32At(index, at), jobfuzz::int32At(index, at + 4), jobfuzz::int32At(index, at + 8)};
}

inline QByteArray encode(const Entry& entry)
{
    QByteArray bytes(difformat::IndexEntrySize, Qt::Uninitialized);
    qToLittleEndian(entry.offset, bytes.data());
    qToLittleEndian(entry.length, bytes.data() + 4);
    qToLittleEndian(entry.extra, bytes.data() + 8);
    return bytes;
}

}  // namespace staticsmodel
