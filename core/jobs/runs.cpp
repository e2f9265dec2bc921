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

// The blocks without data, or of no bytes, that come next.
void JoinedCopy::tellWaiting()
{
    for (; m_told < m_lengths.size() && m_lengths[m_told] <= 0; ++m_told)
        m_hashed->copied(m_lengths[m_told] == NoData ? 0 : blockHash(nullptr, 0));
}

// The run that waits, cut back into its blocks for their hashes as it is
// copied piece by piece.
Status JoinedCopy::copyHashed(qint64 length)
{
    qint64 left = 0;  // of the block being hashed
    tellWaiting();
    const Status read =
        length == 0 ? Status() : forEachPiece(*m_from, m_start, length, [&](const char* bytes, qint64 count) {
            m_to.append(bytes, count);
            while (count > 0) {
                if (left == 0) {
                    left = m_lengths[m_told];
                    if (left <= count) {
                        m_hashed->copied(blockHash(bytes, left));
                        bytes += left;
                        count -= left;
                        left = 0;
                        ++m_told;
                        tellWaiting();
                        continue;
                    }
                    m_straddling.start();
                }
                const qint64 part = qMin(left, count);
                m_straddling.add(bytes, part);
                bytes += part;
                count -= part;
                left -= part;
                if (left == 0) {
                    m_hashed->copied(m_straddling.digest());
                    ++m_told;
                    tellWaiting();
                }
            }
            return true;
        });
    if (read.ok())
        tellWaiting();
    m_lengths.clear();
    m_told = 0;
    return read;
}

}  // namespace quillmark
