#include "mergejobs.h"

#include "conflictsoutput.h"
#include "jobchecks.h"
#include "jobmessages.h"
#include "mapinput.h"
#include "mapmerger.h"
#include "mapoutput.h"
#include "mergeinputs.h"

#include <cstring>

namespace quillmark {

using namespace difformat;

namespace {

Status checkInputs(const MapMergeJob& job, MapInput& base, MapInput& ours, MapInput& theirs,
                   const CommitOptions& options)
{
    if (const Status opened = openMaps({{&base, mergemessage::BaseMap},
                                        {&ours, mergemessage::OurMap},
                                        {&theirs, mergemessage::TheirMap}},
                                       jobmessage::MapSizesDiffer, options);
        opened.failed())
        return opened;
    return checkOutputDirectoryNamed(job.outDir, *options.files);
}

// The blocks from `first` on, `count` of them: a stretch none of the sides
// changed is theirs as it is, in one piece; any other block by block.
Status mergeStretch(qint64 first, qint64 count, std::initializer_list<MapInput*> maps, MapMerger& merger,
                    Output& merged, bool keepWriting)
{
    const char* bytes[3] = {};
    const char** next = bytes;
    for (MapInput* map : maps) {
        if (const Status viewed = map->view(first * MapBlockSize, count * MapBlockSize, *next++);
            viewed.failed())
            return viewed.withMessage(jobmessage::UnableToReadMapData);
    }
    const size_t length = size_t(count * MapBlockSize);
    const bool untouched = memcmp(bytes[1], bytes[0], length) == 0 && memcmp(bytes[2], bytes[0], length) == 0;
    if (untouched && keepWriting)
        merged.append(bytes[2], qint64(length));
    for (qint64 i = 0; !untouched && i < count; ++i) {
        const qint64 at = i * MapBlockSize;
        const char* block = merger.merge(first + i, {bytes[0] + at, bytes[1] + at, bytes[2] + at});
        if (keepWriting)
            merged.append(block, MapBlockSize);
    }
    return Status();
}

// The bytes past the last whole block, merged as a block of their own.
Status mergeFragment(qint64 block, std::initializer_list<MapInput*> maps, MapMerger& merger, Output& merged)
{
    const qint64 start = block * MapBlockSize, length = (*maps.begin())->size() - start;
    if (length == 0)
        return Status();
    QByteArray fragments[3];
    QByteArray* next = fragments;
    for (MapInput* map : maps) {
        const char* bytes = nullptr;
        if (const Status viewed = map->view(start, length, bytes); viewed.failed())
            return viewed.withMessage(jobmessage::UnableToReadMapData);
        *next++ = QByteArray(bytes, length);
    }
    merged.append(merger.merge(block, {fragments[0].constData(), fragments[1].constData(),
                                       fragments[2].constData(), length}),
                  length);
    return Status();
}

JobOutcome run(const MapMergeJob& job, JobProgress& progress, const CommitOptions& options,
               MergeFigures& figures)
{
    MapInput base(job.base.files.map, *options.files);
    MapInput ours(job.ours.files.map, *options.files);
    MapInput theirs(job.theirs.files.map, *options.files);
    if (const Status checked = checkInputs(job, base, ours, theirs, options); checked.failed())
        return JobOutcome::failure(checked);
    const std::unique_ptr<Output> newMap = makeMapOutput(mapFileName(job.outDir, job.facet, job.format),
                                                         job.format, job.facet, base.size(), *options.files);
    ConflictsOutput conflicts("map", job.choices, job.facet, *options.files);
    BlockWalk walk(progress, options, conflicts.withOutputs({newMap.get()}), jobmessage::UnableToWriteNewMap);
    // Merged into the folder of ours, the new map takes its place.
    if (const Status created = walk.createOutputs(
            jobmessage::UnableToCreateNewMap, FileRoles().reads(base).replaces(*newMap, ours).reads(theirs));
        created.failed())
        return JobOutcome::failure(created);

    JobResult result{base.size() / MapBlockSize, 0, 0, {newMap->target()}};
    MapMerger merger(job.choices.prefer, conflicts.list(), figures);
    const bool walked = walk.eachStretch(result.blocks, [&](qint64 first, qint64 count) {
        return mergeStretch(first, count, {&base, &ours, &theirs}, merger, *newMap, conflicts.keepWriting());
    });
    const Status fragment =
        walked ? mergeFragment(result.blocks, {&base, &ours, &theirs}, merger, *newMap) : Status();
    result.records = figures.oursOnly + figures.theirsOnly + figures.both;
    result.dataBytes = newMap->size();
    return conflicts.finish(walk, walked, fragment, {&base, &ours, &theirs}, std::move(result), figures,
                            options);
}

}  // namespace

MergeOutcome mergeMaps(const MapMergeJob& job, JobProgress& progress, const CommitOptions& options)
{
    MergeFigures figures;
    JobOutcome outcome = withMemoryGuard(jobmessage::UnableToWriteNewMap,
                                         [&] { return run(job, progress, options, figures); });
    return {std::move(outcome), figures};
}

}  // namespace quillmark
