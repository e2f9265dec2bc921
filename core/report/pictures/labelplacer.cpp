#include "labelplacer.h"

#include <array>
#include <cmath>

namespace quillmark {

namespace {

// Rings around a target tried after the places next to it, in pixels.
constexpr int RingStep = 10;
constexpr int Rings = 12;
constexpr int PlacesPerRing = 16;
constexpr double Pi = 3.14159265358979323846;

// The places right next to `target`: above, below, right, left.
std::vector<QPoint> besideTarget(const QRect& target, const QSize& size)
{
    const int w = size.width(), h = size.height();
    return {{target.left(), target.top() - h - 1},
            {target.right() - w + 1, target.top() - h - 1},
            {target.left(), target.bottom() + 2},
            {target.right() - w + 1, target.bottom() + 2},
            {target.right() + 2, target.top()},
            {target.left() - w - 1, target.top()},
            {target.right() + 2, target.bottom() - h + 1},
            {target.left() - w - 1, target.bottom() - h + 1}};
}

}  // namespace

LabelPlacer::LabelPlacer(int width, int height, const std::vector<bool>& ink)
    : m_width(width),
      m_height(height),
      m_inkSums(size_t(width + 1) * size_t(height + 1), 0),
      m_bucketsWide(width / BucketSide + 1),
      m_taken(size_t(m_bucketsWide) * size_t(height / BucketSide + 1))
{
    const size_t stride = size_t(width) + 1;
    for (int y = 0; y < height; ++y) {
        quint32 rowSum = 0;
        for (int x = 0; x < width; ++x) {
            rowSum += ink[size_t(y) * size_t(width) + size_t(x)] ? 1u : 0u;
            m_inkSums[size_t(y + 1) * stride + size_t(x + 1)] =
                m_inkSums[size_t(y) * stride + size_t(x + 1)] + rowSum;
        }
    }
}

qint64 LabelPlacer::inkUnder(const QRect& r) const
{
    const size_t stride = size_t(m_width) + 1;
    const auto at = [&](int x, int y) { return qint64(m_inkSums[size_t(y) * stride + size_t(x)]); };
    return at(r.right() + 1, r.bottom() + 1) - at(r.left(), r.bottom() + 1) - at(r.right() + 1, r.top())
           + at(r.left(), r.top());
}

bool LabelPlacer::isFree(const QRect& candidate) const
{
    if (candidate.left() < 0 || candidate.top() < 0 || candidate.right() >= m_width
        || candidate.bottom() >= m_height)
        return false;
    const QRect spaced = candidate.adjusted(-1, -1, 1, 1).intersected(QRect(0, 0, m_width, m_height));
    for (int by = spaced.top() / BucketSide; by <= spaced.bottom() / BucketSide; ++by) {
        for (int bx = spaced.left() / BucketSide; bx <= spaced.right() / BucketSide; ++bx) {
            for (const QRect& taken : m_taken[size_t(by) * size_t(m_bucketsWide) + size_t(bx)]) {
                if (taken.intersects(spaced))
                    return false;
            }
        }
    }
    return true;
}

void LabelPlacer::take(const QRect& label)
{
    for (int by = label.top() / BucketSide; by <= label.bottom() / BucketSide; ++by)
        for (int bx = label.left() / BucketSide; bx <= label.right() / BucketSide; ++bx)
            m_taken[size_t(by) * size_t(m_bucketsWide) + size_t(bx)].push_back(label);
}

QRect LabelPlacer::place(const QRect& target, const QSize& size)
{
    static const std::array<std::pair<double, double>, PlacesPerRing> turns = [] {
        std::array<std::pair<double, double>, PlacesPerRing> found;
        for (int k = 0; k < PlacesPerRing; ++k) {
            const double angle = 2.0 * Pi * k / PlacesPerRing - Pi / 2;
            found[size_t(k)] = {std::cos(angle), std::sin(angle)};
        }
        return found;
    }();
    std::vector<QPoint> places = besideTarget(target, size);
    const QPoint centre = target.center();
    for (int ring = 1; ring <= Rings; ++ring) {
        const int radius = qMax(target.width(), target.height()) / 2 + ring * RingStep;
        for (const auto& [cosine, sine] : turns)
            places.push_back({centre.x() + int(std::lround(radius * cosine)) - size.width() / 2,
                              centre.y() + int(std::lround(radius * sine)) - size.height() / 2});
    }
    // A place that covers no ink, else the first free one.
    QRect fallback;
    for (const QPoint& at : places) {
        const QRect candidate(at, size);
        if (!isFree(candidate))
            continue;
        if (inkUnder(candidate) == 0) {
            take(candidate);
            return candidate;
        }
        if (fallback.isNull())
            fallback = candidate;
    }
    if (!fallback.isNull())
        take(fallback);
    return fallback;
}

bool LabelPlacer::needsLeader(const QRect& label, const QRect& target)
{
    return !label.adjusted(-3, -3, 3, 3).intersects(target);
}

}  // namespace quillmark
