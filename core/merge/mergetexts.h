#pragma once

#include "mergejobs.h"

#include <QString>

namespace quillmark {

// What a merge changed, in the words the command-line tool prints and the
// window shows beside its "Ready", e.g.
//   "40 blocks changed by ours, 38 by theirs, 3 by both"
QString changesText(const MergeFigures& figures);

// Its conflicts: "no tiles conflict", or their count and the first of their
// world tiles, and the side they took when one was preferred, e.g.
//   "2 tiles conflict, taken from ours, at tiles 1030,517 1031,517"
QString conflictsText(const MergeFigures& figures);

}  // namespace quillmark
