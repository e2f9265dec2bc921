#include "jobs.h"

#include "blockwalk.h"
#include "fileformat.h"
#include "jobchecks.h"
#include "jobmessages.h"
#include "manifestbuilder.h"
#include "mapinput.h"
#include "stagedfile.h"
#include "uopformat.h"

#include <algorithm>
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
    // Blocks of both maps from one block on, within one window: header and
    // payload of each, MapBlockSize bytes apart.
    struct Run
    {
        const char* reference = nullptr;
        const char* current = nullptr;
        qint64 blocks = 0;
        bool windowEqual = false;
    };

    WindowComparer(MapInput& reference, MapInput& current, qint64 blocks)
        : m_reference(reference), m_current(current), m_blocks(blocks)
    {}

    // The blocks from `block` up to `end` or the end of its window, whichever
    // comes first. Runs come in ascending order, each beginning where the one
    // before ended.
    Status runFrom(qint64 block, qint64 end, Run& run)
    {
        if (block % WindowBlocks == 0) {
            if (const Status viewed = viewWindow(block); viewed.failed())
                return viewed;
        }
        const qint64 at = block % WindowBlocks;
        run.reference = m_referenceWindow + at * MapBlockSize;
        run.current = m_currentWindow + at * MapBlockSize;
        run.blocks = qMin(end - block, WindowBlocks - at);
        run.windowEqual = m_windowEqual;
        return Status();
    }

    // Only the payload counts; a record carries the current header.
    static bool payloadsDiffer(const char* reference, const char* current)
    {
        return memcmp(reference + MapHeaderSize, current + MapHeaderSize, MapPayloadSize) != 0;
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

// What a run of blocks adds to the difference files and the manifest.
class RunRecorder
{
public:
    RunRecorder(HashedOutput& locator, HashedOutput& difData, ManifestBuilder& manifest, JobResult& result)
        : m_locator(locator), m_difData(difData), m_manifest(manifest), m_result(result)
    {}

    void record(qint64 first, const WindowComparer::Run& run)
    {
        // The current payloads are hashed together first; where the two
        // payloads are alike, as most are, that hash serves for both maps.
        quint64 before[ProgressStep], after[ProgressStep];
        payloadHashes(run.current + MapHeaderSize, run.blocks, MapBlockSize, after);
        std::copy(after, after + run.blocks, before);
        for (qint64 i = 0; !run.windowEqual && i < run.blocks; ++i) {
            const char* reference = run.reference + i * MapBlockSize;
            const char* current = run.current + i * MapBlockSize;
            if (!WindowComparer::payloadsDiffer(reference, current))
                continue;
            before[i] = blockHash(reference + MapHeaderSize, MapPayloadSize);
            m_manifest.addRecord(first + i, before[i], after[i]);
            m_locator.appendInt32(qint32(first + i));
            m_difData.append(current, MapBlockSize);
            ++m_result.records;
        }
        m_manifest.addRun(first, before, after, run.blocks);
    }

private:
    HashedOutput& m_locator;
    HashedOutput& m_difData;
    ManifestBuilder& m_manifest;
    JobResult& m_result;
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
    RunRecorder recorder(locator, difData, manifest, result);
    // A stretch of the walk is at most ProgressStep blocks, and so is a run.
    const bool walked = walk.eachStretch(result.blocks, [&](qint64 first, qint64 count) {
        for (qint64 block = first; block < first + count;) {
            WindowComparer::Run run;
            if (Status viewed = maps.runFrom(block, first + count, run); viewed.failed())
                return viewed;
            recorder.record(block, run);
            block += run.blocks;
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
