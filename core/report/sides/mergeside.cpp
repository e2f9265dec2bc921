#include "mergeside.h"

#include "fileformat.h"
#include "jobmessages.h"
#include "mergeinputs.h"
#include "mergemessages.h"

namespace quillmark {

using namespace difformat;

namespace {

constexpr DamageMessage Damaged[] = {mergemessage::baseStaticsDamaged, mergemessage::ourStaticsDamaged,
                                     mergemessage::theirStaticsDamaged};

}  // namespace

MergeSide::MergeSide(const ReportSources& sources, FileSystem& files)
    : m_sources(sources),
      m_maps{{sources.map, files}, {sources.oursMap, files}, {sources.theirsMap, files}},
      m_indexes{{sources.staticsIndex, files},
                {sources.oursStaticsIndex, files},
                {sources.theirsStaticsIndex, files}},
      m_data{
          {sources.staticsData, files}, {sources.oursStaticsData, files}, {sources.theirsStaticsData, files}},
      m_pairs{{m_indexes[Base], m_data[Base], Damaged[Base]},
              {m_indexes[Ours], m_data[Ours], Damaged[Ours]},
              {m_indexes[Theirs], m_data[Theirs], Damaged[Theirs]}},
      m_mapConflicts("map", 1, nullptr),
      m_staticsConflicts("statics", 1, nullptr),
      m_mapMerger(Prefer::None, m_mapConflicts, m_figures),
      m_staticsMerger(Prefer::None, m_staticsConflicts, m_figures, {Damaged[0], Damaged[1], Damaged[2]})
{}

ReferenceWords MergeSide::referenceWords() const
{
    return {mergemessage::BaseMap,      mergemessage::BaseStatics,      jobmessage::UnableToReadMapData,
            QStringLiteral("Base map"), QStringLiteral("Base statics"), mergemessage::baseStaticsDamaged};
}

Status MergeSide::openMap(const CommitOptions& options, const ReferenceFiles& /*reference*/)
{
    return openMaps({{&m_maps[Base], mergemessage::BaseMap},
                     {&m_maps[Ours], mergemessage::OurMap},
                     {&m_maps[Theirs], mergemessage::TheirMap}},
                    jobmessage::MapSizesDiffer, options);
}

Status MergeSide::openStatics(const CommitOptions& options, const ReferenceFiles& /*reference*/)
{
    return openStaticsPairs({{&m_indexes[Base], &m_data[Base], mergemessage::BaseStatics},
                             {&m_indexes[Ours], &m_data[Ours], mergemessage::OurStatics},
                             {&m_indexes[Theirs], &m_data[Theirs], mergemessage::TheirStatics}},
                            jobmessage::IndexSizesDiffer, options);
}

void MergeSide::close()
{
    for (int side = Base; side <= Theirs; ++side) {
        m_maps[side].close();
        m_indexes[side].close();
        m_data[side].close();
    }
}

Status MergeSide::viewMaps(qint64 block, const char* (&views)[3])
{
    for (int side = Base; side <= Theirs; ++side) {
        if (const Status viewed = m_maps[side].view(block * MapBlockSize, MapBlockSize, views[side]);
            viewed.failed())
            return viewed.withMessage(jobmessage::UnableToReadMapData);
    }
    return Status();
}

Status MergeSide::readCells(qint64 block, Access /*access*/, BlockBytes& bytes)
{
    const char* views[3] = {};
    if (const Status viewed = viewMaps(block, views); viewed.failed())
        return viewed;
    bytes.cellsAfter = m_mapMerger.merge(block, {views[Base], views[Ours], views[Theirs]}) + MapHeaderSize;
    bytes.merge.cellsOurs = views[Ours] + MapHeaderSize;
    bytes.merge.cellsTheirs = views[Theirs] + MapHeaderSize;
    bytes.merge.mapConflicts = m_mapConflicts.blockCells(block);
    bytes.mapCompared = true;
    return Status();
}

Status MergeSide::findStatics(qint64 /*block*/, Access /*access*/, BlockBytes& bytes)
{
    bytes.staticsCompared = true;
    return Status();
}

Status MergeSide::readStaticsBlocks(qint64 block, StaticsBlock (&read)[3])
{
    for (int side = Base; side <= Theirs; ++side) {
        read[side].data = &m_data[side];
        if (const Status entry = m_pairs[side].readEntry(block, block, read[side].entry); entry.failed())
            return entry;
        qint64 length = 0;
        if (const Status data = m_pairs[side].readData(read[side].entry, read[side].bytes, length);
            data.failed())
            return data;
    }
    return Status();
}

Status MergeSide::readStatics(qint64 block, BlockBytes& bytes)
{
    StaticsBlock read[3];
    if (const Status sides = readStaticsBlocks(block, read); sides.failed())
        return sides;
    const StaticsBlock* merged = nullptr;
    if (const Status done = m_staticsMerger.merge(block, read[Base], read[Ours], read[Theirs], merged);
        done.failed())
        return withReadMessage(done, jobmessage::UnableToReadStatics);
    bytes.staticsAfter = merged->bytes;
    bytes.staticsAfterLength = merged->length();
    bytes.merge.staticsOurs = read[Ours].bytes;
    bytes.merge.staticsOursLength = read[Ours].length();
    bytes.merge.staticsTheirs = read[Theirs].bytes;
    bytes.merge.staticsTheirsLength = read[Theirs].length();
    bytes.merge.staticsConflicts = m_staticsConflicts.blockCells(block);
    return Status();
}

// Each layer's conflicts, the map's first, by merging again the blocks that
// hold them: the merge's own lists write them, sorted as its file sorts them.
Status MergeSide::writeConflicts(const std::vector<ConflictingBlock>& blocks, qint64 heightBlocks,
                                 Output& out, qint64& written)
{
    MergeFigures figures;
    ConflictList mapList("map", heightBlocks, out, written);
    MapMerger mapMerger(Prefer::None, mapList, figures);
    for (const ConflictingBlock& block : blocks) {
        const char* views[3] = {};
        if (block.mapConflicts == 0)
            continue;
        if (const Status viewed = viewMaps(block.block, views); viewed.failed())
            return viewed;
        mapMerger.merge(block.block, {views[Base], views[Ours], views[Theirs]});
    }
    mapList.finish(figures);
    ConflictList staticsList("statics", heightBlocks, out, written);
    StaticsMerger staticsMerger(Prefer::None, staticsList, figures, {Damaged[0], Damaged[1], Damaged[2]});
    for (const ConflictingBlock& block : blocks) {
        StaticsBlock read[3];
        const StaticsBlock* merged = nullptr;
        if (block.staticsConflicts == 0)
            continue;
        Status done = readStaticsBlocks(block.block, read);
        if (done.ok())
            done = staticsMerger.merge(block.block, read[Base], read[Ours], read[Theirs], merged);
        if (done.failed())
            return withReadMessage(done, jobmessage::UnableToReadStatics);
    }
    staticsList.finish(figures);
    return Status();
}

QStringList MergeSide::paths() const
{
    QStringList read{m_sources.oursMap, m_sources.theirsMap};
    if (m_sources.hasStatics())
        read << m_sources.oursStaticsIndex << m_sources.oursStaticsData << m_sources.theirsStaticsIndex
             << m_sources.theirsStaticsData;
    return read;
}

std::vector<FilesRow> MergeSide::filesRows(PatchKind kind) const
{
    if (kind == PatchKind::Statics)
        return {
            {QStringLiteral("Our statics"), {m_sources.oursStaticsIndex, m_sources.oursStaticsData}},
            {QStringLiteral("Their statics"), {m_sources.theirsStaticsIndex, m_sources.theirsStaticsData}}};
    return {{QStringLiteral("Our map"), {m_sources.oursMap}},
            {QStringLiteral("Their map"), {m_sources.theirsMap}}};
}

}  // namespace quillmark
