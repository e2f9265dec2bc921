#pragma once

#include <QByteArray>
#include <QImage>

namespace quillmark {

// `image` as PNG bytes (8-bit RGB). The report's pictures are scaled up
// blocks of flat colour whose rows repeat, so each row is filtered against
// the row above when it repeats it and against its left neighbour otherwise:
// what is left to compress is almost all zeros, which a fast compression
// level packs as tightly as a slow one, at a fraction of the cost of a
// general encoder's search for filters.
QByteArray encodePng(const QImage& image);

}  // namespace quillmark
