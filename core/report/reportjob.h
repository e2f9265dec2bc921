#pragma once

// A review report of what a set of difference files changes in a facet, or
// of what differs between two versions of a facet: which blocks, grouped
// into regions, what each region looks like before and after and what
// changed in it, which land cells and statics entries changed, where the
// base does not fit the patch, and which records change nothing or could
// not be drawn whole. Writes pages that open anywhere (one, or more when the
// regions do not fit on one) and, when asked, the same facts as JSON, all
// staged and committed like every job's outputs.

#include "reportsources.h"

#include "commitoptions.h"
#include "joboutcome.h"
#include "jobprogress.h"

#include <QStringList>

namespace quillmark {

struct ReportJob
{
    ReportSources sources;
    QString radarColours;  // empty: the built-in palette
    int facet = 0;
    int heightBlocks = 0;  // 0: the facet's own height
    int gap = 1;           // see groupRegions
    bool outline = false;  // frames around the changed tiles of the change view
    QString html;          // the first page; more are named after it
    QString json;          // empty: none
};

// The figures of a report that was written, for a summary line.
struct ReportSummary
{
    qint64 changedBlocks = 0;
    qint64 regions = 0;
    qint64 drawnRegions = 0;
    qint64 noOpRecords = 0;
    qint64 damagedRecords = 0;
    bool hasRecords = false;  // difference files, whose records may change nothing
    // How the map and the statics stand to the manifests beside their
    // difference files, in the words a combination prints, e.g. "map base
    // exact: it is the patch's reference"; none for two whole facets.
    QStringList bases;
    bool reviewsMerge = false;
    qint64 conflicts = 0;  // a merge's conflicting tiles, map and statics
};

// result().blocks: the blocks walked; result().records: the changed blocks;
// result().written: the pages, the first first, then the facts.
// An allocation that fails fails the report as any job: "Unable to write
// report file", "out of memory", and nothing written.
// `summary`, when given, gets the figures of a report that was written.
JobOutcome writeReport(const ReportJob& job, JobProgress& progress,
                       const CommitOptions& options = CommitOptions(), ReportSummary* summary = nullptr);

}  // namespace quillmark
