#pragma once

#include "colour.h"
#include "reportfacts.h"

#include <vector>

namespace quillmark {

// The colours of land tiles and statics items in a report's pictures: the
// game's radar colours when a radar colour file is given (land tile t at
// index t, item i at 0x4000 + i), else, and for any index past the file's
// end, a built-in palette. The built-in land takes its hue and saturation
// from the tile number and its lightness from the altitude (give or take a
// step the tile number adds), so that a repainted cell shows even where the
// altitude stays; water alone is blue
// (no other tile takes a hue near it), and items are bright colours that no
// ground has, with a darker rim where there is room for one.
class Palette
{
public:
    static constexpr qint64 ItemBase = 0x4000;
    static constexpr qint64 RadarEntries = ItemBase + 0x10000;  // every index a land tile or item can have
    static constexpr Rgb NoLand = rgb(0x10, 0x10, 0x10);        // past the end of the map

    Palette() = default;
    explicit Palette(std::vector<quint16> radar) : m_radar(std::move(radar)) {}

    Rgb land(const LandCell& cell) const
    {
        if (cell.tile < ItemBase && cell.tile < m_radar.size())
            return radarColour(m_radar[cell.tile]);
        // A report draws millions of tiles of a few kinds: each colour is worked out once.
        const quint32 key = quint32(cell.tile) << 8 | quint8(cell.z);
        Remembered& remembered = m_lands[(key * 0x9e3779b1u) >> (32 - RememberedBits)];
        if (remembered.colour == 0 || remembered.key != key)
            remembered = {key, builtinLand(cell)};
        return remembered.colour;
    }
    // The overview's land: the relief alone (water, and altitude from low
    // green to high white), whose smooth shades a page holds in few bytes.
    Rgb overviewLand(const LandCell& cell) const
    {
        return cell.tile < ItemBase && cell.tile < m_radar.size() ? radarColour(m_radar[cell.tile])
                                                                  : relief(cell);
    }
    Rgb item(quint16 id) const
    {
        const size_t index = size_t(ItemBase) + id;
        if (index < m_radar.size())
            return radarColour(m_radar[index]);
        Rgb& remembered = m_items[id];
        if (remembered == 0)
            remembered = builtinItem(id);
        return remembered;
    }

    // A radar colour: 5 bits each of red, green and blue, blue in the low bits.
    static Rgb radarColour(quint16 colour);
    static Rgb builtinLand(const LandCell& cell);
    static Rgb relief(const LandCell& cell);
    static Rgb builtinItem(quint16 id);
    static bool isWater(quint16 tile);

private:
    static constexpr int RememberedBits = 16;
    struct Remembered
    {
        quint32 key = 0;
        Rgb colour = 0;  // none yet: every colour worked out is opaque
    };

    std::vector<quint16> m_radar;
    mutable std::vector<Remembered> m_lands = std::vector<Remembered>(size_t(1) << RememberedBits);
    mutable std::vector<Rgb> m_items = std::vector<Rgb>(size_t(1) << 16, 0);
};

}  // namespace quillmark
