#include "samplefacet.h"

#include "blockplan.h"
#include "facets.h"
#include "staticsblock.h"
#include "staticslayout.h"
#include "terrain.h"

#include "fileformat.h"
#include "mapoutput.h"
#include "stagedcommit.h"
#include "stagedfile.h"

#include "fileoperations.h"

#include <array>

namespace quillmark {

namespace {

// The two copies lay out their statics data differently, so that unchanged
// blocks move about between them.
constexpr quint64 ReferenceLayout = 0x5eed0001;
constexpr quint64 EditedLayout = 0x5eed0002;

// One copy's three files, staged: they appear only when both copies are whole.
struct CopyOutputs
{
    std::unique_ptr<Output> map;
    StagedFile index;
    StagedFile data;

    CopyOutputs(const FacetFiles& names, MapFormat mapFormat, int facet, qint64 blocks, FileSystem& files)
        : map(makeMapOutput(names.map, mapFormat, facet, blocks * difformat::MapBlockSize, files)),
          index(names.index, files),
          data(names.data, files)
    {}

    Status createAll()
    {
        for (Output* file : {map.get(), static_cast<Output*>(&index), static_cast<Output*>(&data)}) {
            if (const Status created = file->create(); created.failed())
                return created.withAction(QStringLiteral("Unable to create"));
        }
        return Status();
    }

    // Completes the map (a container's checksums) and says whether all
    // three were written.
    Status written()
    {
        for (Output* file : {map.get(), static_cast<Output*>(&index), static_cast<Output*>(&data)}) {
            if (const Status finished = file->finish(); finished.failed())
                return finished.withAction(QStringLiteral("Unable to write"));
        }
        return Status();
    }
};

// Puts all six files in place, or none of them.
Status commitBoth(const SampleFacetOptions& options, CopyOutputs& reference, CopyOutputs& edited,
                  FileSystem& files)
{
    for (CopyOutputs* copy : {&reference, &edited}) {
        if (const Status status = copy->written(); status.failed())
            return status;
    }
    CommitOptions commit;
    commit.files = &files;
    const Status committed = commitStaged({&reference.map->staged(), &reference.index, &reference.data,
                                           &edited.map->staged(), &edited.index, &edited.data},
                                          commit);
    if (committed.failed())
        return Status::failure(
            committed.kind(),
            QStringLiteral("Unable to write the sample facet in %1").arg(options.directory));
    return Status();
}

void countChange(const BlockPlan& plan, SampleFacetSummary& summary)
{
    switch (plan.change) {
    case BlockChange::None:
        summary.headerOnlyChanges += plan.headerOnly ? 1 : 0;
        summary.extraOnlyChanges += plan.extraOnly ? 1 : 0;
        return;
    case BlockChange::Edited:
        ++summary.mapBlocksDiffering;
        ++summary.staticsEdited;
        break;
    case BlockChange::Emptied:
        ++summary.staticsEmptied;
        break;
    case BlockChange::Added:
        ++summary.staticsAdded;
        break;
    }
    ++summary.staticsBlocksDiffering;
}

void writeMapBlocks(const SampleFacetOptions& options, qint64 block, const BlockPlan& plan,
                    CopyOutputs& reference, CopyOutputs& edited)
{
    std::array<char, difformat::MapBlockSize> bytes;
    terrain::referenceBlock(options.seed, block, options.heightBlocks, bytes.data());
    reference.map->append(bytes.data(), bytes.size());
    if (plan.change == BlockChange::Edited)
        terrain::editPayload(options.seed, block, bytes.data());
    if (plan.headerOnly)
        terrain::changeHeader(bytes.data());
    edited.map->append(bytes.data(), bytes.size());
}

}  // namespace

FacetFiles facetFiles(const QString& directory, int facet, MapFormat mapFormat)
{
    return {mapFileName(directory, facet, mapFormat),
            difformat::outputName(directory, difformat::StaticsIndexPart, facet),
            difformat::outputName(directory, difformat::StaticsDataPart, facet)};
}

FacetFiles referenceFiles(const SampleFacetOptions& options)
{
    return facetFiles(options.directory + QLatin1String("/reference"), options.facet,
                      options.referenceMapFormat);
}

FacetFiles editedFiles(const SampleFacetOptions& options)
{
    return facetFiles(options.directory + QLatin1String("/current"), options.facet);
}

Status checkSampleFacetOptions(const SampleFacetOptions& options)
{
    if (options.directory.isEmpty())
        return Status::failure(Status::Kind::Usage, QStringLiteral("no directory given"));
    if (options.facet < 0 || options.facet >= facets::Count)
        return Status::failure(Status::Kind::Usage,
                               QStringLiteral("facet must be 0 to %1").arg(facets::Count - 1));
    if (options.widthBlocks < 1 || options.heightBlocks < 1)
        return Status::failure(Status::Kind::Usage,
                               QStringLiteral("width and height must be at least 1 block"));
    if (qint64(options.widthBlocks) * options.heightBlocks > MaxSampleBlocks)
        return Status::failure(Status::Kind::Usage,
                               QStringLiteral("a sample facet holds at most %1 blocks").arg(MaxSampleBlocks));
    for (const double share : {options.changedShare, options.emptiedShare, options.newShare}) {
        if (!(share >= 0 && share <= 1))
            return Status::failure(Status::Kind::Usage, QStringLiteral("shares must lie between 0 and 1"));
    }
    if (options.changedShare + options.emptiedShare + options.newShare > 1)
        return Status::failure(Status::Kind::Usage,
                               QStringLiteral("the changed, emptied and new shares add up to more than 1"));
    return Status();
}

SampleFacetResult writeSampleFacet(const SampleFacetOptions& options, FileSystem& files)
{
    SampleFacetResult result;
    result.status = checkSampleFacetOptions(options);
    if (!result.status.ok())
        return result;
    for (const char* copy : {"/reference", "/current"}) {
        if (const Status made = makeFolders(files, options.directory + QLatin1String(copy)); made.failed()) {
            result.status = made.withAction(QStringLiteral("Unable to create"));
            return result;
        }
    }
    SampleFacetSummary& summary = result.summary;
    summary.blocks = qint64(options.widthBlocks) * options.heightBlocks;
    CopyOutputs reference(referenceFiles(options), options.referenceMapFormat, options.facet, summary.blocks,
                          files);
    CopyOutputs edited(editedFiles(options), MapFormat::Mul, options.facet, summary.blocks, files);
    result.status = reference.createAll();
    if (result.status.ok())
        result.status = edited.createAll();
    if (!result.status.ok())
        return result;

    const quint64 seed = options.seed;
    StaticsLayout referenceLayout(reference.index, reference.data, seed ^ ReferenceLayout, summary.blocks,
                                  [&options](qint64 block) {
                                      return referenceStatics(options.seed, block, planBlock(options, block));
                                  });
    StaticsLayout editedLayout(
        edited.index, edited.data, seed ^ EditedLayout, summary.blocks,
        [&options](qint64 block) { return editedStatics(options.seed, block, planBlock(options, block)); });
    for (qint64 block = 0; block < summary.blocks; ++block) {
        const BlockPlan plan = planBlock(options, block);
        countChange(plan, summary);
        writeMapBlocks(options, block, plan, reference, edited);
        referenceLayout.place(block);
        editedLayout.place(block);
    }
    summary.blocksPlacedOutOfOrder = referenceLayout.blocksPlacedEarly() + editedLayout.blocksPlacedEarly();

    result.status = commitBoth(options, reference, edited, files);
    return result;
}

}  // namespace quillmark
