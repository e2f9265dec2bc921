#pragma once

// Three-way merges of a facet: two edited copies of one base merged tile by
// tile (merge), and a patch carried onto a new base (rebase). Every map cell
// (a tile's id and altitude) and every statics cell (the statics standing on
// one tile, in their order) takes the side that changed it; a cell both
// sides changed, each its own way, is a conflict. Without a side preferred,
// a conflict writes nothing but the conflicts file, if one was asked for.
// The outputs are written as the other jobs write theirs: staged, put in
// place together, never half-written.

#include "commitoptions.h"
#include "joboutcome.h"
#include "jobprogress.h"
#include "mapformat.h"

#include <QString>

#include <vector>

namespace quillmark {

// The files of one input: a map file (plain or container) or a statics pair.
struct MapFiles
{
    QString map;
};
struct StaticsFiles
{
    QString index;
    QString data;
};

// Each input of a merge is a type of its own, named where it is made
// (BaseSide<MapFiles>{{path}}), so that a base handed over where theirs
// belongs does not compile.
template <typename Files>
struct BaseSide
{
    Files files;
};
template <typename Files>
struct OursSide
{
    Files files;
};
template <typename Files>
struct TheirsSide
{
    Files files;
};
// A rebase's inputs: the reference the patch was made from, and the new base.
template <typename Files>
struct ReferenceSide
{
    Files files;
};
template <typename Files>
struct OntoSide
{
    Files files;
};

// A patch: map difference files, or statics difference files.
struct MapPatchFiles
{
    QString locator;
    QString data;
};
struct StaticsPatchFiles
{
    QString locator;
    QString index;
    QString data;
};

// Which side a conflicting cell takes. Without one, a conflict fails the job.
enum class Prefer { None, Ours, Theirs };

// What a merge does beyond its inputs and outputs.
struct MergeChoices
{
    Prefer prefer = Prefer::None;
    // Height of the facet in blocks, which places a block in the world; 0
    // for the facet's own.
    int heightBlocks = 0;
    // The conflicts file to write, also when nothing else is written; empty
    // for none.
    QString conflictsFile;
};

struct MapMergeJob
{
    BaseSide<MapFiles> base;
    OursSide<MapFiles> ours;
    TheirsSide<MapFiles> theirs;
    QString outDir;
    int facet = 0;
    MergeChoices choices;
    MapFormat format = MapFormat::Mul;  // of the new map file
};

struct StaticsMergeJob
{
    BaseSide<StaticsFiles> base;
    OursSide<StaticsFiles> ours;
    TheirsSide<StaticsFiles> theirs;
    QString outDir;
    int facet = 0;
    MergeChoices choices;
};

// Ours is the reference with the patch applied, theirs the new base, merged
// with the reference as the base; written as difference files from the new
// base to that merge.
struct MapRebaseJob
{
    ReferenceSide<MapFiles> reference;
    MapPatchFiles patch;
    OntoSide<MapFiles> onto;
    QString outDir;
    int facet = 0;
    MergeChoices choices;
};

struct StaticsRebaseJob
{
    ReferenceSide<StaticsFiles> reference;
    StaticsPatchFiles patch;
    OntoSide<StaticsFiles> onto;
    QString outDir;
    int facet = 0;
    MergeChoices choices;
};

// The world tiles of the first conflicts, in the conflicts file's order.
struct Tile
{
    qint64 x = 0;
    qint64 y = 0;
};

// What a merge found, block by block: blocks only one side changed, blocks
// both changed, and the conflicting cells among them.
struct MergeFigures
{
    qint64 oursOnly = 0;
    qint64 theirsOnly = 0;
    qint64 both = 0;
    qint64 conflicts = 0;
    std::vector<Tile> firstConflicts;  // at most MaxTilesNamed
    Prefer prefer = Prefer::None;

    static constexpr size_t MaxTilesNamed = 5;
};

// A merge's outcome, and its figures (as far as it went, when it failed).
struct MergeOutcome
{
    JobOutcome outcome;
    MergeFigures figures;
};

// Writes map<n>.mul, or map<n>LegacyMUL.uop, and the conflicts file.
MergeOutcome mergeMaps(const MapMergeJob& job, JobProgress& progress,
                       const CommitOptions& options = CommitOptions());
// Writes staidx<n>.mul and statics<n>.mul, and the conflicts file.
MergeOutcome mergeStatics(const StaticsMergeJob& job, JobProgress& progress,
                          const CommitOptions& options = CommitOptions());
// Write the difference files of the kind with their manifest, and the
// conflicts file. A patch with a manifest is refused unless the reference is
// exactly the one it was made from.
MergeOutcome rebaseMapPatch(const MapRebaseJob& job, JobProgress& progress,
                            const CommitOptions& options = CommitOptions());
MergeOutcome rebaseStaticsPatch(const StaticsRebaseJob& job, JobProgress& progress,
                                const CommitOptions& options = CommitOptions());

}  // namespace quillmark
