#pragma once

// The checks a job makes before its walk, and the failures they report: the
// job's fixed message, with the file concerned and the reason for a log.

#include "joboutcome.h"

#include <initializer_list>
#include <optional>

class InputFile;
class MapInput;
struct IndexEntry;

// An input that could not be opened or read: its path and the system's reason
// (for a map, also what is wrong with a damaged container).
JobFailure inputFailure(const QString& message, const InputFile& input);
JobFailure inputFailure(const QString& message, const MapInput& map);

// Opens the inputs in order; the first that cannot be opened fails with `message`.
std::optional<JobFailure> openInputs(std::initializer_list<InputFile*> inputs, const QString& message);

// Opens a map, plain or container; fails with `message` when it cannot be
// opened or is a damaged container.
std::optional<JobFailure> openMap(MapInput& map, const QString& message);

// Two inputs that must be the same size and are not.
JobFailure sizesDiffer(const QString& message, const InputFile& reference, const InputFile& current);
// Two maps whose sizes (the maps' own, whatever form holds them) differ.
JobFailure sizesDiffer(const QString& message, const MapInput& reference, const MapInput& current);

// The output directory that generation requires: an existing directory, named
// by a non-empty text (an empty text would put the outputs at the root).
bool outputDirectoryExists(const QString& text);
JobFailure outputDirectoryFailure(const QString& text);

// An index entry whose bytes do not lie inside its data file of `dataSize` bytes.
JobFailure damagedEntry(const QString& message, const InputFile& index, const IndexEntry& entry,
                        qint64 dataSize);
