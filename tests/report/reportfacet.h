#pragma once

// A hand-made facet of 8 x 8 blocks and its difference files, each record
// made to show one rule of the report:
//   map records:     0 block 9, cell (2, 3) becomes water,    (a change)
//                      cell (5, 1) a road at the same altitude,
//                      cell (1, 6) rises by 1
//                    1 block 18, only its header             (changes nothing)
//                    2 block 9 again                          (never used: repeated)
//                    3 block 500                              (never used: outside)
//                    4 block 54, all 64 cells raised          (a change)
//   statics records: 0 block 9, item A swapped for item E    (one added, one removed)
//                    1 block 27, its entries in another order (changes nothing)
// Everywhere else the ground is grass (tile 3) at altitude 0, without statics.

#include "testfiles.h"

#include <QDir>
#include <QString>

namespace reportfacet {

constexpr int Height = 8;
constexpr int Blocks = Height * Height;
constexpr quint16 Grass = 0x0003;
constexpr quint16 Water = 0x00a8;
constexpr quint16 Road = 0x0071;

struct Item
{
    quint16 id;
    quint8 x, y;
    qint8 z;
    quint16 hue;
};

constexpr Item ItemA{0x0eed, 4, 4, 0, 0};
constexpr Item ItemB{0x0cca, 5, 5, 3, 0};
constexpr Item ItemC{0x0006, 1, 1, 0, 0};
constexpr Item ItemD{0x0007, 1, 1, 5, 0};
constexpr Item ItemE{0x3000, 4, 4, 2, 7};  // past the end of the radar colour file below

inline QByteArray items(std::initializer_list<Item> list)
{
    QByteArray bytes;
    for (const Item& item : list) {
        char entry[7];
        qToLittleEndian(item.id, entry);
        entry[2] = char(item.x);
        entry[3] = char(item.y);
        entry[4] = char(item.z);
        qToLittleEndian(item.hue, entry + 5);
        bytes.append(entry, 7);
    }
    return bytes;
}

inline QByteArray cell(quint16 tile, qint8 z)
{
    char bytes[3];
    qToLittleEndian(tile, bytes);
    bytes[2] = char(z);
    return QByteArray(bytes, 3);
}

inline QByteArray mapBlock(qint32 header, qint8 z = 0)
{
    return testfiles::int32s({header}) + cell(Grass, z).repeated(64);
}

inline void setCell(QByteArray& block, int x, int y, quint16 tile, qint8 z)
{
    block.replace(4 + (y * 8 + x) * 3, 3, cell(tile, z));
}

// Radar colours up to item 0x0fff: grass red, water blue, item A green, item B grey.
inline QByteArray radarColours()
{
    QByteArray colours((0x4000 + 0x1000) * 2, '\0');
    const auto put = [&colours](int index, quint16 colour) {
        qToLittleEndian(colour, colours.data() + index * 2);
    };
    put(Grass, 0x7c00);
    put(Water, 0x001f);
    put(0x4000 + ItemA.id, 0x03e0);
    put(0x4000 + ItemB.id, 0x4210);
    return colours;
}

// Writes the facet's files into `dir`: map.mul, mapdifl.mul, mapdif.mul,
// staidx.mul, statics.mul, stadifl.mul, stadifi.mul, stadif.mul, radarcol.mul.
inline bool writeFacet(const QDir& dir)
{
    using testfiles::write;
    QByteArray map;
    for (int block = 0; block < Blocks; ++block)
        map += mapBlock(block);
    QByteArray watered = mapBlock(-9);
    setCell(watered, 2, 3, Water, -5);
    setCell(watered, 5, 1, Road, 0);
    setCell(watered, 1, 6, Grass, 1);
    const QByteArray mapDif = watered + mapBlock(-18) + mapBlock(9) + mapBlock(500) + mapBlock(54, 10);

    const QByteArray block9 = items({ItemA, ItemB});
    const QByteArray block27 = items({ItemC, ItemD});
    QByteArray index;
    for (int block = 0; block < Blocks; ++block)
        index += block == 9    ? testfiles::int32s({0, qint32(block9.size()), 0})
                 : block == 27 ? testfiles::int32s({qint32(block9.size()), qint32(block27.size()), 0})
                               : testfiles::int32s({-1, 0, 0});
    const QByteArray new9 = items({ItemB, ItemE});
    const QByteArray new27 = items({ItemD, ItemC});
    return write(dir.filePath("map.mul"), map)
           && write(dir.filePath("mapdifl.mul"), testfiles::int32s({9, 18, 9, 500, 54}))
           && write(dir.filePath("mapdif.mul"), mapDif) && write(dir.filePath("staidx.mul"), index)
           && write(dir.filePath("statics.mul"), block9 + block27)
           && write(dir.filePath("stadifl.mul"), testfiles::int32s({9, 27}))
           && write(
               dir.filePath("stadifi.mul"),
               testfiles::int32s({0, qint32(new9.size()), 5, qint32(new9.size()), qint32(new27.size()), 0}))
           && write(dir.filePath("stadif.mul"), new9 + new27)
           && write(dir.filePath("radarcol.mul"), radarColours());
}

}  // namespace reportfacet
