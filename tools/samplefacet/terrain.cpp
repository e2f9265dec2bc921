#include "terrain.h"

#include "splitmix.h"

#include "fileformat.h"

#include <QtEndian>

#include <cmath>

namespace quillmark {

namespace terrain {

namespace {

constexpr quint64 HeaderPurpose = 2;
constexpr quint64 EditPurpose = 3;

// The cells fill a map block after its header.
using difformat::MapHeaderSize;
static_assert(qint64(CellsPerSide) * CellsPerSide * CellSize == difformat::MapPayloadSize);

// A value in [0, 1) for each lattice point of the landscape.
double latticeValue(quint64 seed, qint64 x, qint64 y, int octave)
{
    return SplitMix::forBlock(seed + quint64(octave), (x << 24) ^ y, 10).unit();
}

// Value noise: lattice values blended smoothly across each cell of `scale` tiles.
double smoothNoise(quint64 seed, double x, double y, double scale, int octave)
{
    const double fx = x / scale;
    const double fy = y / scale;
    const qint64 x0 = qint64(std::floor(fx));
    const qint64 y0 = qint64(std::floor(fy));
    const auto ease = [](double t) { return t * t * (3 - 2 * t); };
    const double tx = ease(fx - double(x0));
    const double ty = ease(fy - double(y0));
    const double top =
        latticeValue(seed, x0, y0, octave) * (1 - tx) + latticeValue(seed, x0 + 1, y0, octave) * tx;
    const double bottom =
        latticeValue(seed, x0, y0 + 1, octave) * (1 - tx) + latticeValue(seed, x0 + 1, y0 + 1, octave) * tx;
    return top * (1 - ty) + bottom * ty;
}

struct Ground
{
    quint16 firstTile;
    int variants;
};

// Bands of altitude, lowest first.
Ground groundAt(int altitude)
{
    if (altitude < -5)
        return {0x00a8, 4};  // water
    if (altitude < 0)
        return {0x0016, 4};  // sand
    if (altitude < 20)
        return {0x0003, 4};  // grass
    if (altitude < 40)
        return {0x00c4, 8};  // forest floor
    return {0x00dc, 8};      // mountain
}

void writeCell(char* cell, quint16 tile, int altitude)
{
    qToLittleEndian(tile, cell);
    cell[2] = char(qint8(altitude));
}

}  // namespace

void referenceBlock(quint64 seed, qint64 block, int heightBlocks, char* out)
{
    SplitMix random = SplitMix::forBlock(seed, block, HeaderPurpose);
    qToLittleEndian(quint32(random.next()), out);
    const qint64 left = (block / heightBlocks) * CellsPerSide;
    const qint64 top = (block % heightBlocks) * CellsPerSide;
    char* cell = out + MapHeaderSize;
    for (int y = 0; y < CellsPerSide; ++y) {
        for (int x = 0; x < CellsPerSide; ++x, cell += CellSize) {
            const double tileX = double(left + x);
            const double tileY = double(top + y);
            const double height =
                0.7 * smoothNoise(seed, tileX, tileY, 48, 0) + 0.3 * smoothNoise(seed, tileX, tileY, 12, 1);
            const int altitude = int(height * 80) - 25;
            const Ground ground = groundAt(altitude);
            writeCell(cell, quint16(ground.firstTile + random.below(quint32(ground.variants))), altitude);
        }
    }
}

void editPayload(quint64 seed, qint64 block, char* mapBlock)
{
    SplitMix random = SplitMix::forBlock(seed, block, EditPurpose);
    char* cells = mapBlock + MapHeaderSize;
    const int edits = 1 + int(random.below(6));
    for (int edit = 0; edit < edits; ++edit) {
        char* cell = cells + qsizetype(random.below(CellsPerSide * CellsPerSide)) * CellSize;
        // Raising the ground always changes the altitude byte; a path across
        // it sometimes changes the tile too.
        const int altitude = qint8(cell[2]) + 1 + int(random.below(4));
        const quint16 tile =
            random.chance(0.5) ? quint16(0x0071 + random.below(4)) : qFromLittleEndian<quint16>(cell);
        writeCell(cell, tile, altitude > 127 ? -128 : altitude);
    }
}

void changeHeader(char* mapBlock)
{
    qToLittleEndian(qFromLittleEndian<quint32>(mapBlock) ^ 0x00010001u, mapBlock);
}

}  // namespace terrain

}  // namespace quillmark
