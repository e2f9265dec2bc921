#include "overview.h"

#include <QPainter>

namespace quillmark {

namespace {

// An overview narrower than this is scaled up.
constexpr int MinWidth = 640;
constexpr int DigitScale = 2;
constexpr int DigitWidth = 3;
constexpr int DigitHeight = 5;

// Digits 0 to 9, 3 x 5 pixels, row by row from the top, high bit on the left:
// a font of its own, since the tool runs where no font or display exists.
constexpr quint16 Digits[10] = {
    0b111101101101111, 0b010110010010111, 0b111001111100111, 0b111001111001111, 0b101101111001001,
    0b111100111001111, 0b111100111101111, 0b111001001001001, 0b111101111101111, 0b111101111001111,
};

void drawNumber(QImage& image, int left, int top, int number, QRgb colour)
{
    const QString text = QString::number(number);
    const int advance = (DigitWidth + 1) * DigitScale;
    QPainter painter(&image);
    painter.fillRect(left - 1, top - 1, int(text.size()) * advance + 1, DigitHeight * DigitScale + 2,
                     QColor(0, 0, 0));
    for (int d = 0; d < text.size(); ++d) {
        const quint16 glyph = Digits[text.at(d).unicode() - '0'];
        for (int bit = 0; bit < DigitWidth * DigitHeight; ++bit) {
            if (!((glyph >> (DigitWidth * DigitHeight - 1 - bit)) & 1))
                continue;
            painter.fillRect(left + d * advance + bit % DigitWidth * DigitScale,
                             top + bit / DigitWidth * DigitScale, DigitScale, DigitScale, QColor(colour));
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
    m_samples = QImage(width, height, QImage::Format_RGB32);
    m_samples.fill(Palette::NoLand);
}

void Overview::setColour(qint64 block, QRgb colour)
{
    const int x = int(block / m_heightBlocks / m_blocksPerPixel);
    const int y = int(block % m_heightBlocks / m_blocksPerPixel);
    if (x < m_samples.width() && y < m_samples.height())
        m_samples.setPixel(x, y, colour);
}

QImage Overview::draw(const ReportFacts& facts) const
{
    // The land dimmed, so that marks stand out on any ground.
    QImage image = m_samples.scaled(m_samples.width() * m_scale, m_samples.height() * m_scale);
    if (image.isNull())
        return image;
    {
        QPainter painter(&image);
        painter.fillRect(image.rect(), QColor(0, 0, 0, 110));
    }
    const int cell = m_scale;
    for (const ChangedBlock& changed : facts.changed) {
        const int x = int(facts.blockX(changed.block) / m_blocksPerPixel) * cell;
        const int y = int(facts.blockY(changed.block) / m_blocksPerPixel) * cell;
        for (int dy = 0; dy < cell; ++dy) {
            for (int dx = 0; dx < cell; ++dx)
                image.setPixel(x + dx, y + dy, ChangedMark);
        }
    }
    const int numbered = int(qMin<qint64>(NumberedRegions, qint64(facts.regions.size())));
    for (int r = numbered - 1; r >= 0; --r)
        frameRegion(image, facts.regions[size_t(r)], r + 1);
    return image;
}

// A frame one pixel outside the region's blocks, its number above its
// top-left corner (inside when at the top edge).
void Overview::frameRegion(QImage& image, const Region& region, int number) const
{
    const qint64 blockPixels = qint64(TilesPerSide) * m_blocksPerPixel;
    const int left = int(region.x / blockPixels) * m_scale - 1;
    const int top = int(region.y / blockPixels) * m_scale - 1;
    const int right = int((region.x + region.width - 1) / blockPixels + 1) * m_scale;
    const int bottom = int((region.y + region.height - 1) / blockPixels + 1) * m_scale;
    {
        QPainter painter(&image);
        painter.setPen(QColor(RegionFrame));
        painter.drawRect(left, top, right - left, bottom - top);
    }
    const int labelHeight = DigitHeight * DigitScale + 2;
    const int labelTop = top - labelHeight >= 0 ? top - labelHeight + 1 : top + 2;
    drawNumber(image, qMax(1, left), labelTop, number, RegionFrame);
}

}  // namespace quillmark
