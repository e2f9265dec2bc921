#include "hashes.h"

// The whole of xxHash inline, from its one header: nothing to link, on any
// platform the engine is built for.
#define XXH_INLINE_ALL
#include <xxhash.h>

#include <cstddef>
#include <cstring>

namespace quillmark {

namespace {

Hash128 fromXxh(XXH128_hash_t hash)
{
    return {hash.high64, hash.low64};
}

std::optional<quint64> hexNumber(const QString& text, qsizetype from, qsizetype digits)
{
    quint64 value = 0;
    for (qsizetype i = from; i < from + digits; ++i) {
        const char16_t c = text.at(i).unicode();
        const int digit = c >= u'0' && c <= u'9'   ? c - u'0'
                          : c >= u'a' && c <= u'f' ? c - u'a' + 10
                          : c >= u'A' && c <= u'F' ? c - u'A' + 10
                                                   : -1;
        if (digit < 0)
            return std::nullopt;
        value = value << 4 | quint64(digit);
    }
    return value;
}

}  // namespace

QString Hash128::toHex() const
{
    return hash64Hex(high) + hash64Hex(low);
}

std::optional<Hash128> Hash128::fromHex(const QString& text)
{
    if (text.size() != 32)
        return std::nullopt;
    const std::optional<quint64> high = hexNumber(text, 0, 16), low = hexNumber(text, 16, 16);
    if (!high || !low)
        return std::nullopt;
    return Hash128{*high, *low};
}

QString hash64Hex(quint64 hash)
{
    return QStringLiteral("%1").arg(hash, 16, 16, QLatin1Char('0'));
}

std::optional<quint64> hash64FromHex(const QString& text)
{
    return text.size() == 16 ? hexNumber(text, 0, 16) : std::nullopt;
}

namespace {

constexpr qint64 MapPayload = 192;

#if XXH_VERSION_NUMBER >= 800 && XXH_VERSION_NUMBER < 900 && defined(__SIZEOF_INT128__)
// XXH3's mixing of 16 bytes with 16 of its secret, with no seed.
inline xxh_u64 mix16(const xxh_u8* input, const xxh_u8* secret)
{
    using Wide = unsigned __int128;
    const Wide product = Wide(XXH_readLE64(input) ^ XXH_readLE64(secret))
                         * Wide(XXH_readLE64(input + 8) ^ XXH_readLE64(secret + 8));
    return xxh_u64(product) ^ xxh_u64(product >> 64);
}

// XXH3-64 of a map block's payload, with no seed: XXH3's own steps for 129 to
// 240 bytes, for the one length, unrolled, with the secret's words known to
// the compiler. The library's entry point takes the same steps with a call
// and two loops a block: about 200 instructions where these take 140.
quint64 payloadHash(const char* bytes)
{
    const auto* input = reinterpret_cast<const xxh_u8*>(bytes);
    xxh_u64 acc = xxh_u64(MapPayload) * XXH_PRIME64_1;
#pragma GCC unroll 8
    for (std::ptrdiff_t i = 0; i < 8; ++i)
        acc += mix16(input + 16 * i, XXH3_kSecret + 16 * i);
    acc = XXH3_avalanche(acc);
#pragma GCC unroll 4
    for (std::ptrdiff_t i = 8; i < MapPayload / 16; ++i)
        acc += mix16(input + 16 * i, XXH3_kSecret + 16 * (i - 8) + XXH3_MIDSIZE_STARTOFFSET);
    acc += mix16(input + MapPayload - 16, XXH3_kSecret + XXH3_SECRET_SIZE_MIN - XXH3_MIDSIZE_LASTOFFSET);
    return XXH3_avalanche(acc);
}
#else
quint64 payloadHash(const char* bytes)
{
    return XXH3_64bits(bytes, size_t(MapPayload));
}
#endif

}  // namespace

quint64 blockHash(const char* bytes, qint64 length)
{
    return length == MapPayload ? payloadHash(bytes) : XXH3_64bits(bytes, size_t(length));
}

void payloadHashes(const char* first, qint64 count, qint64 stride, quint64* hashes)
{
    for (qint64 i = 0; i < count; ++i)
        hashes[i] = payloadHash(first + i * stride);
}

Status hashRun(Input& data, qint64 offset, qint64 length, quint64& hash)
{
    const char* bytes = nullptr;
    if (length <= Input::MaxView) {
        const Status viewed = length > 0 ? data.view(offset, length, bytes) : Status();
        hash = XXH3_64bits(bytes, size_t(length));
        return viewed;
    }
    BlockStreamHash stream;
    const Status read = forEachPiece(data, offset, length, [&stream](const char* piece, qint64 count) {
        stream.add(piece, count);
        return true;
    });
    hash = stream.digest();
    return read;
}

struct BlockStreamHash::State
{
    XXH3_state_t xxh;
};

BlockStreamHash::BlockStreamHash() : m_state(std::make_unique<State>())
{
    start();
}

BlockStreamHash::~BlockStreamHash() = default;

void BlockStreamHash::start()
{
    XXH3_64bits_reset(&m_state->xxh);
}

void BlockStreamHash::add(const char* bytes, qint64 length)
{
    XXH3_64bits_update(&m_state->xxh, bytes, size_t(length));
}

quint64 BlockStreamHash::digest() const
{
    return XXH3_64bits_digest(&m_state->xxh);
}

struct ContentHash::State
{
    XXH3_state_t xxh;
};

ContentHash::ContentHash() : m_state(std::make_unique<State>())
{
    XXH3_128bits_reset(&m_state->xxh);
}

ContentHash::~ContentHash() = default;

void ContentHash::flush()
{
    XXH3_128bits_update(&m_state->xxh, m_hashes, size_t(m_pending) * sizeof(quint64));
    m_blocks += m_pending;
    m_pending = 0;
}

Hash128 ContentHash::digest()
{
    flush();
    return fromXxh(XXH3_128bits_digest(&m_state->xxh));
}

struct StreamHash::State
{
    static constexpr qint64 Gathered = 64 << 10;
    XXH3_state_t xxh;
    char pending[Gathered];
    qint64 used = 0;
};

StreamHash::StreamHash() : m_state(std::make_unique<State>())
{
    XXH3_128bits_reset(&m_state->xxh);
}

StreamHash::~StreamHash() = default;

void StreamHash::flush()
{
    XXH3_128bits_update(&m_state->xxh, m_state->pending, size_t(m_state->used));
    m_state->used = 0;
}

void StreamHash::add(const char* bytes, qint64 length)
{
    if (m_state->used + length > State::Gathered)
        flush();
    if (length >= State::Gathered / 2) {
        XXH3_128bits_update(&m_state->xxh, bytes, size_t(length));
        return;
    }
    memcpy(m_state->pending + m_state->used, bytes, size_t(length));
    m_state->used += length;
}

Hash128 StreamHash::digest()
{
    flush();
    return fromXxh(XXH3_128bits_digest(&m_state->xxh));
}

Status hashInput(Input& input, qint64 length, Hash128& hash)
{
    StreamHash stream;
    const Status read = forEachPiece(input, 0, length, [&stream](const char* bytes, qint64 count) {
        stream.add(bytes, count);
        return true;
    });
    hash = stream.digest();
    return read;
}

}  // namespace quillmark
