#pragma once

#include "commitoptions.h"
#include "status.h"

#include <vector>

namespace quillmark {

// The first `maxEntries` 16-bit colours of a radar colour file, which must
// hold a whole number of them, and at least one.
Status readRadarColours(const QString& path, qint64 maxEntries, const CommitOptions& options,
                        std::vector<quint16>& colours);

}  // namespace quillmark
