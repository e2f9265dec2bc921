#pragma once

#include "picture.h"

#include <QByteArray>

#include <memory>

namespace quillmark {

// Pictures as PNG bytes, in the smallest of three forms that holds them
// exactly: indexed (8 bits a pixel) when a picture has at most 256 colours,
// else RGB, or RGBA when it has Transparent pixels. The engine's pictures
// are blocks of flat colour whose rows repeat, so each repeated row is
// filtered against the row above and any other against its left neighbour:
// what is left to compress is mostly runs of zeros, which compression by
// runs alone packs about as tightly as a search for longer repeats, at a
// fraction of its cost (and what is not, the tiles' own colours, no search
// packs much better).
//
// An encoder keeps its compression state and buffers from one picture to the
// next: a report encodes thousands of small pictures, and setting up the
// compression afresh for each cost more than compressing them.
class PngEncoder
{
public:
    PngEncoder();
    ~PngEncoder();
    PngEncoder(const PngEncoder&) = delete;
    PngEncoder& operator=(const PngEncoder&) = delete;

    // Empty when there was no memory for it.
    QByteArray encode(const Picture& picture);

private:
    struct State;
    std::unique_ptr<State> m;
};

// One picture, with an encoder of its own.
QByteArray encodePng(const Picture& picture);

}  // namespace quillmark
