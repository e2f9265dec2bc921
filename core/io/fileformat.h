#pragma once

// Record layouts and output names of the map, statics and difference files.
// None of these files has a header: a file is its records back to back, every
// integer is 32 bits little-endian, and record counts follow from file sizes.

#include <QString>
#include <QtGlobal>

namespace quillmark::difformat {

// Map data file and map difference data file: whole 196-byte blocks.
constexpr qint64 MapBlockSize = 196;
constexpr qint64 MapHeaderSize = 4;  // carried unchanged, never compared
constexpr qint64 MapPayloadSize = MapBlockSize - MapHeaderSize;

// Locator files: one signed 32-bit block number per record.
constexpr qint64 LocatorRecordSize = 4;

// Statics index and difference index: offset, length, extra (int32 each).
constexpr qint64 IndexEntrySize = 12;
constexpr qint32 EmptyOffset = -1;

// Data files addressed by signed 32-bit offsets end below 2 GiB.
constexpr qint64 MaxStaticsDataSize = qint64(0x7fffffff);

// Fixed parts of the output names: directory text + part + facet + ".mul".
inline constexpr char MapDifLocatorPart[] = "/mapdifl";
inline constexpr char MapDifDataPart[] = "/mapdif";
inline constexpr char MapPart[] = "/map";
inline constexpr char StaticsDifLocatorPart[] = "/stadifl";
inline constexpr char StaticsDifIndexPart[] = "/stadifi";
inline constexpr char StaticsDifDataPart[] = "/stadif";
inline constexpr char StaticsIndexPart[] = "/staidx";
inline constexpr char StaticsDataPart[] = "/statics";

// Plain concatenation: the directory text is used exactly as typed.
inline QString outputName(const QString& outDir, const char* part, int facet)
{
    return outDir + QLatin1String(part) + QString::number(facet, 10) + QLatin1String(".mul");
}

}  // namespace quillmark::difformat
