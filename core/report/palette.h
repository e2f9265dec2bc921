#pragma once

#include "colour.h"
#include "reportfacts.h"

#include <vector>

namespace quillmark {

// The colours of land tiles and statics items in a report's pictures: the
// game's radar colours when a radar colour file is given (land tile t at
// index t, item i at 0x4000 + i), else, and for any index past the file's
// end, a built-in palette: water blue, land tinted by altitude from low
// green through brown to high grey and white, each tile id a shade lighter
// or darker than its neighbours' so that a new tile shows at an unchanged
// altitude, and items in bright colours that no ground has.
class Palette
{
public:
    static constexpr qint64 ItemBase = 0x4000;
    static constexpr qint64 RadarEntries = ItemBase + 0x10000;  // every index a land tile or item can have
    static constexpr Rgb NoLand = rgb(0x10, 0x10, 0x10);        // past the end of the map
    static constexpr Rgb Outline = rgb(0xff, 0x00, 0xff);       // around a changed tile

    Palette() = default;
    explicit Palette(std::vector<quint16> radar) : m_radar(std::move(radar)) {}

    Rgb land(const LandCell& cell) const
    {
        return cell.tile < ItemBase && cell.tile < m_radar.size() ? radarColour(m_radar[cell.tile])
                                                                  : builtinLand(cell);
    }
    Rgb item(quint16 id) const
    {
        const size_t index = size_t(ItemBase) + id;
        return index < m_radar.size() ? radarColour(m_radar[index]) : builtinItem(id);
    }

    // A radar colour: 5 bits each of red, green and blue, blue in the low bits.
    static Rgb radarColour(quint16 colour);
    static Rgb builtinLand(const LandCell& cell);
    static Rgb builtinItem(quint16 id);
    static bool isWater(quint16 tile);

private:
    std::vector<quint16> m_radar;
};

}  // namespace quillmark
