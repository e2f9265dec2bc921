#pragma once

// Numbers written on the engine's pictures (rulers, region numbers) with a
// font of its own, 3 x 5 pixels a digit scaled up by whole pixels, since
// the tools run where no font or display exists.

#include "picture.h"

namespace quillmark::glyphs {

constexpr int DigitWidth = 3;
constexpr int DigitHeight = 5;

// The number of digits `number` (0 or more) is written with.
int digitsOf(qint64 number);

// The width of `digits` digits at `scale`: each digit and one column of
// space, without the space after the last.
constexpr int textWidth(int digits, int scale)
{
    return digits > 0 ? (digits * (DigitWidth + 1) - 1) * scale : 0;
}
constexpr int textHeight(int scale)
{
    return DigitHeight * scale;
}

// Writes `number` (0 or more) with its top-left corner at (left, top),
// clipped to the picture; only the digits' own pixels are drawn.
void drawNumber(Picture& image, int left, int top, qint64 number, int scale, Rgb colour);

}  // namespace quillmark::glyphs
