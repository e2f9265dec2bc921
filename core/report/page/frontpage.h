#pragma once

// The first page's own sections: a summary (the files, the facet, how the
// map and statics stand to the patch's manifests, the counts, the pages),
// the blocks that do not fit the patch, the records that change nothing or
// could not be drawn whole, the overview (an image map: each region's frame
// and number lead to it, each with its hover text), the legend, and the
// contents, which link to every region wherever it lies.

#include "html.h"
#include "pageset.h"

#include "afterside.h"
#include "overview.h"
#include "reportfacts.h"

#include <QSize>

#include <vector>

namespace quillmark {

struct PageContext
{
    QString facetName;
    std::vector<FilesRow> files;
    QString radarColours;
    int gap = 1;
    bool hasRecords = false;  // difference files, whose records may change nothing
};

// A block that does not fit the patch, framed on the overview.
struct ConflictMark
{
    PatchKind files = PatchKind::Map;
    qint64 block = 0;
    QRect frame;
};

// The overview as the page shows it.
struct OverviewImage
{
    QByteArray png;
    QSize size;
    int blocksPerPixel = 1;
    std::vector<OverviewLink> links;
    std::vector<ConflictMark> conflicts;
};

void writeFrontPage(Html& html, const ReportFacts& facts, const PageContext& context,
                    const OverviewImage& overview, const PagePlaces& places);

}  // namespace quillmark
