#pragma once

#include <QtGlobal>

namespace quillmark {

// A pixel of the engine's pictures: 0xffRRGGBB, opaque, the layout of a
// 32-bit RGB row in memory on every platform the tools run on; or
// Transparent, in a picture laid over another.
using Rgb = quint32;

constexpr Rgb Transparent = 0;

constexpr Rgb rgb(int red, int green, int blue)
{
    return 0xff000000u | (quint32(red & 0xff) << 16) | (quint32(green & 0xff) << 8) | quint32(blue & 0xff);
}
constexpr int redOf(Rgb colour)
{
    return int((colour >> 16) & 0xff);
}
constexpr int greenOf(Rgb colour)
{
    return int((colour >> 8) & 0xff);
}
constexpr int blueOf(Rgb colour)
{
    return int(colour & 0xff);
}

// The colour of hue 0 to 359 degrees, saturation and value 0 to 255, and a
// darker shade of a colour: its value divided by factor / 100 (factor at
// least 100). Both compute as the window's toolkit does (in 16-bit channels,
// single precision), so that pictures keep the exact colours they always had
// and a test can hold them against the toolkit.
Rgb fromHsv(int hue, int saturation, int value);
Rgb darker(Rgb colour, int factor);

// `colour` seen through black of opacity alpha / 255, rounded as a blend of
// 8-bit channels rounds.
constexpr Rgb dimmed(Rgb colour, int alpha)
{
    const auto scale = [alpha](int channel) {
        const int product = channel * (255 - alpha);
        return (product + (product >> 8) + 0x80) >> 8;
    };
    return rgb(scale(redOf(colour)), scale(greenOf(colour)), scale(blueOf(colour)));
}

}  // namespace quillmark
