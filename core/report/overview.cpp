#include "overview.h"

namespace quillmark {

namespace {

// An overview narrower than this is scaled up.
constexpr int MinWidth = 640;
constexpr int DigitScale = 2;
constexpr int DigitWidth = 3;
constexpr int DigitHeight = 5;
// The land shows through black of this opacity (of 255), so that marks stand out on any ground.
constexpr int LandDimming = 110;

// Digits 0 to 9, 3 x 5 pixels, row by row from the top, high bit on the left:
// a font of its own, since the tool runs where no font or display exists.
constexpr quint16 Digits[10] = {
    0b111101101101111, 0b010110010010111, 0b111001111100111, 0b111001111001111, 0b101101111001001,
    0b111100111001111, 0b111100111101111, 0b111001001001001, 0b111101111101111, 0b111101111001111,
};

void drawNumber(Picture& image, int left, int top, int number, Rgb colour)
{
    const QByteArray text = QByteArray::number(number);
    const int advance = (DigitWidth + 1) * DigitScale;
    image.fillRect(left - 1, top - 1, int(text.size()) * advance + 1, DigitHeight * DigitScale + 2,
                   rgb(0, 0, 0));
    for (int d = 0; d < text.size(); ++d) {
        const quint16 glyph = Digits[text.at(d) - '0'];
        for (int bit = 0; bit < DigitWidth * DigitHeight; ++bit) {
            if (!((glyph >> (DigitWidth * DigitHeight - 1 - bit)) & 1))
                continue;
            image.fillRect(left + d * advance + bit % DigitWidth * DigitScale,
                           top + bit / DigitWidth * DigitScale, DigitScale, DigitScale, colour);
        }
    }
}

}  // namespace

Overview::Overview(qint64 widthBlocks, qint64 heightBlocks) : m_heightBlocks(qMax<qint64>(1, heightBlocks))
{
    const qint64 longer = qMax<qint64>(1, qMax(widthBlocks, heightBlocks));
    m_blocksPerPixel = int((longer + MaxSide - 1) / MaxSide);
    const int width = int(qMax<qint64>(1, (widthBlocks + m_blocksPerPixel - 1) / m_blocksPerPixel));
    const int height = int(qMax<qint64>(1, (heightBlocks + m_blocksPerPixel - 1) / m_blocksPerPixel));
    m_scale = qMax(1, qMin(MinWidth / width, MaxSide / qMax(width, height)));
    m_samples = Picture(width, height, Palette::NoLand);
}

void Overview::setColour(qint64 block, Rgb colour)
{
    const int x = int(block / m_heightBlocks / m_blocksPerPixel);
    const int y = int(block % m_heightBlocks / m_blocksPerPixel);
    if (x < m_samples.width() && y < m_samples.height())
        m_samples.row(y)[x] = colour;
}

Picture Overview::draw(const ReportFacts& facts) const
{
    Picture image = m_samples.scaledUp(m_scale);
    if (image.isNull())
        return image;
    image.dim(LandDimming);
    const int cell = m_scale;
    for (const ChangedBlock& changed : facts.changed) {
        const int x = int(facts.blockX(changed.block) / m_blocksPerPixel) * cell;
        const int y = int(facts.blockY(changed.block) / m_blocksPerPixel) * cell;
        image.fillRect(x, y, cell, cell, ChangedMark);
    }
    const int numbered = int(qMin<qint64>(NumberedRegions, qint64(facts.regions.size())));
    for (int r = numbered - 1; r >= 0; --r)
        frameRegion(image, facts.regions[size_t(r)], r + 1);
    return image;
}

// A frame one pixel outside the region's blocks, its number above its
// top-left corner (inside when at the top edge).
void Overview::frameRegion(Picture& image, const Region& region, int number) const
{
    const qint64 blockPixels = qint64(TilesPerSide) * m_blocksPerPixel;
    const int left = int(region.x / blockPixels) * m_scale - 1;
    const int top = int(region.y / blockPixels) * m_scale - 1;
    const int right = int((region.x + region.width - 1) / blockPixels + 1) * m_scale;
    const int bottom = int((region.y + region.height - 1) / blockPixels + 1) * m_scale;
    image.outlineRect(left, top, right - left + 1, bottom - top + 1, RegionFrame);
    const int labelHeight = DigitHeight * DigitScale + 2;
    const int labelTop = top - labelHeight >= 0 ? top - labelHeight + 1 : top + 2;
    drawNumber(image, qMax(1, left), labelTop, number, RegionFrame);
}

}  // namespace quillmark
