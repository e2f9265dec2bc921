#pragma once

#include "joboutcome.h"

#include <QString>

namespace quillmark {

// The one line a successful job prints (and the window shows beside its
// "Ready"), e.g.
//   generate map: 2 of 300 blocks differ; wrote out/mapdifl1.mul, out/mapdif1.mul
QString generationSummary(const QString& label, const JobResult& result, bool withDataBytes);
QString combinationSummary(const QString& label, const JobResult& result, bool withDataBytes);
// A combination's line ends in what was found of its base:
//   combine map: 2 of 300 blocks replaced; wrote out/map1.mul; base exact: it is the patch's reference
//   convert map: 300 blocks, 58800 bytes; wrote out/map0LegacyMUL.uop
QString conversionSummary(const QString& label, const JobResult& result, bool withDataBytes);
//   verify map: base fits: 3 other blocks differ from the patch's reference; the patch, made for
//   Felucca (facet 0), replaces 2 of 300 blocks
QString verificationSummary(const QString& label, const JobResult& result, bool withDataBytes);

}  // namespace quillmark
