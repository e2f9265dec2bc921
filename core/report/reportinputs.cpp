#include "reportinputs.h"

#include "difformat.h"
#include "indexentry.h"
#include "inputfile.h"
#include "jobchecks.h"
#include "jobmessages.h"
#include "locatorrecords.h"
#include "mapinput.h"
#include "replacementtable.h"

#include <QtEndian>

namespace quillmark {

using namespace difformat;

namespace {

qint64 lookUp(ReplacementTable& table, qint64 block, Access access)
{
    return access == Access::InOrder ? table.findNext(block) : table.find(block);
}

Status recordPastEnd(qint64 block, const Input& file, qint64 records, qint64 ordinal)
{
    return Status::failure(
        jobmessage::difFilesDamaged(block), file.path(),
        QStringLiteral("It holds %1 records, the locator names record %2").arg(records).arg(ordinal));
}

// Entries are read whole, 7 bytes at a time, within one view of the data.
QString unreadableLength(const IndexEntry& entry)
{
    if (entry.isEmpty())
        return QString();
    if (entry.length % StaticEntrySize != 0)
        return QStringLiteral("An entry names %1 bytes, not a whole number of %2-byte statics")
            .arg(entry.length)
            .arg(StaticEntrySize);
    if (entry.length > Input::MaxView)
        return QStringLiteral("An entry names %1 bytes, more than a block's statics may hold (%2)")
            .arg(entry.length)
            .arg(Input::MaxView);
    return QString();
}

Status tooManyBlocks(const QString& message, const Input& input, qint64 blocks)
{
    return Status::failure(message, input.path(),
                           QStringLiteral("It holds %1 blocks, more than a report covers (%2)")
                               .arg(blocks)
                               .arg(MaxReportBlocks));
}

struct StaticsSide
{
    Input& index;
    Input& data;
    QString damaged;  // the message for a damaged entry
};

}  // namespace

struct ReportInputs::Files
{
    explicit Files(const ReportSources& s)
        : sources(s),
          map(s.map),
          mapDifData(s.mapDifData),
          mapLocator(s.mapDifLocator),
          staticsData(s.staticsData),
          staticsIndex(s.staticsIndex),
          staticsDifData(s.staticsDifData),
          staticsDifIndex(s.staticsDifIndex),
          staticsLocator(s.staticsDifLocator)
    {}

    Status openMap(const CommitOptions& options);
    Status openStatics(const CommitOptions& options);
    Status readCells(qint64 block, Access access, BlockBytes& bytes);
    static Status readEntry(const StaticsSide& side, qint64 number, IndexEntry& entry);
    static Status readData(const StaticsSide& side, const IndexEntry& entry, const char*& data,
                           qint64& length);
    Status readStatics(qint64 block, Access access, bool allStatics, BlockBytes& bytes);
    static Status unused(Input& locator, const ReplacementTable& table, qint64 blocks, NoOpRecord::File file,
                         qint64 limit, std::vector<NoOpRecord>& shown, qint64& count);

    ReportSources sources;
    MapInput map;
    InputFile mapDifData, mapLocator;
    InputFile staticsData, staticsIndex, staticsDifData, staticsDifIndex, staticsLocator;
    std::unique_ptr<ReplacementTable> mapTable, staticsTable;
};

ReportInputs::ReportInputs(const ReportSources& sources) : m(std::make_unique<Files>(sources)) {}

ReportInputs::~ReportInputs() = default;

qint64 ReportInputs::mapBlocks() const
{
    return m->map.size() / MapBlockSize;
}

qint64 ReportInputs::staticsBlocks() const
{
    return m->sources.hasStatics() ? m->staticsIndex.size() / IndexEntrySize : 0;
}

Status ReportInputs::open(const CommitOptions& options)
{
    if (const Status opened = m->openMap(options); opened.failed())
        return opened;
    return m->sources.hasStatics() ? m->openStatics(options) : Status();
}

Status ReportInputs::Files::openMap(const CommitOptions& options)
{
    if (const Status opened = openInputs({&map}, jobmessage::UnableToOpenMap, options); opened.failed())
        return opened;
    const qint64 blocks = map.size() / MapBlockSize;
    if (blocks > MaxReportBlocks)
        return tooManyBlocks(jobmessage::UnableToOpenMap, map, blocks);
    if (!sources.hasMapDifs())
        return Status();
    if (const Status opened =
            openInputs({&mapDifData, &mapLocator}, jobmessage::UnableToOpenDifFiles, options);
        opened.failed())
        return opened;
    mapTable = std::make_unique<ReplacementTable>(blocks);
    return mapTable->load(mapLocator).withMessage(jobmessage::UnableToReadMapOrDif);
}

Status ReportInputs::Files::openStatics(const CommitOptions& options)
{
    if (const Status opened =
            openInputs({&staticsData, &staticsIndex}, jobmessage::UnableToOpenStatics, options);
        opened.failed())
        return opened;
    const qint64 blocks = staticsIndex.size() / IndexEntrySize;
    if (blocks > MaxReportBlocks)
        return tooManyBlocks(jobmessage::UnableToOpenStatics, staticsIndex, blocks);
    if (const Status opened = openInputs({&staticsDifData, &staticsDifIndex, &staticsLocator},
                                         jobmessage::UnableToOpenDifFiles, options);
        opened.failed())
        return opened;
    staticsTable = std::make_unique<ReplacementTable>(blocks);
    return staticsTable->load(staticsLocator).withMessage(jobmessage::UnableToReadStaticsOrDif);
}

void ReportInputs::close()
{
    for (Input* file : std::initializer_list<Input*>{&m->map, &m->mapDifData, &m->mapLocator, &m->staticsData,
                                                     &m->staticsIndex, &m->staticsDifData,
                                                     &m->staticsDifIndex, &m->staticsLocator})
        file->close();
}

Status ReportInputs::read(qint64 block, Access access, bool allStatics, BlockBytes& bytes)
{
    bytes = BlockBytes();
    if (const Status read = m->readCells(block, access, bytes); read.failed())
        return read;
    if (!m->sources.hasStatics())
        return Status();
    return m->readStatics(block, access, allStatics, bytes);
}

Status ReportInputs::Files::readCells(qint64 block, Access access, BlockBytes& bytes)
{
    if (block < map.size() / MapBlockSize) {
        const char* whole = nullptr;
        if (const Status viewed = map.view(block * MapBlockSize, MapBlockSize, whole); viewed.failed())
            return viewed.withMessage(jobmessage::UnableToReadMapOrDif);
        bytes.cellsBefore = whole + MapHeaderSize;
    }
    bytes.cellsAfter = bytes.cellsBefore;
    const qint64 ordinal = mapTable ? lookUp(*mapTable, block, access) : -1;
    if (ordinal < 0)
        return Status();
    const qint64 records = mapDifData.size() / MapBlockSize;
    if (ordinal >= records)
        return recordPastEnd(block, mapDifData, records, ordinal);
    const char* whole = nullptr;
    if (const Status viewed = mapDifData.view(ordinal * MapBlockSize, MapBlockSize, whole); viewed.failed())
        return viewed.withMessage(jobmessage::UnableToReadMapOrDif);
    bytes.cellsAfter = whole + MapHeaderSize;
    bytes.mapRecord = ordinal;
    return Status();
}

Status ReportInputs::Files::readEntry(const StaticsSide& side, qint64 number, IndexEntry& entry)
{
    const char* bytes = nullptr;
    if (const Status viewed = side.index.view(number * IndexEntrySize, IndexEntrySize, bytes);
        viewed.failed())
        return viewed.withMessage(jobmessage::UnableToReadStaticsOrDif);
    entry = IndexEntry::decode(bytes);
    if (!entry.fitsIn(side.data.size()))
        return damagedEntry(side.damaged, side.index, entry, side.data.size());
    if (const QString reason = unreadableLength(entry); !reason.isEmpty())
        return Status::failure(side.damaged, side.index.path(), reason);
    return Status();
}

Status ReportInputs::Files::readData(const StaticsSide& side, const IndexEntry& entry, const char*& data,
                                     qint64& length)
{
    if (entry.isEmpty() || entry.length == 0)
        return Status();
    if (const Status viewed = side.data.view(entry.offset, entry.length, data); viewed.failed())
        return viewed.withMessage(jobmessage::UnableToReadStaticsOrDif);
    length = entry.length;
    return Status();
}

Status ReportInputs::Files::readStatics(qint64 block, Access access, bool allStatics, BlockBytes& bytes)
{
    const StaticsSide reference{staticsIndex, staticsData, jobmessage::referenceStaticsDamaged(block)};
    IndexEntry before;
    if (block < staticsIndex.size() / IndexEntrySize) {
        if (const Status read = readEntry(reference, block, before); read.failed())
            return read;
    }
    const qint64 ordinal = lookUp(*staticsTable, block, access);
    if (ordinal >= 0 || allStatics) {
        if (const Status read = readData(reference, before, bytes.staticsBefore, bytes.staticsBeforeLength);
            read.failed())
            return read;
    }
    bytes.staticsAfter = bytes.staticsBefore;
    bytes.staticsAfterLength = bytes.staticsBeforeLength;
    if (ordinal < 0)
        return Status();
    const StaticsSide difference{staticsDifIndex, staticsDifData, jobmessage::difFilesDamaged(block)};
    const qint64 records = staticsDifIndex.size() / IndexEntrySize;
    if (ordinal >= records)
        return recordPastEnd(block, staticsDifIndex, records, ordinal);
    IndexEntry after;
    if (const Status read = readEntry(difference, ordinal, after); read.failed())
        return read;
    bytes.staticsAfter = nullptr;
    bytes.staticsAfterLength = 0;
    bytes.staticsRecord = ordinal;
    return readData(difference, after, bytes.staticsAfter, bytes.staticsAfterLength);
}

Status ReportInputs::unusedRecords(qint64 limit, std::vector<NoOpRecord>& shown, qint64& count)
{
    if (m->mapTable) {
        if (const Status read = Files::unused(m->mapLocator, *m->mapTable, mapBlocks(), NoOpRecord::File::Map,
                                              limit, shown, count);
            read.failed())
            return read;
    }
    if (m->staticsTable)
        return Files::unused(m->staticsLocator, *m->staticsTable, staticsBlocks(), NoOpRecord::File::Statics,
                             limit, shown, count);
    return Status();
}

Status ReportInputs::Files::unused(Input& locator, const ReplacementTable& table, qint64 blocks,
                                   NoOpRecord::File file, qint64 limit, std::vector<NoOpRecord>& shown,
                                   qint64& count)
{
    qint64 kept = 0;
    const Status read = forEachLocatorRecord(locator, [&](qint64 ordinal, qint32 block) {
        const bool outside = block < 0 || block >= blocks;
        if (!outside && table.find(block) == ordinal)
            return;
        ++count;
        if (kept++ < limit)
            shown.push_back(
                {file, ordinal, block, outside ? NoOpRecord::Reason::Outside : NoOpRecord::Reason::Repeated});
    });
    return read.withMessage(file == NoOpRecord::File::Map ? jobmessage::UnableToReadMapOrDif
                                                          : jobmessage::UnableToReadStaticsOrDif);
}

Status readRadarColours(const QString& path, qint64 maxEntries, const CommitOptions& options,
                        std::vector<quint16>& colours)
{
    InputFile file(path);
    if (const Status opened = openInputs({&file}, jobmessage::UnableToOpenRadarColours, options);
        opened.failed())
        return opened;
    // Every index a palette looks up lies well within one view.
    const qint64 entries = qMin(qMin(file.size() / 2, maxEntries), Input::MaxView / 2);
    colours.assign(size_t(entries), 0);
    if (entries == 0)
        return Status();
    const char* bytes = nullptr;
    if (const Status viewed = file.view(0, entries * 2, bytes); viewed.failed())
        return viewed.withMessage(jobmessage::UnableToReadRadarColours);
    qFromLittleEndian<quint16>(bytes, entries, colours.data());
    return Status();
}

}  // namespace quillmark
