#pragma once

// A whole current facet set beside the reference block by block, as shards
// that ship whole files rather than difference files hold them: every block
// is compared, and nothing is made of records.

#include "afterside.h"

namespace quillmark {

class FacetSide final : public AfterSide
{
public:
    FacetSide(const ReportSources& sources, FileSystem& files);

    ReferenceWords referenceWords() const override;
    // As many blocks as the reference, in the map and in the index.
    Status openMap(const CommitOptions& options, const ReferenceFiles& reference) override;
    Status openStatics(const CommitOptions& options, const ReferenceFiles& reference) override;
    void close() override;

    Status readCells(qint64 block, Access access, BlockBytes& bytes) override;
    Status findStatics(qint64 block, Access access, BlockBytes& bytes) override;
    Status readStatics(qint64 block, BlockBytes& bytes) override;

    QStringList paths() const override;
    std::vector<FilesRow> filesRows(PatchKind kind) const override;

private:
    ReportSources m_sources;
    MapInput m_map;
    InputFile m_staticsData;
    InputFile m_staticsIndex;
    StaticsPair m_statics;
};

}  // namespace quillmark
