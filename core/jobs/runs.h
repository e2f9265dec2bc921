#pragma once

// Moving and comparing runs of block data of any length through the bounded
// windows of the files involved.

#include "indexentry.h"
#include "input.h"
#include "output.h"

namespace quillmark {

enum class RunComparison { Equal, Different };

// Compares `length` bytes of `a` at `aOffset` with as many of `b` at
// `bOffset` into `comparison`; fails when either cannot be read.
Status compareRuns(Input& a, qint64 aOffset, Input& b, qint64 bOffset, qint64 length,
                   RunComparison& comparison);

// Appends one index entry (or difference index record) to `file`.
void appendIndexEntry(Output& file, const IndexEntry& entry);

// Appends `length` bytes of `from` at `offset` to `to`; fails when they
// cannot be read.
Status copyRun(Input& from, qint64 offset, qint64 length, Output& to);

}  // namespace quillmark
