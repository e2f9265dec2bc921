#pragma once

#include "picture.h"

#include <QByteArray>

namespace quillmark {

// `picture` as PNG bytes (8-bit RGB); empty when there was no memory to
// compress it. The engine's pictures are blocks of flat colour whose rows
// repeat, so each row is filtered against the row above when it repeats it
// and against its left neighbour otherwise: what is left to compress is
// almost all zeros, which a fast compression level packs as tightly as a slow
// one, at a fraction of the cost of a general encoder's search for filters.
QByteArray encodePng(const Picture& picture);

}  // namespace quillmark
