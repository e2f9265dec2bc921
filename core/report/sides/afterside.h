#pragma once

// The other side of a review, set beside its reference block by block:
// difference files applied to the reference as a combination applies them
// (patchside.h), a whole current facet (facetside.h), or the result of a
// merge beside its base (mergeside.h). A review of another kind is one more
// implementation; the walk, the facts, the pictures and the page take what
// any side gives.

#include "blockbytes.h"
#include "referencefiles.h"
#include "reviewrecords.h"

#include "commitoptions.h"
#include "output.h"
#include "patchcheck.h"

#include <QStringList>

#include <memory>
#include <vector>

namespace quillmark {

// A row of the page's summary that names files read.
struct FilesRow
{
    QString caption;
    QStringList paths;
};

class AfterSide
{
public:
    virtual ~AfterSide() = default;

    virtual ReferenceWords referenceWords() const = 0;

    // Each opened right after the reference's map or statics, as the jobs
    // open their files, and checked against it.
    virtual Status openMap(const CommitOptions& options, const ReferenceFiles& reference) = 0;
    virtual Status openStatics(const CommitOptions& options, const ReferenceFiles& reference) = 0;
    virtual void close() = 0;

    // `block`'s cells on this side into `bytes`, which holds the reference's.
    virtual Status readCells(qint64 block, Access access, BlockBytes& bytes) = 0;
    // Whether `block`'s statics are compared (bytes.staticsCompared); when
    // they are, readStatics() gives this side's next.
    virtual Status findStatics(qint64 block, Access access, BlockBytes& bytes) = 0;
    virtual Status readStatics(qint64 block, BlockBytes& bytes) = 0;

    // Whether it is made of records, some of which may change nothing.
    virtual bool hasRecords() const { return false; }
    // Partial records at the end of its files, found when they were opened.
    virtual std::vector<DamagedRecord> partialRecords() const { return {}; }
    // Records no combination uses (repeats, blocks outside the reference's
    // `blocks`): counted, and the first `limit` of each file kept.
    virtual Status unusedRecords(qint64 /*blocks*/, qint64 /*limit*/, std::vector<NoOpRecord>& /*shown*/,
                                 qint64& /*count*/)
    {
        return Status();
    }
    // The manifest found beside its `kind` of files, or none and where it
    // was looked for; null when it has no such files.
    virtual const PatchManifest* patchManifest(PatchKind /*kind*/) const { return nullptr; }

    // A merge's conflicts at `blocks` (in block order), as items of the
    // merge's conflicts array, into `out`; `written` counts the items.
    virtual Status writeConflicts(const std::vector<ConflictingBlock>& /*blocks*/, qint64 /*heightBlocks*/,
                                  Output& /*out*/, qint64& /*written*/)
    {
        return Status();
    }

    // Its files, and the manifests it read, for the roles of the outputs.
    virtual QStringList paths() const = 0;
    // The rows naming its `kind` of files, which follow the reference's.
    virtual std::vector<FilesRow> filesRows(PatchKind kind) const = 0;
};

std::unique_ptr<AfterSide> afterSideFor(const ReportSources& sources, FileSystem& files);

}  // namespace quillmark
