#include "picture.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace quillmark {

Picture::Picture(int width, int height)
{
    reshape(width, height);
}

bool Picture::reshape(int width, int height)
{
    m_width = 0;
    m_height = 0;
    if (width < 1 || height < 1 || width > MaxSide || height > MaxSide) {
        m_pixels.reset();
        m_capacity = 0;
        return false;
    }
    const size_t pixels = size_t(width) * size_t(height);
    if (!m_pixels || pixels > m_capacity) {
        m_pixels.reset();
        m_pixels.reset(new (std::nothrow) Rgb[pixels]);
        m_capacity = m_pixels ? pixels : 0;
    }
    if (!m_pixels)
        return false;
    m_width = width;
    m_height = height;
    return true;
}

Picture::Picture(int width, int height, Rgb colour) : Picture(width, height)
{
    fill(colour);
}

void Picture::fillRect(int left, int top, int width, int height, Rgb colour)
{
    const int right = std::min(m_width, left + width);
    const int bottom = std::min(m_height, top + height);
    left = std::max(0, left);
    top = std::max(0, top);
    if (left >= right)
        return;
    for (int y = top; y < bottom; ++y)
        std::fill(row(y) + left, row(y) + right, colour);
}

void Picture::outlineRect(int left, int top, int width, int height, Rgb colour)
{
    if (width < 1 || height < 1)
        return;
    fillRect(left, top, width, 1, colour);
    fillRect(left, top + height - 1, width, 1, colour);
    fillRect(left, top + 1, 1, height - 2, colour);
    fillRect(left + width - 1, top + 1, 1, height - 2, colour);
}

void Picture::copyFrom(const Picture& source, int left, int top)
{
    const int fromX = std::max(0, -left);
    const int toX = std::min(source.width(), m_width - left);
    if (fromX >= toX)
        return;
    for (int y = std::max(0, -top); y < std::min(source.height(), m_height - top); ++y)
        std::copy(source.row(y) + fromX, source.row(y) + toX, row(top + y) + left + fromX);
}

void Picture::drawLine(int x0, int y0, int x1, int y1, Rgb colour)
{
    const int dx = std::abs(x1 - x0);
    const int dy = -std::abs(y1 - y0);
    const int stepX = x0 < x1 ? 1 : -1;
    const int stepY = y0 < y1 ? 1 : -1;
    int error = dx + dy;
    for (;;) {
        if (x0 >= 0 && y0 >= 0 && x0 < m_width && y0 < m_height)
            row(y0)[x0] = colour;
        if (x0 == x1 && y0 == y1)
            return;
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x0 += stepX;
        }
        if (twice <= dx) {
            error += dx;
            y0 += stepY;
        }
    }
}

void Picture::dim(int alpha)
{
    Rgb* const end = m_pixels.get() + qsizetype(m_width) * m_height;
    for (Rgb* pixel = m_pixels.get(); pixel != end; ++pixel)
        *pixel = dimmed(*pixel, alpha);
}

Picture Picture::scaledUp(int factor) const
{
    if (isNull() || factor < 1 || m_width > MaxSide / factor || m_height > MaxSide / factor)
        return Picture();
    Picture scaled(m_width * factor, m_height * factor);
    if (scaled.isNull())
        return scaled;
    for (int y = 0; y < m_height; ++y) {
        Rgb* out = scaled.row(y * factor);
        for (int x = 0; x < m_width; ++x)
            out = std::fill_n(out, factor, pixel(x, y));
        for (int copy = 1; copy < factor; ++copy)
            std::copy(scaled.row(y * factor), scaled.row(y * factor) + scaled.width(),
                      scaled.row(y * factor + copy));
    }
    return scaled;
}

}  // namespace quillmark
