#pragma once

// Synthetic facets for tests, benchmarks and the demo: a reference facet (map
// and statics) and an edited copy of it, with the structure of the game's own
// files, so that no game file is ever needed.
//
// Layout on disk, for facet n:
//   <directory>/reference/map<n>.mul, staidx<n>.mul, statics<n>.mul
//   <directory>/current/map<n>.mul, staidx<n>.mul, statics<n>.mul   (the edited copy)
// The reference map can be a package container instead, as current game
// clients ship it: <directory>/reference/map<n>LegacyMUL.uop.

#include "filesystem.h"
#include "mapformat.h"
#include "status.h"

#include <QString>
#include <QtGlobal>

namespace quillmark {

struct SampleFacetOptions
{
    QString directory;
    int facet = 0;
    int widthBlocks = 64;
    int heightBlocks = 64;
    // Shares of all blocks; together at most 1.
    double changedShare = 0.02;   // map payload and statics bytes edited
    double emptiedShare = 0.005;  // statics removed from a block that had some
    double newShare = 0.005;      // statics placed on a block that had none
    quint32 seed = 1;
    MapFormat referenceMapFormat = MapFormat::Mul;
};

// The largest facet, Felucca's 896 x 512 blocks.
constexpr qint64 MaxSampleBlocks = qint64(896) * 512;

// What was made. The "differ" counts are what a generation job must report.
struct SampleFacetSummary
{
    qint64 blocks = 0;
    qint64 mapBlocksDiffering = 0;      // payload edited
    qint64 staticsBlocksDiffering = 0;  // edited + emptied + new
    qint64 staticsEdited = 0;
    qint64 staticsEmptied = 0;
    qint64 staticsAdded = 0;
    // Changes that no difference file may list.
    qint64 headerOnlyChanges = 0;
    qint64 extraOnlyChanges = 0;
    qint64 blocksPlacedOutOfOrder = 0;  // in either copy's data file
};

struct SampleFacetResult
{
    Status status = Status();
    SampleFacetSummary summary;
};

struct FacetFiles
{
    QString map;
    QString index;
    QString data;
};

// The files of facet `facet` in `directory`: map<n>.mul (or map<n>LegacyMUL.uop),
// staidx<n>.mul, statics<n>.mul.
FacetFiles facetFiles(const QString& directory, int facet, MapFormat mapFormat = MapFormat::Mul);
FacetFiles referenceFiles(const SampleFacetOptions& options);
FacetFiles editedFiles(const SampleFacetOptions& options);

// Whether the options can be used, and if not, why not.
Status checkSampleFacetOptions(const SampleFacetOptions& options);

// Writes both copies into `files`, streaming: memory stays small whatever the
// size. The six files appear together or not at all, as a job's outputs do.
SampleFacetResult writeSampleFacet(const SampleFacetOptions& options,
                                   FileSystem& files = FileSystem::system());

}  // namespace quillmark
