#pragma once

// Moving and comparing runs of block data of any length through the bounded
// windows of the files involved.

#include "fileformat.h"
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
Status copyMapTail(Input& map, Output& to);

// Appends one index entry (or difference index record) to `file`.
void appendIndexEntry(Output& file, const IndexEntry& entry);

// Appends `length` bytes of `from` at `offset` to `to`; fails when they
// cannot be read.
Status copyRun(Input& from, qint64 offset, qint64 length, Output& to);

// Appends runs of bytes from inputs to one output, joining a run that
// carries on where the one before it ended in the same input into a single
// copy, and gathering small records into large appends: a new file made of
// many small blocks that mostly lie in order in their source costs a few
// large reads and writes instead of one of each per block. Nothing reaches
// the output before flush() (or an append that needs room).
class JoinedCopy
{
public:
    explicit JoinedCopy(Output& to) : m_to(to), m_size(to.size()) {}

    // The next `length` bytes of `from` at `offset`.
    Status addRun(Input& from, qint64 offset, qint64 length)
    {
        if (extend(from, offset, length))
            return Status();
        m_size += length;
        return startRun(from, offset, length);
    }
    // Adds the run when it follows on from what waits; false, adding nothing,
    // when it does not.
    bool extend(const Input& from, qint64 offset, qint64 length)
    {
        if (&from != m_from || offset != m_start + m_pending)
            return false;
        m_pending += length;
        m_size += length;
        return true;
    }
    // Bytes of the output, what waits included: the offset of the next run.
    qint64 size() const { return m_size; }
    // Copies what waits; fails when it cannot be read.
    Status flush();

private:
    Status startRun(Input& from, qint64 offset, qint64 length);

    Output& m_to;
    Input* m_from = nullptr;
    qint64 m_start = 0;
    qint64 m_pending = 0;
    qint64 m_size;
};

// Index entries gathered and appended to `to` in large pieces.
class RecordBuffer
{
public:
    explicit RecordBuffer(Output& to) : m_to(to), m_bytes(new char[Capacity]) {}
    ~RecordBuffer() { flush(); }
    RecordBuffer(const RecordBuffer&) = delete;
    RecordBuffer& operator=(const RecordBuffer&) = delete;

    void append(const IndexEntry& entry)
    {
        entry.encode(m_bytes.get() + m_used);
        m_used += difformat::IndexEntrySize;
        if (m_used == Capacity)
            flush();
    }
    void flush()
    {
        m_to.append(m_bytes.get(), m_used);
        m_used = 0;
    }

private:
    static constexpr qint64 Capacity = difformat::IndexEntrySize << 12;
    Output& m_to;
    std::unique_ptr<char[]> m_bytes;
    qint64 m_used = 0;
};

}  // namespace quillmark
