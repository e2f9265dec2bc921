#pragma once

// Reading a locator file and the checks on its block numbers that map and
// statics inspections share.

#include "difaudit.h"
#include "interruptedcommit.h"

class QString;

namespace quillmark {

class FileSystem;
class Input;

namespace locatorchecks {

// Settles the folders of `paths` as a job does before it reads (see
// settleFoldersOf()), then runs `audit(DifAudit&)`, which returns the
// failure of a file that could not be read, and makes that failure the
// audit's status: whatever else it found stands beside it.
template <typename Audit>
DifAudit run(const QStringList& paths, const CommitOptions& options, Audit audit)
{
    DifAudit result;
    for (const QString& path : paths) {
        result.status = settleFoldersOf(path, options).withAction(QStringLiteral("Unable to open"));
        if (result.status.failed())
            return result;
    }
    result.status = audit(result);
    return result;
}

// Opens the locator at `path` for what it is as a whole: its records
// (audit.locatorRecords, the first fact) and whether its size is whole
// records. Fails when it cannot be opened.
Status openLocator(const QString& path, FileSystem& files, DifAudit& audit);

// Reads every whole record of `path` that has its difference record (the
// first `difRecords`; a locator longer than its difference file is a finding
// of its own, and however long it is, the rest is never read) and checks its
// block numbers: negative, outside audit.gridBlocks (when known; `gridName`
// is "map" or "statics index"), repeated (within the grid) and out of order;
// marks the grid's blocks in audit.marks, which must be made already. The
// findings go to audit.blockFindings. Fails when it cannot be read.
Status read(const QString& path, FileSystem& files, const QString& gridName, qint64 difRecords,
            DifAudit& audit);

// The size of an input file that must exist and be readable; fails when it
// cannot be opened.
Status sizeOf(const QString& path, FileSystem& files, qint64& size);

// The grid for `audit.gridBlocks` blocks, or the facet's when that is unknown.
BlockMarks gridFor(const AuditGrid& grid, qint64 gridBlocks);

// Findings for a file whose size is not a whole number of records.
void checkWholeRecords(const QString& fileName, qint64 size, qint64 recordSize, DifAudit& audit);

}  // namespace locatorchecks

}  // namespace quillmark
