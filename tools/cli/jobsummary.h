#pragma once

#include "joboutcome.h"

#include <QString>

// The one line a successful job prints, e.g.
//   generate map: 2 of 300 blocks differ; wrote out/mapdifl1.mul, out/mapdif1.mul
QString generationSummary(const QString& label, const JobOutcome& outcome, bool withDataBytes);
QString combinationSummary(const QString& label, const JobOutcome& outcome, bool withDataBytes);
