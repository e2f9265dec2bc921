#pragma once

// Inspection of a set of difference files, without writing anything: record
// counts, whether the files agree with each other in length, and block numbers
// that repeat, are negative, fall outside the map or statics index they are
// meant for, or are out of order; for statics also difference index records
// that reach outside the difference data file and records whose bytes are
// not whole 7-byte statics or place a static outside its block (x or y past
// 7), which a combination copies as they are; for a map in a container,
// chunks whose stored checksum is not their bytes'. Memory follows the
// facet's block grid, whatever the files hold.

#include "blockmarks.h"
#include "commitoptions.h"
#include "findings.h"
#include "status.h"

#include <QString>
#include <QStringList>

namespace quillmark {

// The grid the blocks are drawn on and checked against: the facet's, or, when
// the map or statics index is given, as many columns of `height` blocks as
// that file needs.
struct AuditGrid
{
    int facet = 0;
    qint64 height = 0;
};

struct DifAudit
{
    Status status;      // a file could not be read: nothing else is valid
    QStringList facts;  // "locator: PATH, 24 records", ...
    Findings findings;
    Findings chunkFindings;  // those of a container map's chunks
    Findings blockFindings;  // those of the block numbers, which follow the files' own
    qint64 locatorRecords = 0;
    qint64 gridBlocks = -1;     // blocks of the map or statics index given, -1 when none
    BlockMarks marks;           // the blocks of the grid that records name
    qint64 recordsOffGrid = 0;  // records whose block lies outside the grid
};

struct MapDifFiles
{
    QString locator;
    QString data;
    QString map;  // optional
};

struct StaticsDifFiles
{
    QString locator;
    QString index;
    QString data;
    QString staticsIndex;  // optional
};

// Every file is read through options.files, as a job reads its inputs.
DifAudit auditMapDif(const MapDifFiles& files, const AuditGrid& grid, const CommitOptions& options);
DifAudit auditStaticsDif(const StaticsDifFiles& files, const AuditGrid& grid, const CommitOptions& options);

}  // namespace quillmark
