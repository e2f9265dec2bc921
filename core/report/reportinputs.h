#pragma once

// The files a report reads, and the one place where it reads them: either
// the reference map (plain or container) and statics pair with difference
// files applied to them as a combination applies them (the first locator
// record of a block wins, blocks outside the map or index are never
// touched, the record's ordinal picks its difference record), with the
// manifests beside the difference files found and checked against them as a
// combination does it, or two whole versions of a facet, block beside
// block; and a radar colour file.

#include "reportfacts.h"

#include "commitoptions.h"
#include "patchcheck.h"
#include "status.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace quillmark {

struct ReportSources
{
    QString map;            // the reference map
    QString currentMap;     // two whole facets: the current map; empty when difference files are given
    QString mapDifLocator;  // empty, with mapDifData, when no map difference files are given
    QString mapDifData;
    QString staticsIndex;  // the reference statics; empty, with the rest, when no statics are given
    QString staticsData;
    QString currentStaticsIndex;  // two whole facets
    QString currentStaticsData;
    QString staticsDifLocator;  // difference files
    QString staticsDifIndex;
    QString staticsDifData;

    bool comparesFacets() const { return !currentMap.isEmpty(); }
    bool hasMapDifs() const { return !mapDifLocator.isEmpty(); }
    bool hasStatics() const { return !staticsIndex.isEmpty(); }
};

// One block's bytes as the reference has them and as the other side has
// them (the difference files applied, or the current facet), valid until
// the next read. A side with no record is the reference.
struct BlockBytes
{
    const char* cellsBefore = nullptr;  // the 64 cells after the header; null past the map's end
    const char* cellsAfter = nullptr;
    qint64 mapRecord = -1;  // the map difference record used, or -1
    const char* staticsBefore = nullptr;
    qint64 staticsBeforeLength = 0;
    bool staticsBeforePresent = false;  // the reference's entry is not empty (its length may be 0)
    const char* staticsAfter = nullptr;
    qint64 staticsAfterLength = 0;
    qint64 staticsRecord = -1;     // the statics difference record used, or -1
    bool mapCompared = false;      // the after side's cells come from a record or the current map
    bool staticsCompared = false;  // the same for its statics
};

// Blocks asked for in ascending order (a walk), or anywhere (a region).
enum class Access { InOrder, Anywhere };

// More blocks than any facet has, by far; a report of more is refused rather
// than holding a table of that size.
constexpr qint64 MaxReportBlocks = qint64(1) << 21;

class ReportInputs
{
public:
    // Read through `files`, the job's file system.
    ReportInputs(const ReportSources& sources, FileSystem& files);
    ~ReportInputs();
    ReportInputs(const ReportInputs&) = delete;
    ReportInputs& operator=(const ReportInputs&) = delete;

    // Opens every file in the order the jobs open theirs (repairing an
    // interrupted commit in their folders first, as they do), checks that
    // they fit together (the map a whole number of columns of
    // `heightBlocks`, the statics indexes and the current map as many
    // blocks as the map), reads the manifest beside each set of difference
    // files and checks the files against it, and loads the locators,
    // failing with the jobs' messages.
    Status open(const CommitOptions& options, qint64 heightBlocks);
    void close();

    qint64 mapBlocks() const;

    // What open() found beside the map or statics difference files: the
    // manifest, or none and where it was looked for. Null when no
    // difference files of that kind are given.
    const PatchManifest* patchManifest(PatchKind kind) const;
    // The manifests that open() read.
    QStringList manifestsRead() const;

    // Partial records at the end of a locator or difference index, found
    // by open(): their bytes name nothing, as inspection reports them.
    const std::vector<DamagedRecord>& partialRecords() const;

    // `block`'s bytes. Statics bytes are read for blocks whose after side
    // is compared, and for every block when `allStatics`; the reference
    // entry is checked either way. Entries that reach outside their data
    // fail with the jobs' messages.
    Status read(qint64 block, Access access, bool allStatics, BlockBytes& bytes);

    // Locator records that a combination never uses (repeats, blocks
    // outside): counted, and the first `limit` of each file kept.
    Status unusedRecords(qint64 limit, std::vector<NoOpRecord>& shown, qint64& count);

private:
    struct Files;
    std::unique_ptr<Files> m;
};

// The first `maxEntries` 16-bit colours of a radar colour file, which must
// hold a whole number of them, and at least one.
Status readRadarColours(const QString& path, qint64 maxEntries, const CommitOptions& options,
                        std::vector<quint16>& colours);

}  // namespace quillmark
