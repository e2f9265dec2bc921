#include "facetside.h"

#include "fileformat.h"
#include "jobchecks.h"
#include "jobmessages.h"

namespace quillmark {

using namespace difformat;

FacetSide::FacetSide(const ReportSources& sources, FileSystem& files)
    : m_sources(sources),
      m_map(sources.currentMap, files),
      m_staticsData(sources.currentStaticsData, files),
      m_staticsIndex(sources.currentStaticsIndex, files),
      m_statics{m_staticsIndex, m_staticsData, jobmessage::currentStaticsDamaged}
{}

ReferenceWords FacetSide::referenceWords() const
{
    return {jobmessage::UnableToOpenReferenceData, jobmessage::UnableToOpenReferenceOrIndex,
            jobmessage::UnableToReadMapData,       QStringLiteral("Reference map"),
            QStringLiteral("Reference statics"),   jobmessage::referenceStaticsDamaged};
}

Status FacetSide::openMap(const CommitOptions& options, const ReferenceFiles& reference)
{
    if (const Status opened = openInputs({&m_map}, jobmessage::UnableToOpenMapData, options); opened.failed())
        return opened;
    return m_map.size() / MapBlockSize == reference.blocks()
               ? Status()
               : sizesDiffer(jobmessage::MapSizesDiffer, reference.map(), m_map);
}

Status FacetSide::openStatics(const CommitOptions& options, const ReferenceFiles& reference)
{
    if (const Status opened = openInputs({&m_staticsData, &m_staticsIndex},
                                         jobmessage::UnableToOpenStaticsDataOrIndex, options);
        opened.failed())
        return opened;
    return m_staticsIndex.size() / IndexEntrySize == reference.blocks()
               ? Status()
               : sizesDiffer(jobmessage::IndexSizesDiffer, reference.staticsIndex(), m_staticsIndex);
}

void FacetSide::close()
{
    m_map.close();
    m_staticsData.close();
    m_staticsIndex.close();
}

Status FacetSide::readCells(qint64 block, Access /*access*/, BlockBytes& bytes)
{
    const char* whole = nullptr;
    if (const Status viewed = m_map.view(block * MapBlockSize, MapBlockSize, whole); viewed.failed())
        return viewed.withMessage(jobmessage::UnableToReadMapData);
    bytes.cellsAfter = whole + MapHeaderSize;
    bytes.mapCompared = true;
    return Status();
}

Status FacetSide::findStatics(qint64 /*block*/, Access /*access*/, BlockBytes& bytes)
{
    bytes.staticsCompared = true;
    return Status();
}

Status FacetSide::readStatics(qint64 block, BlockBytes& bytes)
{
    IndexEntry entry;
    if (const Status read = m_statics.readEntry(block, block, entry); read.failed())
        return read;
    bytes.staticsAfter = nullptr;
    bytes.staticsAfterLength = 0;
    return m_statics.readData(entry, bytes.staticsAfter, bytes.staticsAfterLength);
}

QStringList FacetSide::paths() const
{
    QStringList read{m_sources.currentMap};
    if (m_sources.hasStatics())
        read << m_sources.currentStaticsIndex << m_sources.currentStaticsData;
    return read;
}

std::vector<FilesRow> FacetSide::filesRows(PatchKind kind) const
{
    if (kind == PatchKind::Statics)
        return {{QStringLiteral("Current statics"),
                 {m_sources.currentStaticsIndex, m_sources.currentStaticsData}}};
    return {{QStringLiteral("Current map"), {m_sources.currentMap}}};
}

}  // namespace quillmark
