#pragma once

// Difference files applied to the reference as a combination applies them:
// the first locator record of a block wins, blocks outside the map or index
// are never touched, and a record's ordinal picks its difference record;
// the manifest beside each set of files found and checked against them as a
// combination does it.

#include "afterside.h"

#include "replacementtable.h"

namespace quillmark {

class PatchSide final : public AfterSide
{
public:
    PatchSide(const ReportSources& sources, FileSystem& files);

    ReferenceWords referenceWords() const override;
    Status openMap(const CommitOptions& options, const ReferenceFiles& reference) override;
    Status openStatics(const CommitOptions& options, const ReferenceFiles& reference) override;
    void close() override;

    Status readCells(qint64 block, Access access, BlockBytes& bytes) override;
    Status findStatics(qint64 block, Access access, BlockBytes& bytes) override;
    Status readStatics(qint64 block, BlockBytes& bytes) override;

    bool hasRecords() const override { return true; }
    std::vector<DamagedRecord> partialRecords() const override { return m_partial; }
    Status unusedRecords(qint64 blocks, qint64 limit, std::vector<NoOpRecord>& shown, qint64& count) override;
    const PatchManifest* patchManifest(PatchKind kind) const override;

    QStringList paths() const override;
    std::vector<FilesRow> filesRows(PatchKind kind) const override;

private:
    // One kind of difference files: its locator loaded into the table a walk
    // looks its blocks up in, and the manifest beside it.
    struct Files
    {
        Files(const QString& locatorPath, const QString& recordsPath, FileSystem& files)
            : locator(locatorPath, files), records(recordsPath, files)
        {}

        InputFile locator;
        InputFile records;  // the map's difference data, or the statics' difference index
        std::unique_ptr<ReplacementTable> table;
        PatchManifest patch;
    };

    // Opens `difs` with the files `opened` in the jobs' order, checks them
    // against their manifest (`described`, the locator first) and loads the
    // locator.
    Status openDifs(const CommitOptions& options, Files& difs, std::initializer_list<Input*> opened,
                    std::initializer_list<Input*> described, PatchKind kind, qint64 blocks);

    FileSystem& m_files;
    ReportSources m_sources;
    Files m_map;
    Files m_statics;
    InputFile m_staticsData;
    StaticsPair m_staticsRecords;
    std::vector<DamagedRecord> m_partial;
};

}  // namespace quillmark
