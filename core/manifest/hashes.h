#pragma once

// The hashes a manifest holds: XXH3-64 of a block, XXH3-128 of a facet's
// content and of a whole file. They tell versions of a facet apart and catch
// a damaged or mixed-up difference file; they are no guard against anyone
// who forges a file on purpose.

#include "input.h"

#include <QString>
#include <QtEndian>
#include <QtGlobal>

#include <memory>
#include <optional>

namespace quillmark {

struct Hash128
{
    quint64 high = 0;
    quint64 low = 0;

    bool operator==(const Hash128& other) const { return high == other.high && low == other.low; }
    bool operator!=(const Hash128& other) const { return !(*this == other); }

    // 32 lower-case hexadecimal digits, the high half first.
    QString toHex() const;
    // Exactly 32 hexadecimal digits, or nothing.
    static std::optional<Hash128> fromHex(const QString& text);
};

// 16 lower-case hexadecimal digits, and back.
QString hash64Hex(quint64 hash);
std::optional<quint64> hash64FromHex(const QString& text);

// XXH3-64 of a block's bytes: a map block's 192 payload bytes, or a statics
// block's bytes.
quint64 blockHash(const char* bytes, qint64 length);
// blockHash() of `count` map payloads (192 bytes), each `stride` bytes after
// the one before, into `hashes`: one loop, in which the processor hashes
// several blocks at once where a call a block would have it wait on each.
void payloadHashes(const char* first, qint64 count, qint64 stride, quint64* hashes);

// The hash of a present statics block whose `length` bytes lie at `offset`
// of `data`, read a view at a time however long it is. An empty block (no
// data at all) hashes to 0, which tells it from a present block of no bytes.
Status hashRun(Input& data, qint64 offset, qint64 length, quint64& hash);

// XXH3-64 of a block whose bytes come in pieces: the same hash as
// blockHash() of them all at once.
class BlockStreamHash
{
public:
    BlockStreamHash();
    ~BlockStreamHash();
    BlockStreamHash(const BlockStreamHash&) = delete;
    BlockStreamHash& operator=(const BlockStreamHash&) = delete;

    void start();
    void add(const char* bytes, qint64 length);
    quint64 digest() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// A facet's content: XXH3-128 of its block hashes in block order, each as 8
// little-endian bytes. Two facets of the same blocks have the same content,
// whatever the map's block headers, the index's third field or the data
// file's layout; hashing the block hashes instead of the bytes lets a walk
// that meets the same bytes in two files hash them once.
class ContentHash
{
public:
    ContentHash();
    ~ContentHash();
    ContentHash(const ContentHash&) = delete;
    ContentHash& operator=(const ContentHash&) = delete;

    void add(quint64 blockHash)
    {
        if (m_pending == PendingCapacity)
            flush();
        m_hashes[m_pending++] = qToLittleEndian(blockHash);
    }
    void add(const quint64* blockHashes, qint64 count)
    {
        while (count > 0) {
            if (m_pending == PendingCapacity)
                flush();
            const int taken = int(qMin<qint64>(count, PendingCapacity - m_pending));
            qToLittleEndian<quint64>(blockHashes, taken, m_hashes + m_pending);
            m_pending += taken;
            blockHashes += taken;
            count -= taken;
        }
    }
    qint64 blocks() const { return m_blocks + m_pending; }
    Hash128 digest();

private:
    static constexpr int PendingCapacity = 1024;
    void flush();

    struct State;
    std::unique_ptr<State> m_state;
    quint64 m_hashes[PendingCapacity];
    int m_pending = 0;
    qint64 m_blocks = 0;
};

// XXH3-128 of a run of bytes handed over in pieces: a whole file. Small
// pieces (a record at a time) are gathered first: the hash runs fastest over
// long ones.
class StreamHash
{
public:
    StreamHash();
    ~StreamHash();
    StreamHash(const StreamHash&) = delete;
    StreamHash& operator=(const StreamHash&) = delete;

    void add(const char* bytes, qint64 length);
    Hash128 digest();

private:
    void flush();

    struct State;
    std::unique_ptr<State> m_state;
};

// The hash of the first `length` bytes of `input`, read a view at a time.
Status hashInput(Input& input, qint64 length, Hash128& hash);

}  // namespace quillmark
