#include "uophash.h"

namespace quillmark {

namespace {

quint32 rotate(quint32 value, int bits)
{
    return (value << bits) | (value >> (32 - bits));
}

// Reversible mixing of three words after every 12 bytes of input.
void mix(quint32& a, quint32& b, quint32& c)
{
    a -= c;
    a ^= rotate(c, 4);
    c += b;
    b -= a;
    b ^= rotate(a, 6);
    a += c;
    c -= b;
    c ^= rotate(b, 8);
    b += a;
    a -= c;
    a ^= rotate(c, 16);
    c += b;
    b -= a;
    b ^= rotate(a, 19);
    a += c;
    c -= b;
    c ^= rotate(b, 4);
    b += a;
}

// Final avalanche of the three words, after the last (partial) 12 bytes.
void finalMix(quint32& a, quint32& b, quint32& c)
{
    c ^= b;
    c -= rotate(b, 14);
    a ^= c;
    a -= rotate(c, 11);
    b ^= a;
    b -= rotate(a, 25);
    c ^= b;
    c -= rotate(b, 16);
    a ^= c;
    a -= rotate(c, 4);
    b ^= a;
    b -= rotate(a, 14);
    c ^= b;
    c -= rotate(b, 24);
}

// Up to four bytes as a little-endian word; missing high bytes count as 0.
quint32 littleEndianWord(const unsigned char* bytes, int count)
{
    quint32 word = 0;
    for (int i = count - 1; i >= 0; --i)
        word = (word << 8) | bytes[i];
    return word;
}

}  // namespace

quint64 uopNameHash(const QByteArray& name)
{
    const auto* key = reinterpret_cast<const unsigned char*>(name.constData());
    qint64 length = name.size();
    quint32 a = 0xdeadbeef + quint32(length);
    quint32 b = a;
    quint32 c = a;

    while (length > 12) {
        a += littleEndianWord(key, 4);
        b += littleEndianWord(key + 4, 4);
        c += littleEndianWord(key + 8, 4);
        mix(a, b, c);
        key += 12;
        length -= 12;
    }
    // The last 1 to 12 bytes are added as zero-extended words; an empty
    // remainder (only for an empty name) skips the final mix.
    if (length > 0) {
        const int tail = int(length);
        a += littleEndianWord(key, qMin(tail, 4));
        if (tail > 4)
            b += littleEndianWord(key + 4, qMin(tail - 4, 4));
        if (tail > 8)
            c += littleEndianWord(key + 8, tail - 8);
        finalMix(a, b, c);
    }
    return (quint64(b) << 32) | c;
}

}  // namespace quillmark
