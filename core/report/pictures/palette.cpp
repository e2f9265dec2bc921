#include "palette.h"

#include <iterator>

namespace quillmark {

namespace {

struct Stop
{
    int z;
    int red, green, blue;
};

// Land by altitude, lowest first: the tints of a relief map.
constexpr Stop LandStops[] = {
    {-128, 60, 70, 50}, {-20, 95, 120, 70},  {0, 110, 150, 75},    {20, 160, 165, 95},
    {40, 150, 120, 80}, {70, 160, 155, 150}, {127, 245, 245, 245},
};

// The hues of water, which no other tile takes.
constexpr int WaterHuesFrom = 190;
constexpr int WaterHues = 50;

int clampByte(double value)
{
    return qBound(0, qRound(value), 255);
}

Rgb scaled(int red, int green, int blue, double factor)
{
    return rgb(clampByte(red * factor), clampByte(green * factor), clampByte(blue * factor));
}

Rgb water(const LandCell& cell)
{
    // Deeper water darker, higher lighter: height shows in both.
    return scaled(40, 90, 175, qBound(0.45, 1.0 + cell.z / 80.0, 1.2));
}

Rgb reliefAt(int z)
{
    const Stop* high = std::begin(LandStops) + 1;
    while (high != std::end(LandStops) - 1 && high->z < z)
        ++high;
    const Stop* low = high - 1;
    const double t = qBound(0.0, double(z - low->z) / double(high->z - low->z), 1.0);
    const auto mix = [t](int a, int b) { return clampByte(double(a) + (double(b) - double(a)) * t); };
    return rgb(mix(low->red, high->red), mix(low->green, high->green), mix(low->blue, high->blue));
}

// A steady scatter of a number, for hues that neighbours do not share.
quint32 scatter(quint32 value)
{
    value *= 0x9e3779b1u;
    return value ^ (value >> 15);
}

}  // namespace

bool Palette::isWater(quint16 tile)
{
    return (tile >= 0x00a8 && tile <= 0x00ab) || tile == 0x0136 || tile == 0x0137;
}

Rgb Palette::radarColour(quint16 colour)
{
    const auto widen = [](int five) { return (five << 3) | (five >> 2); };
    return rgb(widen((colour >> 10) & 0x1f), widen((colour >> 5) & 0x1f), widen(colour & 0x1f));
}

Rgb Palette::builtinLand(const LandCell& cell)
{
    if (isWater(cell.tile))
        return water(cell);
    // Tile numbers a golden turn apart on the hue circle: the variants of
    // one ground, numbered side by side, are never near each other. Two
    // saturations and three steps of lightness, from a scatter of the
    // number, keep far numbers that land on a near hue apart.
    const double turn = double(cell.tile) * 0.6180339887498949;
    int hue = int((turn - double(qint64(turn))) * (360 - WaterHues));
    if (hue >= WaterHuesFrom)
        hue += WaterHues;
    const quint32 mix = scatter(quint32(cell.tile) * 5u + 7u);
    const int saturation = (mix >> 20) & 1 ? 217 : 115;
    const int lightness = (int((mix >> 24) % 3) - 1) * 31;
    const int value = qBound(64, 133 + int(cell.z) * 3 / 2 + lightness, 247);
    return fromHsv(hue, saturation, value);
}

Rgb Palette::relief(const LandCell& cell)
{
    return isWater(cell.tile) ? water(cell) : reliefAt(cell.z);
}

Rgb Palette::builtinItem(quint16 id)
{
    // Red through yellow, green and cyan to blue, fully saturated: the
    // purples and magentas are left to the change view's marks.
    return fromHsv(int(scatter(id) % 250), 230, 255);
}

}  // namespace quillmark
