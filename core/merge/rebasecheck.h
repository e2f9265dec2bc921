#pragma once

#include "patchcheck.h"

namespace quillmark {

// What a rebase makes of its patch's manifest once its walk over the
// reference is over: the reference must be exactly the one the patch was
// made from (a reference the patch merely fits is another facet, whose
// changes the rebase would carry as the patch's), and the patch must make of
// it what it was made for. Without a manifest nothing is checked. A sketch
// pass that cannot read the reference fails with `readMessage`.
Status concludeRebaseCheck(BaseCheck* check, const PatchManifest& patch, qint64 blocks,
                           const Input& reference, const char* readMessage, const SketchPass& sketchPass,
                           BaseVerdict& verdict);

}  // namespace quillmark
