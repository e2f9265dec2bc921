#include "colour.h"

#include <algorithm>

namespace quillmark {

namespace {

// Channels of 16 bits, as the colour arithmetic below works in them.
constexpr int Full = 0xffff;

struct Hsv
{
    int hue;  // hundredths of a degree, or Full when there is none (grey)
    int saturation;
    int value;
};

// A 16-bit channel to 8 bits, rounded.
int narrowed(int channel)
{
    const int biased = channel + 0x80;
    return (biased - (biased >> 8)) >> 8;
}

Hsv toHsv(Rgb colour)
{
    const float r = float(redOf(colour) * 0x101) / float(Full);
    const float g = float(greenOf(colour) * 0x101) / float(Full);
    const float b = float(blueOf(colour) * 0x101) / float(Full);
    const float max = std::max({r, g, b});
    const float delta = max - std::min({r, g, b});
    if (delta == 0.0f)
        return {Full, 0, qRound(max * float(Full))};
    float hue = r == max ? (g - b) / delta : g == max ? 2.0f + (b - r) / delta : 4.0f + (r - g) / delta;
    hue *= 60.0f;
    if (hue < 0.0f)
        hue += 360.0f;
    return {qRound(hue * 100.0f), qRound(delta / max * float(Full)), qRound(max * float(Full))};
}

// The six sectors of the hue circle, each a rotation of the three channels.
Rgb toRgb(const Hsv& hsv)
{
    if (hsv.saturation == 0 || hsv.hue == Full) {
        const int grey = narrowed(hsv.value);
        return rgb(grey, grey, grey);
    }
    const float h = hsv.hue == 36000 ? 0.0f : float(hsv.hue) / 6000.0f;
    const float s = float(hsv.saturation) / float(Full);
    const float v = float(hsv.value) / float(Full);
    const int sector = int(h);
    const float f = h - float(sector);
    const int p = narrowed(qRound(v * (1.0f - s) * float(Full)));
    const int q = narrowed(qRound(v * (1.0f - s * f) * float(Full)));
    const int t = narrowed(qRound(v * (1.0f - s * (1.0f - f)) * float(Full)));
    const int top = narrowed(qRound(v * float(Full)));
    switch (sector) {
    case 0:
        return rgb(top, t, p);
    case 1:
        return rgb(q, top, p);
    case 2:
        return rgb(p, top, t);
    case 3:
        return rgb(p, q, top);
    case 4:
        return rgb(t, p, top);
    default:
        return rgb(top, p, q);
    }
}

}  // namespace

Rgb fromHsv(int hue, int saturation, int value)
{
    return toRgb({(hue % 360) * 100, saturation * 0x101, value * 0x101});
}

Rgb darker(Rgb colour, int factor)
{
    Hsv hsv = toHsv(colour);
    hsv.value = hsv.value * 100 / factor;
    return toRgb(hsv);
}

}  // namespace quillmark
