#pragma once

#include "joboutcome.h"

#include <QString>

namespace quillmark {

// The one line a successful job prints, e.g.
//   generate map: 2 of 300 blocks differ; wrote out/mapdifl1.mul, out/mapdif1.mul
QString generationSummary(const QString& label, const JobResult& result, bool withDataBytes);
QString combinationSummary(const QString& label, const JobResult& result, bool withDataBytes);
//   convert map: 300 blocks, 58800 bytes; wrote out/map0LegacyMUL.uop
QString conversionSummary(const QString& label, const JobResult& result, bool withDataBytes);

}  // namespace quillmark
