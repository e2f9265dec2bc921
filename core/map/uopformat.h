#pragma once

// The package container in which current game clients ship a facet's map,
// map<n>LegacyMUL.uop. All integers are little-endian.
//
//   header   magic, version, signature, first table offset (64-bit),
//            table capacity, total entries; zero bytes up to the first table
//   table    entry count (signed), next table offset (64-bit, 0 ends the
//            chain), then the entries; it may be padded with all-zero entries
//   entry    data offset (64-bit), data header length, stored length,
//            unpacked length, name hash (64-bit), checksum, packing (16-bit)
//
// The map is cut into chunks of ChunkSize bytes, chunk k named by chunkName();
// entries carry only the hash of that name, so a chunk is found by its hash.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace quillmark::uopformat {

constexpr quint32 Magic = 0x0050594D;  // "MYP\0"
// The version written, the newest this reader knows; a header naming one
// outside OldestVersion to Version is not taken for a container's.
constexpr quint32 Version = 5;
constexpr quint32 OldestVersion = 1;
constexpr quint32 Signature = 0xFD23EC43;

constexpr qint64 HeaderSize = 28;
constexpr qint64 TableHeaderSize = 12;
constexpr qint64 EntrySize = 34;

// Field offsets within the header, a table header and an entry.
constexpr qint64 HeaderVersionAt = 4;
constexpr qint64 HeaderSignatureAt = 8;
constexpr qint64 HeaderFirstTableAt = 12;
constexpr qint64 HeaderCapacityAt = 20;
constexpr qint64 HeaderEntryCountAt = 24;
constexpr qint64 TableNextAt = 4;
constexpr qint64 EntryHeaderLengthAt = 8;
constexpr qint64 EntryStoredLengthAt = 12;
constexpr qint64 EntryUnpackedLengthAt = 16;
constexpr qint64 EntryHashAt = 20;
constexpr qint64 EntryChecksumAt = 28;
constexpr qint64 EntryPackingAt = 32;

constexpr quint16 PackingStored = 0;
constexpr quint16 PackingZlib = 1;

// 4,096 map blocks of 196 bytes: a whole number of blocks, so a block never
// straddles two chunks.
constexpr qint64 ChunkSize = 0xC4000;

// The facets whose chunk names a container may hold: 0 to 5.
constexpr int FacetCount = 6;

// "build/map<facet>legacymul/<chunk as 8 zero-padded digits>.dat"
inline QByteArray chunkName(int facet, qint64 chunk)
{
    return QByteArrayLiteral("build/map") + QByteArray::number(facet) + QByteArrayLiteral("legacymul/")
           + QByteArray::number(chunk).rightJustified(8, '0') + QByteArrayLiteral(".dat");
}

// The container written for facet n: directory text + "/map" + n +
// "LegacyMUL.uop", joined as plainly as the other output names.
inline constexpr char MapContainerPart[] = "/map";
inline constexpr char MapContainerSuffix[] = "LegacyMUL.uop";

inline QString mapContainerName(const QString& outDir, int facet)
{
    return outDir + QLatin1String(MapContainerPart) + QString::number(facet, 10)
           + QLatin1String(MapContainerSuffix);
}

}  // namespace quillmark::uopformat
