#pragma once

// Reading a locator file and the checks on its block numbers that map and
// statics inspections share.

#include "difaudit.h"

class InputFile;

namespace locatorchecks {

// Reads every whole record of `path` into audit.blocks; a partial record at
// the end is a finding. False (with audit.status failed) when it cannot be read.
bool read(const QString& path, DifAudit& audit);

// Size of an input file that must exist and be readable; -1 (with
// audit.status failed) when it cannot be opened.
qint64 sizeOf(const QString& path, DifAudit& audit);

// "Unable to open PATH: reason" or "Unable to read PATH: reason".
Status openFailure(const InputFile& file);
Status readFailure(const InputFile& file);

// Findings for a file whose size is not a whole number of records.
void checkWholeRecords(const QString& fileName, qint64 size, qint64 recordSize, DifAudit& audit);

// Negative, outside audit.gridBlocks (when known; `gridName` is "map" or
// "statics index"), repeated, and out of order.
void checkBlockNumbers(const QString& gridName, DifAudit& audit);

}  // namespace locatorchecks
