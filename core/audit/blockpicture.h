#pragma once

#include "blockmarks.h"
#include "commitoptions.h"
#include "status.h"

#include <QString>
#include <QStringList>

namespace quillmark {

// The largest side a picture may have.
constexpr int MaxPictureSide = 32767;

// Draws the block grid of `marks`, one pixel per block, the marked blocks
// bright on a dark ground, so that a map maker sees at a glance where a patch
// touches the world; and writes it to `path` as a PNG picture, staged and
// committed like every other output, never over one of the files it was
// drawn from (`inputs`). Fails when the grid is too large to draw or the
// picture cannot be written.
Status writeBlockPicture(const QString& path, const BlockMarks& marks, const QStringList& inputs,
                         const CommitOptions& options);

}  // namespace quillmark
