#pragma once

// The two forms in which a facet's map file is written: the plain map file
// (map<n>.mul), whose bytes are the blocks back to back, or the package
// container that current game clients ship (map<n>LegacyMUL.uop), holding
// the same bytes in chunks. Either is read wherever a map is read.

#include "fileformat.h"
#include "uopformat.h"

#include <QString>

namespace quillmark {

enum class MapFormat {
    Mul,
    Uop,
};

// The new map file a job writes into `outDir` for `facet`.
inline QString mapFileName(const QString& outDir, int facet, MapFormat format)
{
    return format == MapFormat::Uop ? uopformat::mapContainerName(outDir, facet)
                                    : difformat::outputName(outDir, difformat::MapPart, facet);
}

}  // namespace quillmark
