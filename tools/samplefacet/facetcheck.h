#pragma once

// Checks that combining a sample facet's difference files with its reference
// gave back the edited facet, block by block.

#include "filesystem.h"
#include "status.h"

#include <QString>
#include <QtGlobal>

namespace quillmark {

struct FacetCheck
{
    Status status = Status();  // fails with the first mismatch, or why the check could not run
    qint64 blocks = 0;         // blocks compared
    qint64 mismatches = 0;     // blocks that differ
};

// Every block payload (bytes 4 to 195) equal; headers may differ, since a
// block whose header alone changed is not listed in the difference files.
FacetCheck checkCombinedMap(const QString& editedMap, const QString& combinedMap,
                            FileSystem& files = FileSystem::system());

// Every block empty in the edited facet is empty in the combined one, and every
// block with data has exactly the same bytes.
FacetCheck checkCombinedStatics(const QString& editedIndex, const QString& editedData,
                                const QString& combinedIndex, const QString& combinedData,
                                FileSystem& files = FileSystem::system());

}  // namespace quillmark
