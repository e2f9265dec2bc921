#include "overview.h"

#include "glyphs.h"
#include "labelplacer.h"

#include <algorithm>
#include <numeric>

namespace quillmark {

namespace {

// An overview narrower than this is scaled up.
constexpr int MinWidth = 640;
constexpr int DigitScale = 2;
// The land shows through black of this opacity (of 255), so that marks stand out on any ground.
constexpr int LandDimming = 110;
constexpr Rgb LabelBackground = rgb(0, 0, 0);

// A rectangle grown about its centre to at least `side` pixels each way.
QRect atLeast(QRect rect, int side)
{
    const int growX = qMax(0, side - rect.width());
    const int growY = qMax(0, side - rect.height());
    return rect.adjusted(-growX / 2, -growY / 2, growX - growX / 2, growY - growY / 2);
}

// The picture and the pixels that labels had better not cover.
struct Canvas
{
    Picture& image;
    std::vector<bool> ink;

    void fill(const QRect& rect, Rgb colour)
    {
        image.fillRect(rect.left(), rect.top(), rect.width(), rect.height(), colour);
        const QRect inside = rect.intersected(QRect(0, 0, image.width(), image.height()));
        for (int y = inside.top(); y <= inside.bottom(); ++y)
            std::fill_n(ink.begin() + qsizetype(y) * image.width() + inside.left(), inside.width(), true);
    }
    void frame(const QRect& rect, Rgb colour)
    {
        fill(QRect(rect.left(), rect.top(), rect.width(), 1), colour);
        fill(QRect(rect.left(), rect.bottom(), rect.width(), 1), colour);
        fill(QRect(rect.left(), rect.top(), 1, rect.height()), colour);
        fill(QRect(rect.right(), rect.top(), 1, rect.height()), colour);
    }
};

QPoint nearestTo(const QRect& rect, const QPoint& point)
{
    return {qBound(rect.left(), point.x(), rect.right()), qBound(rect.top(), point.y(), rect.bottom())};
}

// The regions in the order their frames are drawn: larger under smaller.
std::vector<size_t> frameOrder(const std::vector<QRect>& frames)
{
    std::vector<size_t> order(frames.size());
    std::iota(order.begin(), order.end(), 0);
    const auto area = [&frames](size_t r) { return qint64(frames[r].width()) * frames[r].height(); };
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return area(a) > area(b); });
    return order;
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

// One pixel outside the region's blocks, grown to the least marker.
QRect Overview::frameOf(const Region& region) const
{
    const qint64 blockPixels = qint64(TilesPerSide) * m_blocksPerPixel;
    const int left = Margin + int(region.x / blockPixels) * m_scale - 1;
    const int top = Margin + int(region.y / blockPixels) * m_scale - 1;
    const int right = Margin + int((region.x + region.width - 1) / blockPixels + 1) * m_scale;
    const int bottom = Margin + int((region.y + region.height - 1) / blockPixels + 1) * m_scale;
    return atLeast(QRect(QPoint(left, top), QPoint(right, bottom)), MinMarker);
}

QRect Overview::conflictFrame(qint64 blockX, qint64 blockY) const
{
    const QRect block(Margin + int(blockX / m_blocksPerPixel) * m_scale,
                      Margin + int(blockY / m_blocksPerPixel) * m_scale, m_scale, m_scale);
    return atLeast(block.adjusted(-ConflictOutset, -ConflictOutset, ConflictOutset, ConflictOutset),
                   MinMarker + 2 * (ConflictOutset - 1));
}

Picture Overview::draw(const ReportFacts& facts, std::vector<OverviewLink>& links) const
{
    Picture land = m_samples.scaledUp(m_scale);
    Picture image(land.width() + 2 * Margin, land.height() + 2 * Margin, Palette::NoLand);
    if (land.isNull() || image.isNull())
        return Picture();
    land.dim(LandDimming);
    image.copyFrom(land, Margin, Margin);
    land = Picture();
    Canvas canvas{image, std::vector<bool>(size_t(image.width()) * size_t(image.height()), false)};
    for (const ChangedBlock& changed : facts.changed)
        canvas.fill(QRect(Margin + int(facts.blockX(changed.block) / m_blocksPerPixel) * m_scale,
                          Margin + int(facts.blockY(changed.block) / m_blocksPerPixel) * m_scale, m_scale,
                          m_scale),
                    ChangedMark);
    std::vector<QRect> frames;
    frames.reserve(facts.regions.size());
    for (const Region& region : facts.regions)
        frames.push_back(frameOf(region));
    const std::vector<size_t> order = frameOrder(frames);
    for (const size_t r : order)
        canvas.frame(frames[r], RegionFrame);
    // Over the regions' frames: a block that does not fit matters more than where its region ends.
    const qint64 blocks = facts.widthBlocks * facts.heightBlocks;
    for (const BaseFinding& base : facts.bases) {
        for (const qint64 block : base.verdict.conflicts) {
            if (block < blocks)
                canvas.frame(conflictFrame(facts.blockX(block), facts.blockY(block)), ConflictFrame);
        }
    }
    for (const ConflictingBlock& conflicting : facts.conflictingBlocks)
        canvas.frame(conflictFrame(facts.blockX(conflicting.block), facts.blockY(conflicting.block)),
                     MergeConflictFrame);

    links.clear();
    LabelPlacer placer(image.width(), image.height(), canvas.ink);
    for (size_t r = 0; r < frames.size() && qint64(r) < MaxNumbered; ++r) {
        const qint64 number = qint64(r) + 1;
        const QSize size(glyphs::textWidth(glyphs::digitsOf(number), DigitScale) + 2,
                         glyphs::textHeight(DigitScale) + 2);
        const QRect label = placer.place(frames[r], size);
        if (label.isNull())
            continue;
        if (LabelPlacer::needsLeader(label, frames[r])) {
            const QPoint from = nearestTo(label, frames[r].center());
            const QPoint to = nearestTo(frames[r], from);
            image.drawLine(from.x(), from.y(), to.x(), to.y(), RegionFrame);
        }
        image.fillRect(label.left(), label.top(), label.width(), label.height(), LabelBackground);
        glyphs::drawNumber(image, label.left() + 1, label.top() + 1, number, DigitScale, RegionFrame);
        links.push_back({number, label, true});
    }
    // Smaller frames first: a click lands on the smallest region under it.
    for (auto r = order.rbegin(); r != order.rend(); ++r)
        links.push_back({qint64(*r) + 1, atLeast(frames[*r], MinLink), false});
    return image;
}

}  // namespace quillmark
