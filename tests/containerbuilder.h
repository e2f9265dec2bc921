#pragma once

// Builds map package containers byte by byte for the tests, in
// layouts that Quillmark's own writer never makes: several tables, any
// capacity, padding or none, unused entries, entries out of order, tables
// laid out backwards, data headers, zlib chunks. It knows the container's
// layout only from uopformat.h and the hash; it shares no code with the
// reader.

#include "uopformat.h"
#include "uophash.h"

#include <QByteArray>
#include <QList>
#include <QtEndian>

#include <algorithm>

#include <zlib.h>

namespace containerbuilder {

using namespace quillmark;

// One file in the container: the bytes as they lie in the file and what its
// entry says of them.
struct Part
{
    quint64 hash = 0;
    QByteArray stored;
    quint32 unpackedLength = 0;
    quint16 packing = uopformat::PackingStored;
    quint32 headerLength = 0;       // filler bytes before `stored`
    quint32 checksum = 0x12345678;  // readers do not check it
};

inline Part storedChunk(int facet, qint64 chunk, const QByteArray& bytes)
{
    return {uopNameHash(uopformat::chunkName(facet, chunk)), bytes, quint32(bytes.size())};
}

inline Part zlibChunk(int facet, qint64 chunk, const QByteArray& bytes)
{
    Part part = storedChunk(facet, chunk, bytes);
    uLongf packedLength = compressBound(uLong(bytes.size()));
    part.stored.resize(qsizetype(packedLength));
    compress2(reinterpret_cast<Bytef*>(part.stored.data()), &packedLength,
              reinterpret_cast<const Bytef*>(bytes.constData()), uLong(bytes.size()), 6);
    part.stored.resize(qsizetype(packedLength));
    part.packing = uopformat::PackingZlib;
    return part;
}

struct Layout
{
    quint32 capacity = 1000;
    bool padTables = true;         // zero entries after the counted ones, up to capacity
    bool tablesBackwards = false;  // the chain runs from the last table in the file to the first
    qint64 firstTableAt = 64;      // tables follow one another from here
    // Per table in chain order, the part each entry holds; -1 is an unused
    // entry. Empty: one table with every part in order.
    QList<QList<int>> tables;

    static Layout ofTables(quint32 entriesPerTable, const QList<QList<int>>& chain)
    {
        Layout layout;
        layout.capacity = entriesPerTable;
        layout.tables = chain;
        return layout;
    }
};

// Where things went, for tests that damage them.
struct Built
{
    QByteArray bytes;
    QList<qint64> tableAt;  // in chain order
    QList<qint64> entryAt;  // per part
};

template <typename T>
void put(QByteArray& bytes, qint64 at, T value)
{
    qToLittleEndian(value, bytes.data() + at);
}

inline Built build(const QList<Part>& parts, Layout layout = {})
{
    using namespace uopformat;
    if (layout.tables.isEmpty()) {
        layout.tables.append(QList<int>());
        for (int i = 0; i < parts.size(); ++i)
            layout.tables[0].append(i);
    }
    Built built;
    built.entryAt.fill(0, parts.size());
    // Place the tables first, so that the data offsets are known.
    qint64 at = layout.firstTableAt;
    for (const QList<int>& table : layout.tables) {
        built.tableAt.append(at);
        at += TableHeaderSize
              + EntrySize * (layout.padTables ? qMax<qint64>(layout.capacity, table.size()) : table.size());
    }
    if (layout.tablesBackwards)
        std::reverse(built.tableAt.begin(), built.tableAt.end());
    built.bytes.fill('\0', at);
    QList<qint64> dataAt;
    for (const Part& part : parts) {
        dataAt.append(built.bytes.size());
        built.bytes += QByteArray(part.headerLength, '\xEE') + part.stored;
    }
    put<quint32>(built.bytes, 0, Magic);
    put<quint32>(built.bytes, HeaderVersionAt, Version);
    put<quint32>(built.bytes, HeaderSignatureAt, Signature);
    put<quint64>(built.bytes, HeaderFirstTableAt, quint64(built.tableAt.value(0)));
    put<quint32>(built.bytes, HeaderCapacityAt, layout.capacity);
    put<quint32>(built.bytes, HeaderEntryCountAt, quint32(parts.size()));
    for (int t = 0; t < layout.tables.size(); ++t) {
        const qint64 table = built.tableAt[t];
        put<qint32>(built.bytes, table, qint32(layout.tables[t].size()));
        put<quint64>(built.bytes, table + TableNextAt, quint64(built.tableAt.value(t + 1)));
        for (int slot = 0; slot < layout.tables[t].size(); ++slot) {
            const int part = layout.tables[t][slot];
            if (part < 0)
                continue;
            const qint64 entry = built.entryAt[part] = table + TableHeaderSize + slot * EntrySize;
            put<quint64>(built.bytes, entry, quint64(dataAt[part]));
            put<quint32>(built.bytes, entry + EntryHeaderLengthAt, parts[part].headerLength);
            put<quint32>(built.bytes, entry + EntryStoredLengthAt, quint32(parts[part].stored.size()));
            put<quint32>(built.bytes, entry + EntryUnpackedLengthAt, parts[part].unpackedLength);
            put<quint64>(built.bytes, entry + EntryHashAt, parts[part].hash);
            put<quint32>(built.bytes, entry + EntryChecksumAt, parts[part].checksum);
            put<quint16>(built.bytes, entry + EntryPackingAt, parts[part].packing);
        }
    }
    return built;
}

// The parts of a map cut into chunks, each stored or zlib as `zlib` says.
inline QList<Part> mapChunks(int facet, const QByteArray& map, const QList<bool>& zlib = {})
{
    QList<Part> parts;
    for (qint64 k = 0; k == 0 || k * uopformat::ChunkSize < map.size(); ++k) {
        const QByteArray bytes = map.mid(k * uopformat::ChunkSize, uopformat::ChunkSize);
        parts.append(zlib.value(k) ? zlibChunk(facet, k, bytes) : storedChunk(facet, k, bytes));
    }
    return parts;
}

}  // namespace containerbuilder
