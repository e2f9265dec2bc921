#pragma once

#include "colour.h"

#include <memory>

namespace quillmark {

// A picture the engine draws: width x height opaque pixels, row by row from
// the top, each row left to right. It needs no display, font or toolkit, so
// that the tools that draw one start with Qt Core alone. Its drawing calls
// clip to the picture, as a painter does; row() is for the loops that draw
// every pixel and must not pay for a check each.
//
// A picture there is no memory for is null (as is a default one): the job
// that wanted it says so and fails, instead of being stopped by an exception
// in the middle of its drawing.
class Picture
{
public:
    // The largest side a picture may have, so that no index overflows.
    static constexpr int MaxSide = 32767;

    Picture() = default;
    // Its pixels are undefined until drawn: the drawing of most pictures
    // covers every one, and a fill first would cost as much again.
    Picture(int width, int height);
    Picture(int width, int height, Rgb colour);

    // Makes it width x height, its pixels undefined, keeping its memory
    // when that is large enough: pictures drawn one after another cost one
    // allocation, not one each (and the fresh pages of each). False, and
    // null, when there is no memory for it.
    bool reshape(int width, int height);

    bool isNull() const { return !m_pixels; }
    int width() const { return m_width; }
    int height() const { return m_height; }

    Rgb pixel(int x, int y) const { return row(y)[x]; }
    Rgb* row(int y) { return m_pixels.get() + qsizetype(y) * m_width; }
    const Rgb* row(int y) const { return m_pixels.get() + qsizetype(y) * m_width; }

    void fill(Rgb colour) { fillRect(0, 0, m_width, m_height, colour); }
    void fillRect(int left, int top, int width, int height, Rgb colour);
    // The rectangle's outermost ring of pixels.
    void outlineRect(int left, int top, int width, int height, Rgb colour);
    // Copies `source` with its top-left corner at (left, top), clipped.
    void copyFrom(const Picture& source, int left, int top);
    // A line one pixel wide from (x0, y0) to (x1, y1), both ends included.
    void drawLine(int x0, int y0, int x1, int y1, Rgb colour);
    // Every pixel seen through black of opacity alpha / 255.
    void dim(int alpha);
    // Each pixel as a square of `factor` x `factor` pixels; null when there
    // is no memory for it.
    Picture scaledUp(int factor) const;

private:
    int m_width = 0;
    int m_height = 0;
    size_t m_capacity = 0;  // pixels of m_pixels
    std::unique_ptr<Rgb[]> m_pixels;
};

}  // namespace quillmark
