#pragma once

// The jobs, free of any widget: generation compares a reference copy with
// a current copy and writes difference files; combination applies difference
// files and writes new full files; conversion writes a map file in the other
// form. Wherever a map file is read, it may be a plain map file or a package
// container, whatever its name. Each runs its checks in a fixed order and
// stops at the first that fails, with that check's message. Outputs appear in
// the output directory only when the whole job has succeeded; a job that fails
// or is stopped leaves the directory as it found it. Each job takes its
// progress display and the options of its folder work from the caller.

#include "commitoptions.h"
#include "joboutcome.h"
#include "jobprogress.h"
#include "mapformat.h"

#include <QString>

#include <optional>

namespace quillmark {

struct MapGenerateJob
{
    explicit MapGenerateJob() = default;  // fields are set by name, never by position

    QString referenceMap;
    QString currentMap;
    QString outDir;
    int facet = 0;
};

struct MapCombineJob
{
    explicit MapCombineJob() = default;  // fields are set by name, never by position

    QString currentMap;
    QString difData;
    QString difLocator;
    QString outDir;
    int facet = 0;
    MapFormat format = MapFormat::Mul;  // of the new map file
    bool force = false;                 // applies difference files that do not fit the map all the same
    qint64 heightBlocks = 0;            // of the map's grid, for the tiles a conflict names; 0: the facet's
};

// A map file, plain or container, written anew in the form asked for.
struct MapConvertJob
{
    explicit MapConvertJob() = default;  // fields are set by name, never by position

    QString map;
    QString outDir;
    int facet = 0;
    MapFormat format = MapFormat::Mul;
};

struct StaticsGenerateJob
{
    explicit StaticsGenerateJob() = default;  // fields are set by name, never by position

    QString referenceIndex;
    QString referenceData;
    QString currentIndex;
    QString currentData;
    QString outDir;
    int facet = 0;
};

struct StaticsCombineJob
{
    explicit StaticsCombineJob() = default;  // fields are set by name, never by position

    QString currentIndex;
    QString currentData;
    QString difData;
    QString difIndex;
    QString difLocator;
    QString outDir;
    int facet = 0;
    bool force = false;       // applies difference files that do not fit the statics all the same
    qint64 heightBlocks = 0;  // of the facet's grid, for the tiles a conflict names; 0: the facet's
};

// A base checked against the manifest beside its difference files: the
// combination itself, with every check and finding it makes, writing
// nothing. Without a facet, the manifest's is taken as the one meant.
struct MapVerifyJob
{
    explicit MapVerifyJob() = default;  // fields are set by name, never by position

    QString map;
    QString difData;
    QString difLocator;
    std::optional<int> facet;
    qint64 heightBlocks = 0;
};

struct StaticsVerifyJob
{
    explicit StaticsVerifyJob() = default;  // fields are set by name, never by position

    QString index;
    QString data;
    QString difData;
    QString difIndex;
    QString difLocator;
    std::optional<int> facet;
    qint64 heightBlocks = 0;
};

// Writes mapdifl<n>.mul, mapdif<n>.mul and their manifest mapdif<n>.manifest.json.
JobOutcome generateMapDiff(const MapGenerateJob& job, JobProgress& progress,
                           const CommitOptions& options = CommitOptions());
// Writes map<n>.mul, or map<n>LegacyMUL.uop. With a manifest beside the
// difference files, the map is checked against it first (the result's
// base tells what was found), and a map they do not fit is not patched
// unless the job forces it.
JobOutcome combineMapDiff(const MapCombineJob& job, JobProgress& progress,
                          const CommitOptions& options = CommitOptions());
// Writes map<n>.mul, or map<n>LegacyMUL.uop.
JobOutcome convertMap(const MapConvertJob& job, JobProgress& progress,
                      const CommitOptions& options = CommitOptions());
// Writes stadifl<n>.mul, stadifi<n>.mul, stadif<n>.mul and their manifest
// stadif<n>.manifest.json.
JobOutcome generateStaticsDiff(const StaticsGenerateJob& job, JobProgress& progress,
                               const CommitOptions& options = CommitOptions());
// Writes statics<n>.mul and staidx<n>.mul, with the same check of the base.
JobOutcome combineStaticsDiff(const StaticsCombineJob& job, JobProgress& progress,
                              const CommitOptions& options = CommitOptions());

// What a combination would find of its base: the result's base holds the
// case and its figures, a conflict and a missing manifest among them. Fails
// where the combination would fail for any other reason, with its message.
// Writes nothing, and takes no lock: it only reads.
JobOutcome verifyMapPatch(const MapVerifyJob& job, JobProgress& progress,
                          const CommitOptions& options = CommitOptions());
JobOutcome verifyStaticsPatch(const StaticsVerifyJob& job, JobProgress& progress,
                              const CommitOptions& options = CommitOptions());

}  // namespace quillmark
