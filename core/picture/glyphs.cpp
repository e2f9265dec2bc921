#include "glyphs.h"

#include <QByteArray>

namespace quillmark::glyphs {

namespace {

// Digits 0 to 9, row by row from the top, high bit on the left.
constexpr quint16 Digits[10] = {
    0b111101101101111, 0b010110010010111, 0b111001111100111, 0b111001111001111, 0b101101111001001,
    0b111100111001111, 0b111100111101111, 0b111001001001001, 0b111101111101111, 0b111101111001111,
};

}  // namespace

int digitsOf(qint64 number)
{
    int digits = 1;
    for (; number >= 10; number /= 10)
        ++digits;
    return digits;
}

void drawNumber(Picture& image, int left, int top, qint64 number, int scale, Rgb colour)
{
    const QByteArray text = QByteArray::number(qMax<qint64>(0, number));
    const int advance = (DigitWidth + 1) * scale;
    for (int d = 0; d < text.size(); ++d) {
        const quint16 glyph = Digits[text.at(d) - '0'];
        for (int bit = 0; bit < DigitWidth * DigitHeight; ++bit) {
            if ((glyph >> (DigitWidth * DigitHeight - 1 - bit)) & 1)
                image.fillRect(left + d * advance + bit % DigitWidth * scale, top + bit / DigitWidth * scale,
                               scale, scale, colour);
        }
    }
}

}  // namespace quillmark::glyphs
