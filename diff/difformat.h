#pragma once

// The formats' record sizes and output names, which the engine owns, and
// what the window's workers add to them.

#include "fileformat.h"

namespace quillmark::difformat {

// The window shows progress, and processes its events, at every block number
// that is a multiple of this.
constexpr qint64 ProgressInterval = 100;

}  // namespace quillmark::difformat
