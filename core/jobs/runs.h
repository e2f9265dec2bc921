#pragma once

// Moving and comparing runs of block data of any length through the bounded
// windows of the files involved.

#include "fileformat.h"
#include "hashes.h"
#include "indexentry.h"
#include "input.h"
#include "output.h"

#include <memory>
#include <vector>

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

// Told the hash of each block's bytes as a JoinedCopy copies them, in the
// order the blocks were added (0 for a block without data), a run's blocks
// at a time.
class CopiedBlocks
{
public:
    virtual ~CopiedBlocks() = default;
    virtual void copied(const quint64* hashes, size_t count) = 0;
};

// Appends runs of bytes from inputs to one output, joining a run that
// carries on where the one before it ended in the same input into a single
// copy, and gathering small records into large appends: a new file made of
// many small blocks that mostly lie in order in their source costs a few
// large reads and writes instead of one of each per block. Nothing reaches
// the output before flush() (or an append that needs room). Given a
// CopiedBlocks, it hashes each block's bytes as it copies them: they are
// read once, for both.
class JoinedCopy
{
public:
    explicit JoinedCopy(Output& to, CopiedBlocks* hashed = nullptr)
        : m_to(to), m_size(to.size()), m_hashed(hashed)
    {}

    // The next `length` bytes of `from` at `offset`: one block's.
    Status addRun(Input& from, qint64 offset, qint64 length)
    {
        if (extend(from, offset, length))
            return Status();
        m_size += length;
        const Status flushed = startRun(from, offset, length);
        queue(length);
        return flushed;
    }
    // Adds the run when it follows on from what waits; false, adding nothing,
    // when it does not.
    bool extend(const Input& from, qint64 offset, qint64 length)
    {
        if (&from != m_from || offset != m_start + m_pending)
            return false;
        m_pending += length;
        m_size += length;
        queue(length);
        return true;
    }
    // A block without data, whose place among the hashes is kept.
    void addEmpty() { queue(NoData); }
    // Blocks added whose hashes have not been told yet.
    size_t waitingBlocks() const { return m_lengths.size(); }
    // Bytes of the output, what waits included: the offset of the next run.
    qint64 size() const { return m_size; }
    // Copies what waits; fails when it cannot be read.
    Status flush();

private:
    static constexpr qint64 NoData = -1;

    void queue(qint64 length)
    {
        if (m_hashed)
            m_lengths.push_back(length);
    }
    Status startRun(Input& from, qint64 offset, qint64 length);
    Status copyHashed(qint64 length);

    Output& m_to;
    Input* m_from = nullptr;
    qint64 m_start = 0;
    qint64 m_pending = 0;
    qint64 m_size;
    CopiedBlocks* m_hashed;
    std::vector<qint64> m_lengths;  // of the blocks not yet told, NoData for one without
    std::vector<quint64> m_hashes;  // of those blocks, as a copy finds them
    BlockStreamHash m_straddling;   // a block whose bytes span two pieces of a copy
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
