#pragma once

// The result of a merge set beside its base, the reference: our and their
// copies read block by block and merged by the merge's own rule, as a merge
// without a side preferred finds it (a conflicting tile as ours has it). Each
// block also gives both sides' bytes and the tiles that conflict, for the
// pictures, and the conflicts can be written as the merge's conflicts file
// writes them.

#include "afterside.h"

#include "conflictlist.h"
#include "mapinput.h"
#include "mapmerger.h"
#include "staticsmerger.h"

namespace quillmark {

class MergeSide final : public AfterSide
{
public:
    MergeSide(const ReportSources& sources, FileSystem& files);

    ReferenceWords referenceWords() const override;
    // The three maps (the base again) of one size, as a merge opens them;
    // the same for the three statics indexes.
    Status openMap(const CommitOptions& options, const ReferenceFiles& reference) override;
    Status openStatics(const CommitOptions& options, const ReferenceFiles& reference) override;
    void close() override;

    Status readCells(qint64 block, Access access, BlockBytes& bytes) override;
    Status findStatics(qint64 block, Access access, BlockBytes& bytes) override;
    Status readStatics(qint64 block, BlockBytes& bytes) override;

    Status writeConflicts(const std::vector<ConflictingBlock>& blocks, qint64 heightBlocks, Output& out,
                          qint64& written) override;

    QStringList paths() const override;
    std::vector<FilesRow> filesRows(PatchKind kind) const override;

private:
    enum Side { Base, Ours, Theirs };

    // The three sides' views of `block`'s map block.
    Status viewMaps(qint64 block, const char* (&views)[3]);
    // The three sides' statics blocks of `block`, each entry checked as the review checks them.
    Status readStaticsBlocks(qint64 block, StaticsBlock (&read)[3]);

    ReportSources m_sources;
    MapInput m_maps[3];
    InputFile m_indexes[3];
    InputFile m_data[3];
    StaticsPair m_pairs[3];
    // Conflicts counted only: the cells of the block last merged are what a read gives.
    MergeFigures m_figures;
    ConflictList m_mapConflicts;
    ConflictList m_staticsConflicts;
    MapMerger m_mapMerger;
    StaticsMerger m_staticsMerger;
};

}  // namespace quillmark
