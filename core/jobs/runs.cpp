#include "runs.h"

#include <cstring>

namespace quillmark {

Status compareRuns(Input& a, qint64 aOffset, Input& b, qint64 bOffset, qint64 length,
                   RunComparison& comparison)
{
    comparison = RunComparison::Equal;
    for (qint64 done = 0; done < length;) {
        const qint64 piece = qMin(length - done, Input::MaxView);
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

Status copyMapTail(Input& map, Output& to)
{
    const qint64 tail = map.size() / difformat::MapBlockSize * difformat::MapBlockSize;
    return copyRun(map, tail, map.size() - tail, to);
}

void appendIndexEntry(Output& file, const IndexEntry& entry)
{
    char bytes[difformat::IndexEntrySize];
    entry.encode(bytes);
    file.append(bytes, difformat::IndexEntrySize);
}

Status copyRun(Input& from, qint64 offset, qint64 length, Output& to)
{
    return forEachPiece(from, offset, length, [&to](const char* bytes, qint64 count) {
        to.append(bytes, count);
        return true;
    });
}

Status JoinedCopy::startRun(Input& from, qint64 offset, qint64 length)
{
    const Status flushed = flush();
    m_from = &from;
    m_start = offset;
    m_pending = length;
    return flushed;
}

Status JoinedCopy::flush()
{
    const qint64 length = m_pending;
    m_pending = 0;
    if (m_hashed)
        return copyHashed(length);
    return length == 0 ? Status() : copyRun(*m_from, m_start, length, m_to);
}

// The run that waits, cut back into its blocks for their hashes as it is
// copied piece by piece; the hashes are told all at once.
Status JoinedCopy::copyHashed(qint64 length)
{
    const size_t blocks = m_lengths.size();
    m_hashes.resize(blocks);
    size_t next = 0;  // the block being hashed
    qint64 left = 0;  // of its bytes, those still to come
    // Blocks without data, or of no bytes, take no part of the run.
    const auto hashWithoutBytes = [&] {
        for (; next < blocks && m_lengths[next] <= 0; ++next)
            m_hashes[next] = m_lengths[next] == NoData ? 0 : blockHash(nullptr, 0);
    };
    hashWithoutBytes();
    const Status read =
        length == 0 ? Status() : forEachPiece(*m_from, m_start, length, [&](const char* bytes, qint64 count) {
            m_to.append(bytes, count);
            while (count > 0) {
                if (left == 0 && m_lengths[next] <= count) {
                    const qint64 whole = m_lengths[next];
                    m_hashes[next++] = blockHash(bytes, whole);
                    bytes += whole;
                    count -= whole;
                    hashWithoutBytes();
                    continue;
                }
                if (left == 0) {
                    left = m_lengths[next];
                    m_straddling.start();
                }
                const qint64 part = qMin(left, count);
                m_straddling.add(bytes, part);
                bytes += part;
                count -= part;
                left -= part;
                if (left == 0) {
                    m_hashes[next++] = m_straddling.digest();
                    hashWithoutBytes();
                }
            }
            return true;
        });
    m_lengths.clear();
    if (read.ok())
        m_hashed->copied(m_hashes.data(), blocks);
    return read;
}

}  // namespace quillmark
