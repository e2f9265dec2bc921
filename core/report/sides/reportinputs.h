#pragma once

// Everything a review reads, and the one place it reads blocks: the
// reference and the side set beside it, opened in the order the jobs open
// their files (repairing an interrupted commit in their folders first, as
// they do) and checked to fit together, failing with the jobs' messages.

#include "afterside.h"
#include "referencefiles.h"

#include <memory>
#include <vector>

namespace quillmark {

class ReportInputs
{
public:
    // Read through `files`, the job's file system.
    ReportInputs(const ReportSources& sources, FileSystem& files);
    ~ReportInputs();
    ReportInputs(const ReportInputs&) = delete;
    ReportInputs& operator=(const ReportInputs&) = delete;

    // The map a whole number of columns of `heightBlocks`, every index and
    // map as many blocks as the reference's map; the manifests beside
    // difference files read and the files checked against them.
    Status open(const CommitOptions& options, qint64 heightBlocks);
    void close();

    qint64 mapBlocks() const { return m_reference.blocks(); }
    const AfterSide& side() const { return *m_side; }
    const PatchManifest* patchManifest(PatchKind kind) const { return m_side->patchManifest(kind); }
    // Every file read, manifests included, for the roles of the outputs.
    QStringList paths() const;
    // The rows naming the files read, the map's first.
    std::vector<FilesRow> filesRows() const;

    // `block`'s bytes. Statics bytes are read for blocks whose other side is
    // compared, and for every block when `allStatics`; the reference entry
    // is checked either way. Entries that reach outside their data fail
    // with the jobs' messages.
    Status read(qint64 block, Access access, bool allStatics, BlockBytes& bytes);

    // Records that change nothing because no combination uses them.
    Status unusedRecords(qint64 limit, std::vector<NoOpRecord>& shown, qint64& count)
    {
        return m_side->unusedRecords(mapBlocks(), limit, shown, count);
    }

    // A merge's conflicts at `blocks`, as the merge's conflicts file lists them.
    Status writeConflicts(const std::vector<ConflictingBlock>& blocks, Output& out, qint64& written)
    {
        return m_side->writeConflicts(blocks, m_heightBlocks, out, written);
    }

private:
    ReportSources m_sources;
    qint64 m_heightBlocks = 1;
    ReferenceFiles m_reference;
    std::unique_ptr<AfterSide> m_side;
};

}  // namespace quillmark
