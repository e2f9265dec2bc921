#pragma once

// The new map file that combination and conversion write, in either form:
// created among the job's outputs, then completed once the walk is over.

#include "blockwalk.h"

class MapInput;
class MapOutput;

// Creates the file through the walk (which reports "Unable to create new map
// file" with the reason) and writes what comes before the map's bytes.
StepFailure createNewMap(BlockWalk& walk, MapOutput& newMap);

// Ends a job that writes a new map file. After a whole walk over
// result.blocks blocks of `map`, carries over the bytes past the last whole
// block (outside the format, but never lost), failing with `readFailure` when
// they cannot be read, and completes the file. Then closes the map, since the
// new file may take its place, and finishes the walk with the other inputs.
JobOutcome finishNewMap(BlockWalk& walk, bool walked, MapInput& map, MapOutput& newMap, JobResult result,
                        const char* readFailure, std::initializer_list<InputFile*> otherInputs);
