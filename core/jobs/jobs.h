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

namespace quillmark {

struct MapGenerateJob
{
    QString referenceMap;
    QString currentMap;
    QString outDir;
    int facet = 0;
};

struct MapCombineJob
{
    QString currentMap;
    QString difData;
    QString difLocator;
    QString outDir;
    int facet = 0;
    MapFormat format = MapFormat::Mul;  // of the new map file
};

// A map file, plain or container, written anew in the form asked for.
struct MapConvertJob
{
    QString map;
    QString outDir;
    int facet = 0;
    MapFormat format = MapFormat::Mul;
};

struct StaticsGenerateJob
{
    QString referenceIndex;
    QString referenceData;
    QString currentIndex;
    QString currentData;
    QString outDir;
    int facet = 0;
};

struct StaticsCombineJob
{
    QString currentIndex;
    QString currentData;
    QString difData;
    QString difIndex;
    QString difLocator;
    QString outDir;
    int facet = 0;
};

// Writes mapdif<n>.mul and mapdifl<n>.mul.
JobOutcome generateMapDiff(const MapGenerateJob& job, JobProgress& progress,
                           const CommitOptions& options = CommitOptions());
// Writes map<n>.mul, or map<n>LegacyMUL.uop.
JobOutcome combineMapDiff(const MapCombineJob& job, JobProgress& progress,
                          const CommitOptions& options = CommitOptions());
// Writes map<n>.mul, or map<n>LegacyMUL.uop.
JobOutcome convertMap(const MapConvertJob& job, JobProgress& progress,
                      const CommitOptions& options = CommitOptions());
// Writes stadif<n>.mul, stadifl<n>.mul and stadifi<n>.mul.
JobOutcome generateStaticsDiff(const StaticsGenerateJob& job, JobProgress& progress,
                               const CommitOptions& options = CommitOptions());
// Writes statics<n>.mul and staidx<n>.mul.
JobOutcome combineStaticsDiff(const StaticsCombineJob& job, JobProgress& progress,
                              const CommitOptions& options = CommitOptions());

}  // namespace quillmark
