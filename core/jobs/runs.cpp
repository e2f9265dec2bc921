#include "runs.h"

#include <cstring>

namespace quillmark {

Status compareRuns(Input& a, qint64 aOffset, Input& b, qint64 bOffset, qint64 length,
                   RunComparison& comparison)
{
    comparison = RunComparison::Equal;
    for (qint64 done = 0; done < length;) {
        const qint64 piece = qMin(length - done, Input::Piece);
        const char* x = nullptr;
        const char* y = nullptr;
        if (const Status viewed = a.view(aOffset + done, piece, x); viewed.failed())
            return viewed;
        // Viewing b may not move a's window: they are two inputs.
        if (const Status viewed = b.view(bOffset + done, piece, y); viewed.failed())
            return viewed;
        if (memcmp(x, y, size_t(piece)) != 0) {
            comparison = RunComparison::Different;
            return Status();
        }
        done += piece;
    }
    return Status();
}

Status copyMapTail(Input& map, Sink& to)
{
    const qint64 tail = map.size() / difformat::MapBlockSize * difformat::MapBlockSize;
    return copyRun(map, tail, map.size() - tail, to);
}

void appendIndexEntry(Sink& file, const IndexEntry& entry)
{
    char bytes[difformat::IndexEntrySize];
    entry.encode(bytes);
    file.append(bytes, difformat::IndexEntrySize);
}

Status copyRun(Input& from, qint64 offset, qint64 length, Sink& to)
{
    return forEachPiece(from, offset, length, [&to](const char* bytes, qint64 count) {
        to.append(bytes, count);
        return true;
    });
}

// A block's bytes within one piece are hashed in one view; a longer one is
// hashed piece by piece as it is copied.
Status copyHashedRun(Input& from, qint64 offset, qint64 length, Sink& to, quint64& hash)
{
    if (length <= Input::Piece) {
        const char* bytes = nullptr;
        if (length > 0) {
            if (const Status viewed = from.view(offset, length, bytes); viewed.failed())
                return viewed;
            to.append(bytes, length);
        }
        hash = blockHash(bytes, length);
        return Status();
    }
    BlockStreamHash stream;
    const Status read = forEachPiece(from, offset, length, [&](const char* bytes, qint64 count) {
        to.append(bytes, count);
        stream.add(bytes, count);
        return true;
    });
    hash = stream.digest();
    return read;
}

}  // namespace quillmark
