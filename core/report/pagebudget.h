#pragma once

// What bounds a report's page, whatever the patch, the gap or the number of
// regions: its pictures hold at most PixelBudget pixels and PictureBytes of
// PNG data (as it stands in the page), and a region's picture at most
// MaxPicturePixels. Regions are drawn largest first while they fit; from
// the first one that does not, none is, and the page lists and frames them
// and says why. Past ListedRegions, regions are counted on the page and
// listed in the facts alone.

#include <QtGlobal>

namespace quillmark {

enum class RegionDrawing {
    Drawn,
    TooLarge,    // one of its pictures would hold more than MaxPicturePixels
    PastBudget,  // the page's pictures had no room left for it
};

class PageBudget
{
public:
    static constexpr qint64 PixelBudget = 32000000;
    static constexpr qint64 PictureBytes = qint64(11) << 20;
    static constexpr qint64 ListedRegions = 5000;

    // Whether pictures of `pixels` pixels may still be drawn.
    bool admitsPixels(qint64 pixels) const { return m_open && pixels <= m_pixelsLeft; }
    // Takes pictures of `pixels` pixels and `bytes` bytes in the page, or,
    // when they do not fit, closes the budget; true when they were taken.
    bool take(qint64 pixels, qint64 bytes)
    {
        m_open = m_open && pixels <= m_pixelsLeft && bytes <= m_bytesLeft;
        if (m_open) {
            m_pixelsLeft -= pixels;
            m_bytesLeft -= bytes;
        }
        return m_open;
    }
    void close() { m_open = false; }
    bool isOpen() const { return m_open; }

private:
    qint64 m_pixelsLeft = PixelBudget;
    qint64 m_bytesLeft = PictureBytes;
    bool m_open = true;
};

}  // namespace quillmark
