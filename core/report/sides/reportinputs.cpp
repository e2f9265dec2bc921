#include "reportinputs.h"

#include "facetside.h"
#include "mergeside.h"
#include "patchside.h"

namespace quillmark {

std::unique_ptr<AfterSide> afterSideFor(const ReportSources& sources, FileSystem& files)
{
    if (sources.reviewsMerge())
        return std::make_unique<MergeSide>(sources, files);
    if (sources.comparesFacets())
        return std::make_unique<FacetSide>(sources, files);
    return std::make_unique<PatchSide>(sources, files);
}

ReportInputs::ReportInputs(const ReportSources& sources, FileSystem& files)
    : m_sources(sources), m_reference(sources, files), m_side(afterSideFor(sources, files))
{}

ReportInputs::~ReportInputs() = default;

Status ReportInputs::open(const CommitOptions& options, qint64 heightBlocks)
{
    m_heightBlocks = heightBlocks;
    const ReferenceWords words = m_side->referenceWords();
    if (const Status opened = m_reference.openMap(options, heightBlocks, words); opened.failed())
        return opened;
    if (const Status opened = m_side->openMap(options, m_reference); opened.failed())
        return opened;
    if (!m_sources.hasStatics())
        return Status();
    if (const Status opened = m_reference.openStatics(options, words); opened.failed())
        return opened;
    return m_side->openStatics(options, m_reference);
}

void ReportInputs::close()
{
    m_reference.close();
    m_side->close();
}

QStringList ReportInputs::paths() const
{
    QStringList read{m_sources.map};
    if (m_sources.hasStatics())
        read << m_sources.staticsIndex << m_sources.staticsData;
    return read + m_side->paths();
}

std::vector<FilesRow> ReportInputs::filesRows() const
{
    const ReferenceWords words = m_side->referenceWords();
    std::vector<FilesRow> rows{{words.mapCaption, {m_sources.map}}};
    const auto add = [&rows](const std::vector<FilesRow>& more) {
        rows.insert(rows.end(), more.begin(), more.end());
    };
    add(m_side->filesRows(PatchKind::Map));
    if (m_sources.hasStatics()) {
        rows.push_back({words.staticsCaption, {m_sources.staticsIndex, m_sources.staticsData}});
        add(m_side->filesRows(PatchKind::Statics));
    }
    return rows;
}

Status ReportInputs::read(qint64 block, Access access, bool allStatics, BlockBytes& bytes)
{
    bytes = BlockBytes();
    if (const Status read = m_reference.readCells(block, bytes); read.failed())
        return read;
    if (const Status read = m_side->readCells(block, access, bytes); read.failed())
        return read;
    if (!m_sources.hasStatics())
        return Status();
    IndexEntry before;
    if (const Status read = m_reference.readEntry(block, before); read.failed())
        return read;
    bytes.staticsBeforePresent = !before.isEmpty();
    if (const Status found = m_side->findStatics(block, access, bytes); found.failed())
        return found;
    if (bytes.staticsCompared || allStatics) {
        if (const Status read = m_reference.readStatics(before, bytes); read.failed())
            return read;
    }
    return bytes.staticsCompared ? m_side->readStatics(block, bytes) : Status();
}

}  // namespace quillmark
