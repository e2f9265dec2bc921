#pragma once

// The checks of a set of difference files against itself and the base it
// is applied to, before anything is read from it: its files in their roles,
// of the job's kind, and every record a combination will use there.

#include "input.h"

namespace quillmark {

// Checks the locator of a set against the file that holds its records (a
// map's difference data, records of `difRecordSize` bytes; a statics
// difference index), for a walk over `blocks` blocks, in this order:
//
// - files whose sizes or names say they are in each other's places ("the
//   locator and the data file look swapped") or of the other kind's set
//   are refused with "Unable to open dif files" and that reason;
// - a locator of more records than any facet has blocks is too large to
//   be real, and refused at once, however long it is;
// - a locator longer than its records is damaged where a combination
//   would look for a record that is not there: at the first record past
//   them that is the first to name its block, a block inside the walk;
//   records past them that name blocks outside it, or blocks named
//   before, change nothing.
//
// A walk of no blocks replaces nothing and reads no locator, which may then
// hold anything.
Status checkLocatorFits(Input& locator, const Input& difFile, qint64 difRecordSize, qint64 blocks);

}  // namespace quillmark
