#include "reportinputs.h"

#include "reportmessages.h"

#include "difformat.h"
#include "indexentry.h"
#include "inputfile.h"
#include "jobchecks.h"
#include "jobmessages.h"
#include "mapinput.h"
#include "replacementtable.h"

#include <QtEndian>

namespace report {

using namespace difformat;

namespace {

qint64 lookUp(ReplacementTable& table, qint64 block, Access access)
{
    return access == Access::InOrder ? table.findNext(block) : table.find(block);
}

JobFailure recordPastEnd(qint64 block, const InputFile& file, qint64 records, qint64 ordinal)
{
    return {jobmessage::difFilesDamaged(block), file.path(),
            QStringLiteral("It holds %1 records, the locator names record %2").arg(records).arg(ordinal)};
}

// Entries are read whole, 7 bytes at a time, within one view of the data.
std::optional<QString> unreadableLength(const IndexEntry& entry)
{
    if (entry.isEmpty())
        return std::nullopt;
    if (entry.length % StaticEntrySize != 0)
        return QStringLiteral("An entry names %1 bytes, not a whole number of %2-byte statics")
            .arg(entry.length)
            .arg(StaticEntrySize);
    if (entry.length > InputFile::MaxView)
        return QStringLiteral("An entry names %1 bytes, more than a block's statics may hold (%2)")
            .arg(entry.length)
            .arg(InputFile::MaxView);
    return std::nullopt;
}

struct StaticsSide
{
    InputFile& index;
    InputFile& data;
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

    std::optional<JobFailure> readCells(qint64 block, Access access, BlockBytes& bytes);
    std::optional<JobFailure> readEntry(const StaticsSide& side, qint64 number, IndexEntry& entry);
    std::optional<JobFailure> readStatics(qint64 block, Access access, bool allStatics, BlockBytes& bytes);
    std::optional<JobFailure> unused(InputFile& locator, const ReplacementTable& table, qint64 blocks,
                                     NoOpRecord::File file, qint64 limit, std::vector<NoOpRecord>& shown,
                                     qint64& count);

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

std::optional<JobFailure> ReportInputs::open()
{
    if (auto failure = openMap(m->map, jobmessage::UnableToOpenMap))
        return failure;
    if (mapBlocks() > MaxReportBlocks)
        return JobFailure{jobmessage::UnableToOpenMap, m->map.path(),
                          QStringLiteral("It holds %1 blocks, more than a report covers (%2)")
                              .arg(mapBlocks())
                              .arg(MaxReportBlocks)};
    if (m->sources.hasMapDifs()) {
        if (auto failure = openInputs({&m->mapDifData, &m->mapLocator}, jobmessage::UnableToOpenDifFiles))
            return failure;
        m->mapTable = std::make_unique<ReplacementTable>(mapBlocks());
        if (!m->mapTable->load(m->mapLocator))
            return inputFailure(jobmessage::UnableToReadMapOrDif, m->mapLocator);
    }
    if (!m->sources.hasStatics())
        return std::nullopt;
    if (auto failure = openInputs({&m->staticsData, &m->staticsIndex}, jobmessage::UnableToOpenStatics))
        return failure;
    if (staticsBlocks() > MaxReportBlocks)
        return JobFailure{jobmessage::UnableToOpenStatics, m->staticsIndex.path(),
                          QStringLiteral("It holds %1 blocks, more than a report covers (%2)")
                              .arg(staticsBlocks())
                              .arg(MaxReportBlocks)};
    if (auto failure = openInputs({&m->staticsDifData, &m->staticsDifIndex, &m->staticsLocator},
                                  jobmessage::UnableToOpenDifFiles))
        return failure;
    m->staticsTable = std::make_unique<ReplacementTable>(staticsBlocks());
    if (!m->staticsTable->load(m->staticsLocator))
        return inputFailure(jobmessage::UnableToReadStaticsOrDif, m->staticsLocator);
    return std::nullopt;
}

void ReportInputs::close()
{
    for (InputFile* file : {&m->mapDifData, &m->mapLocator, &m->staticsData, &m->staticsIndex,
                            &m->staticsDifData, &m->staticsDifIndex, &m->staticsLocator})
        file->close();
    m->map.close();
}

std::optional<JobFailure> ReportInputs::read(qint64 block, Access access, bool allStatics, BlockBytes& bytes)
{
    bytes = BlockBytes();
    if (auto failure = m->readCells(block, access, bytes))
        return failure;
    if (!m->sources.hasStatics())
        return std::nullopt;
    return m->readStatics(block, access, allStatics, bytes);
}

std::optional<JobFailure> ReportInputs::Files::readCells(qint64 block, Access access, BlockBytes& bytes)
{
    if (block < map.size() / MapBlockSize) {
        const char* whole = map.view(block * MapBlockSize, MapBlockSize);
        if (!whole)
            return inputFailure(jobmessage::UnableToReadMapOrDif, map);
        bytes.cellsBefore = whole + MapHeaderSize;
    }
    bytes.cellsAfter = bytes.cellsBefore;
    const qint64 ordinal = mapTable ? lookUp(*mapTable, block, access) : -1;
    if (ordinal < 0)
        return std::nullopt;
    const qint64 records = mapDifData.size() / MapBlockSize;
    if (ordinal >= records)
        return recordPastEnd(block, mapDifData, records, ordinal);
    const char* whole = mapDifData.view(ordinal * MapBlockSize, MapBlockSize);
    if (!whole)
        return inputFailure(jobmessage::UnableToReadMapOrDif, mapDifData);
    bytes.cellsAfter = whole + MapHeaderSize;
    bytes.mapRecord = ordinal;
    return std::nullopt;
}

std::optional<JobFailure> ReportInputs::Files::readEntry(const StaticsSide& side, qint64 number,
                                                         IndexEntry& entry)
{
    const char* bytes = side.index.view(number * IndexEntrySize, IndexEntrySize);
    if (!bytes)
        return inputFailure(jobmessage::UnableToReadStaticsOrDif, side.index);
    entry = IndexEntry::decode(bytes);
    if (!entry.fitsIn(side.data.size()))
        return damagedEntry(side.damaged, side.index, entry, side.data.size());
    if (const std::optional<QString> reason = unreadableLength(entry))
        return JobFailure{side.damaged, side.index.path(), *reason};
    return std::nullopt;
}

std::optional<JobFailure> ReportInputs::Files::readStatics(qint64 block, Access access, bool allStatics,
                                                           BlockBytes& bytes)
{
    const StaticsSide reference{staticsIndex, staticsData, jobmessage::referenceStaticsDamaged(block)};
    IndexEntry before;
    if (block < staticsIndex.size() / IndexEntrySize) {
        if (auto failure = readEntry(reference, block, before))
            return failure;
    }
    const qint64 ordinal = lookUp(*staticsTable, block, access);
    const auto readData = [](const StaticsSide& side, const IndexEntry& entry, const char*& data,
                             qint64& length) -> std::optional<JobFailure> {
        if (entry.isEmpty() || entry.length == 0)
            return std::nullopt;
        data = side.data.view(entry.offset, entry.length);
        if (!data)
            return inputFailure(jobmessage::UnableToReadStaticsOrDif, side.data);
        length = entry.length;
        return std::nullopt;
    };
    if (ordinal >= 0 || allStatics) {
        if (auto failure = readData(reference, before, bytes.staticsBefore, bytes.staticsBeforeLength))
            return failure;
    }
    bytes.staticsAfter = bytes.staticsBefore;
    bytes.staticsAfterLength = bytes.staticsBeforeLength;
    if (ordinal < 0)
        return std::nullopt;
    const StaticsSide difference{staticsDifIndex, staticsDifData, jobmessage::difFilesDamaged(block)};
    const qint64 records = staticsDifIndex.size() / IndexEntrySize;
    if (ordinal >= records)
        return recordPastEnd(block, staticsDifIndex, records, ordinal);
    IndexEntry after;
    if (auto failure = readEntry(difference, ordinal, after))
        return failure;
    bytes.staticsAfter = nullptr;
    bytes.staticsAfterLength = 0;
    bytes.staticsRecord = ordinal;
    return readData(difference, after, bytes.staticsAfter, bytes.staticsAfterLength);
}

std::optional<JobFailure> ReportInputs::unusedRecords(qint64 limit, std::vector<NoOpRecord>& shown,
                                                      qint64& count)
{
    if (m->mapTable) {
        if (auto failure = m->unused(m->mapLocator, *m->mapTable, mapBlocks(), NoOpRecord::File::Map, limit,
                                     shown, count))
            return failure;
    }
    if (m->staticsTable)
        return m->unused(m->staticsLocator, *m->staticsTable, staticsBlocks(), NoOpRecord::File::Statics,
                         limit, shown, count);
    return std::nullopt;
}

std::optional<JobFailure> ReportInputs::Files::unused(InputFile& locator, const ReplacementTable& table,
                                                      qint64 blocks, NoOpRecord::File file, qint64 limit,
                                                      std::vector<NoOpRecord>& shown, qint64& count)
{
    const qint64 records = locator.size() / LocatorRecordSize;
    constexpr qint64 RecordsPerView = InputFile::MaxView / LocatorRecordSize;
    qint64 kept = 0;
    for (qint64 first = 0; first < records; first += RecordsPerView) {
        const qint64 inView = qMin(RecordsPerView, records - first);
        const char* bytes = locator.view(first * LocatorRecordSize, inView * LocatorRecordSize);
        if (!bytes)
            return inputFailure(file == NoOpRecord::File::Map ? jobmessage::UnableToReadMapOrDif
                                                              : jobmessage::UnableToReadStaticsOrDif,
                                locator);
        for (qint64 i = 0; i < inView; ++i) {
            const qint32 block = qFromLittleEndian<qint32>(bytes + i * LocatorRecordSize);
            const bool outside = block < 0 || block >= blocks;
            if (!outside && table.find(block) == first + i)
                continue;
            ++count;
            if (kept++ < limit)
                shown.push_back({file, first + i, block,
                                 outside ? NoOpRecord::Reason::Outside : NoOpRecord::Reason::Repeated});
        }
    }
    return std::nullopt;
}

std::optional<JobFailure> readRadarColours(const QString& path, qint64 maxEntries,
                                           std::vector<quint16>& colours)
{
    InputFile file(path);
    if (!file.open())
        return inputFailure(reportmessage::UnableToOpenRadarColours, file);
    const qint64 entries = qMin(file.size() / 2, maxEntries);
    colours.assign(size_t(entries), 0);
    if (entries == 0)
        return std::nullopt;
    const char* bytes = file.view(0, entries * 2);
    if (!bytes)
        return inputFailure(reportmessage::UnableToReadRadarColours, file);
    qFromLittleEndian<quint16>(bytes, entries, colours.data());
    return std::nullopt;
}

}  // namespace report
