#include "jobs.h"

#include "blockwalk.h"
#include "fileformat.h"
#include "jobchecks.h"
#include "jobmessages.h"
#include "manifestbuilder.h"
#include "mapinput.h"
#include "stagedfile.h"
#include "uopformat.h"

#include <cstring>

namespace quillmark {

using namespace difformat;

namespace {

// Blocks compared as one window before they are compared one by one: a
// quarter of what a container chunk holds, so that a window of either form
// of map is one view of bytes that are there already, and the two windows
// stay in the processor's cache while each block is compared and hashed.
constexpr qint64 WindowBlocks = uopformat::ChunkSize / MapBlockSize / 4;

// The two maps a window at a time: most windows of an edited facet are
// untouched, header and payload, and cost one comparison of their bytes.
class WindowComparer
{
public:
    // A block of both maps, header and payload.
    struct Blocks
    {
        const char* reference = nullptr;
        const char* current = nullptr;
        bool payloadsDiffer = false;
    };

    WindowComparer(MapInput& reference, MapInput& current, qint64 blocks)
        : m_reference(reference), m_current(current), m_blocks(blocks)
    {}

    // Blocks come in ascending order.
    Status compare(qint64 block, Blocks& blocks)
    {
        if (block % WindowBlocks == 0) {
            if (const Status viewed = viewWindow(block); viewed.failed())
                return viewed;
        }
        const qint64 at = (block % WindowBlocks) * MapBlockSize;
        blocks.reference = m_referenceWindow + at;
        blocks.current = m_currentWindow + at;
        // Only the payload counts; the record carries the current header.
        blocks.payloadsDiffer =
            !m_windowEqual
            && memcmp(blocks.reference + MapHeaderSize, blocks.current + MapHeaderSize, MapPayloadSize) != 0;
        return Status();
    }

private:
    Status viewWindow(qint64 first)
    {
        const qint64 length = qMin(WindowBlocks, m_blocks - first) * MapBlockSize;
        Status viewed = m_reference.view(first * MapBlockSize, length, m_referenceWindow);
        if (viewed.ok())
            viewed = m_current.view(first * MapBlockSize, length, m_currentWindow);
        if (viewed.failed())
            return viewed.withMessage(jobmessage::UnableToReadMapData);
        m_windowEqual = memcmp(m_referenceWindow, m_currentWindow, size_t(length)) == 0;
        return Status();
    }

    MapInput& m_reference;
    MapInput& m_current;
    qint64 m_blocks;
    const char* m_referenceWindow = nullptr;
    const char* m_currentWindow = nullptr;
    bool m_windowEqual = false;
};

Status checkMaps(const MapGenerateJob& job, MapInput& reference, MapInput& current,
                 const CommitOptions& options)
{
    if (const Status opened = openInputs({&reference}, jobmessage::UnableToOpenReferenceData, options);
        opened.failed())
        return opened;
    if (const Status opened = openInputs({&current}, jobmessage::UnableToOpenMapData, options);
        opened.failed())
        return opened;
    if (current.size() != reference.size())
        return sizesDiffer(jobmessage::MapSizesDiffer, reference, current);
    if (const Status counted = checkRecordCount(current, MapBlockSize, jobmessage::UnableToOpenMapData);
        counted.failed())
        return counted;
    return checkOutputDirectory(job.outDir, *options.files);
}

JobOutcome run(const MapGenerateJob& job, JobProgress& progress, const CommitOptions& options)
{
    MapInput reference(job.referenceMap, *options.files);
    MapInput current(job.currentMap, *options.files);
    if (const Status checked = checkMaps(job, reference, current, options); checked.failed())
        return JobOutcome::failure(checked);
    StagedFile difDataFile(outputName(job.outDir, MapDifDataPart, job.facet), *options.files);
    StagedFile locatorFile(outputName(job.outDir, MapDifLocatorPart, job.facet), *options.files);
    StagedFile manifestFile(manifestformat::manifestPath(job.outDir, PatchKind::Map, job.facet),
                            *options.files);
    HashedOutput difData(difDataFile), locator(locatorFile);
    BlockWalk walk(progress, options, {&difData, &locator, &manifestFile},
                   jobmessage::UnableToWriteDiffFiles);
    if (const Status created = walk.createOutputs(jobmessage::UnableToCreateDiffFiles,
                                                  FileRoles().reads(reference).reads(current));
        created.failed())
        return JobOutcome::failure(created);

    // A trailing fragment shorter than a block is outside the format and is
    // not compared.
    JobResult result{
        current.size() / MapBlockSize, 0, 0, {locator.target(), difData.target(), manifestFile.target()}};
    WindowComparer maps(reference, current, result.blocks);
    ManifestBuilder manifest(PatchKind::Map, job.facet, manifestFile);
    const bool walked = walk.eachBlock(result.blocks, [&](qint64 block) {
        WindowComparer::Blocks blocks;
        if (Status compared = maps.compare(block, blocks); compared.failed())
            return compared;
        // Payloads alike, as most are, are hashed once for both maps.
        const quint64 after = blockHash(blocks.current + MapHeaderSize, MapPayloadSize);
        const quint64 before =
            blocks.payloadsDiffer ? blockHash(blocks.reference + MapHeaderSize, MapPayloadSize) : after;
        manifest.addBlock(block, before, after, blocks.payloadsDiffer);
        if (blocks.payloadsDiffer) {
            locator.appendInt32(qint32(block));
            difData.append(blocks.current, MapBlockSize);
            ++result.records;
        }
        return Status();
    });
    if (walked)
        manifest.finish({&locator, &difData});
    result.dataBytes = difData.size();
    return walk.finish({&reference, &current}, result);
}

}  // namespace

JobOutcome generateMapDiff(const MapGenerateJob& job, JobProgress& progress, const CommitOptions& options)
{
    return withMemoryGuard(jobmessage::UnableToWriteDiffFiles, [&] { return run(job, progress, options); });
}

}  // namespace quillmark
