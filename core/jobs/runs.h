#pragma once

// Moving and comparing runs of block data of any length through the bounded
// windows of the files involved.

#include "fileformat.h"
#include "hashes.h"
#include "indexentry.h"
#include "input.h"
#include "output.h"

#include <memory>

namespace quillmark {

enum class RunComparison { Equal, Different };

// Compares `length` bytes of `a` at `aOffset` with as many of `b` at
// `bOffset` into `comparison`; fails when either cannot be read.
Status compareRuns(Input& a, qint64 aOffset, Input& b, qint64 bOffset, qint64 length,
                   RunComparison& comparison);

// Appends the bytes of a map past its last whole block: outside the format,
// but never lost.
Status copyMapTail(Input& map, Sink& to);

// Appends one index entry (or difference index record) to `file`.
void appendIndexEntry(Sink& file, const IndexEntry& entry);

// Appends `length` bytes of `from` at `offset` to `to`; fails when they
// cannot be read.
Status copyRun(Input& from, qint64 offset, qint64 length, Sink& to);

// Appends `length` bytes of `from` at `offset` to `to`, and gives `hash`
// their blockHash(), read once for both; fails when they cannot be read.
Status copyHashedRun(Input& from, qint64 offset, qint64 length, Sink& to, quint64& hash);

// Index entries gathered and appended to `to` in large pieces.
class RecordBuffer
{
public:
    explicit RecordBuffer(Sink& to) : m_to(to), m_bytes(new char[Capacity]) {}
    ~RecordBuffer() { flush(); }
    RecordBuffer(const RecordBuffer&) = delete;
    RecordBuffer& operator=(const RecordBuffer&) = delete;

    void append(const IndexEntry& entry) { entry.encode(next()); }
    // Room for the next entry, whose bytes the caller writes there.
    char* next()
    {
        if (m_used == Capacity)
            flush();
        char* room = m_bytes.get() + m_used;
        m_used += difformat::IndexEntrySize;
        return room;
    }
    void flush()
    {
        m_to.append(m_bytes.get(), m_used);
        m_used = 0;
    }

private:
    static constexpr qint64 Capacity = difformat::IndexEntrySize << 10;
    Sink& m_to;
    std::unique_ptr<char[]> m_bytes;
    qint64 m_used = 0;
};

}  // namespace quillmark
