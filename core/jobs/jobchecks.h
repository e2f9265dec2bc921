#pragma once

// The checks a job makes before its walk, and the failures they report: the
// job's fixed message, with the file concerned and the reason for a log.

#include "commitoptions.h"
#include "difsetchecks.h"
#include "input.h"

#include <initializer_list>

namespace quillmark {

struct IndexEntry;

// Opens the inputs in order, and fails with `message` at the first that
// cannot be opened. Before an input is opened, its folders are settled (see
// settleFoldersOf()).
Status openInputs(std::initializer_list<Input*> inputs, const QString& message, const CommitOptions& options);

// An input with more records of `recordSize` bytes than a locator record
// can name (block numbers are signed 32-bit) cannot be patched or described
// by difference files; it is refused before any walk over it.
Status checkRecordCount(const Input& input, qint64 recordSize, const QString& message);

// Two inputs that must be the same size and are not.
Status sizesDiffer(const QString& message, const Input& reference, const Input& current);

// The output directory that generation requires: an existing directory, named
// by a non-empty text (an empty text would put the outputs at the root).
Status checkOutputDirectory(const QString& text, FileSystem& files);
// Combination leaves a missing directory to the creation of its outputs, but
// an empty text would still put them at the root.
Status checkOutputDirectoryNamed(const QString& text, FileSystem& files);

// Why a locator record is damaged whose difference record is not there: the
// difference file holds `held` records, the locator names record `named`.
QString missingRecord(qint64 held, qint64 named);

// A statics data file exactly as large as a map file of as many blocks as
// its index has entries is a map file given in its place: refused with
// `message` and that reason, before anything is read as statics.
Status checkStaticsDataIsNoMap(const Input& index, const Input& data, const QString& message);

// An index entry whose bytes do not lie inside its data file of `dataSize`
// bytes, found at `block`.
Status damagedEntry(const QString& message, const Input& index, const IndexEntry& entry, qint64 dataSize,
                    qint64 block);

}  // namespace quillmark
