#include "referencefiles.h"

#include "counted.h"
#include "fileformat.h"
#include "jobchecks.h"
#include "jobmessages.h"

namespace quillmark {

using namespace difformat;

ReferenceFiles::ReferenceFiles(const ReportSources& sources, FileSystem& files)
    : m_map(sources.map, files),
      m_staticsData(sources.staticsData, files),
      m_staticsIndex(sources.staticsIndex, files),
      m_statics{m_staticsIndex, m_staticsData, jobmessage::referenceStaticsDamaged}
{}

qint64 ReferenceFiles::blocks() const
{
    return m_map.size() / MapBlockSize;
}

Status ReferenceFiles::openMap(const CommitOptions& options, qint64 heightBlocks, const ReferenceWords& words)
{
    m_readMap = words.readMap;
    if (const Status opened = openInputs({&m_map}, words.openMap, options); opened.failed())
        return opened;
    if (blocks() > MaxReportBlocks)
        return Status::failure(Status::Kind::TooLarge, words.openMap, m_map.path(),
                               QStringLiteral("It holds %1 blocks, more than a report covers (%2)")
                                   .arg(blocks())
                                   .arg(MaxReportBlocks));
    if (blocks() % heightBlocks != 0)
        return Status::failure(Status::Kind::Damaged, words.openMap, m_map.path(),
                               QStringLiteral("It holds %1, not a whole number of columns of %2 blocks")
                                   .arg(counted(blocks(), "block", "blocks"))
                                   .arg(heightBlocks));
    return Status();
}

Status ReferenceFiles::openStatics(const CommitOptions& options, const ReferenceWords& words)
{
    m_statics.damaged = words.staticsDamaged;
    if (const Status opened = openInputs({&m_staticsData, &m_staticsIndex}, words.openStatics, options);
        opened.failed())
        return opened;
    const qint64 entries = m_staticsIndex.size() / IndexEntrySize;
    if (entries != blocks())
        return Status::failure(
            Status::Kind::Damaged, words.openStatics, m_staticsIndex.path(),
            QStringLiteral("It holds %1, the map %2")
                .arg(counted(entries, "block", "blocks"), counted(blocks(), "block", "blocks")));
    return Status();
}

void ReferenceFiles::close()
{
    m_map.close();
    m_staticsData.close();
    m_staticsIndex.close();
}

Status ReferenceFiles::readCells(qint64 block, BlockBytes& bytes)
{
    const char* whole = nullptr;
    if (const Status viewed = m_map.view(block * MapBlockSize, MapBlockSize, whole); viewed.failed())
        return viewed.withMessage(m_readMap);
    bytes.cellsBefore = whole + MapHeaderSize;
    bytes.cellsAfter = bytes.cellsBefore;
    return Status();
}

Status ReferenceFiles::readEntry(qint64 block, IndexEntry& entry) const
{
    return m_statics.readEntry(block, block, entry);
}

Status ReferenceFiles::readStatics(const IndexEntry& entry, BlockBytes& bytes) const
{
    if (const Status read = m_statics.readData(entry, bytes.staticsBefore, bytes.staticsBeforeLength);
        read.failed())
        return read;
    bytes.staticsAfter = bytes.staticsBefore;
    bytes.staticsAfterLength = bytes.staticsBeforeLength;
    return Status();
}

}  // namespace quillmark
