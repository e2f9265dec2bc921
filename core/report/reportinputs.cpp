#include "reportinputs.h"

#include "counted.h"
#include "fileformat.h"
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
    return Status::failure(Status::Kind::Damaged, jobmessage::difFilesDamaged(block), file.path(),
                           QStringLiteral("It holds %1, the locator names record %2")
                               .arg(counted(records, "record", "records"))
                               .arg(ordinal),
                           block);
}

// Entries are read within one view of the data.
QString unreadableLength(const IndexEntry& entry)
{
    if (!entry.isEmpty() && entry.length > Input::MaxView)
        return QStringLiteral("An entry names %1 bytes, more than a block's statics may hold (%2)")
            .arg(entry.length)
            .arg(Input::MaxView);
    return QString();
}

Status tooManyBlocks(const QString& message, const Input& input, qint64 blocks)
{
    return Status::failure(Status::Kind::TooLarge, message, input.path(),
                           QStringLiteral("It holds %1 blocks, more than a report covers (%2)")
                               .arg(blocks)
                               .arg(MaxReportBlocks));
}

// Every locator the report reads is loaded here, into the table that a
// walk looks its blocks up in.
Status loadReplacements(ReplacementTable& table, Input& locator, const QString& readMessage)
{
    return table.load(locator).withMessage(readMessage);
}

// A file of `recordSize`-byte records with bytes after its last whole one:
// they name nothing, and the report says so beside its records.
void notePartialRecord(const Input& file, qint64 recordSize, DamagedRecord::Source source,
                       std::vector<DamagedRecord>& found)
{
    const qint64 rest = file.size() % recordSize;
    if (rest != 0)
        found.push_back({source, file.size() / recordSize, -1,
                         QStringLiteral("%1 after its last whole record of %2 bytes")
                             .arg(counted(rest, "byte", "bytes"))
                             .arg(recordSize)});
}

struct StaticsSide
{
    Input& index;
    Input& data;
    // The message for a damaged entry of `block`, made only for damage: a
    // text for every block cost the walk more than all it reads.
    QString (*damaged)(qint64 block);
    qint64 block;
};

}  // namespace

struct ReportInputs::Files
{
    Files(const ReportSources& s, FileSystem& files)
        : fileSystem(files),
          sources(s),
          map(s.map, files),
          currentMap(s.currentMap, files),
          mapDifData(s.mapDifData, files),
          mapLocator(s.mapDifLocator, files),
          staticsData(s.staticsData, files),
          staticsIndex(s.staticsIndex, files),
          currentStaticsData(s.currentStaticsData, files),
          currentStaticsIndex(s.currentStaticsIndex, files),
          staticsDifData(s.staticsDifData, files),
          staticsDifIndex(s.staticsDifIndex, files),
          staticsLocator(s.staticsDifLocator, files)
    {}

    Status openMaps(const CommitOptions& options, qint64 heightBlocks);
    Status openMapDifs(const CommitOptions& options);
    Status openStatics(const CommitOptions& options);
    Status openStaticsDifs(const CommitOptions& options);
    Status readCells(qint64 block, Access access, BlockBytes& bytes);
    static Status readEntry(const StaticsSide& side, qint64 number, IndexEntry& entry);
    static Status readData(const StaticsSide& side, const IndexEntry& entry, const char*& data,
                           qint64& length);
    Status readStatics(qint64 block, Access access, bool allStatics, BlockBytes& bytes);
    static Status unused(Input& locator, const ReplacementTable& table, qint64 blocks, NoOpRecord::File file,
                         qint64 limit, std::vector<NoOpRecord>& shown, qint64& count);

    qint64 blocks() const { return map.size() / MapBlockSize; }

    FileSystem& fileSystem;
    ReportSources sources;
    MapInput map, currentMap;
    InputFile mapDifData, mapLocator;
    InputFile staticsData, staticsIndex, currentStaticsData, currentStaticsIndex;
    InputFile staticsDifData, staticsDifIndex, staticsLocator;
    std::unique_ptr<ReplacementTable> mapTable, staticsTable;
    PatchManifest mapPatch, staticsPatch;
    std::vector<DamagedRecord> partial;
};

ReportInputs::ReportInputs(const ReportSources& sources, FileSystem& files)
    : m(std::make_unique<Files>(sources, files))
{}

ReportInputs::~ReportInputs() = default;

qint64 ReportInputs::mapBlocks() const
{
    return m->blocks();
}

const PatchManifest* ReportInputs::patchManifest(PatchKind kind) const
{
    if (kind == PatchKind::Map)
        return m->sources.hasMapDifs() ? &m->mapPatch : nullptr;
    return m->sources.hasStatics() && !m->sources.comparesFacets() ? &m->staticsPatch : nullptr;
}

QStringList ReportInputs::manifestsRead() const
{
    QStringList read;
    for (const PatchManifest* patch : {&m->mapPatch, &m->staticsPatch}) {
        if (patch->manifest)
            read << patch->path;
    }
    return read;
}

const std::vector<DamagedRecord>& ReportInputs::partialRecords() const
{
    return m->partial;
}

Status ReportInputs::open(const CommitOptions& options, qint64 heightBlocks)
{
    if (const Status opened = m->openMaps(options, heightBlocks); opened.failed())
        return opened;
    if (m->sources.hasMapDifs()) {
        if (const Status opened = m->openMapDifs(options); opened.failed())
            return opened;
    }
    if (!m->sources.hasStatics())
        return Status();
    if (const Status opened = m->openStatics(options); opened.failed())
        return opened;
    return m->sources.comparesFacets() ? Status() : m->openStaticsDifs(options);
}

// The map places every block: whole columns of the facet's height, and,
// for two facets, a current map of as many blocks.
Status ReportInputs::Files::openMaps(const CommitOptions& options, qint64 heightBlocks)
{
    const bool facets = sources.comparesFacets();
    const QString message = facets ? jobmessage::UnableToOpenReferenceData : jobmessage::UnableToOpenMap;
    if (const Status opened = openInputs({&map}, message, options); opened.failed())
        return opened;
    if (blocks() > MaxReportBlocks)
        return tooManyBlocks(message, map, blocks());
    if (blocks() % heightBlocks != 0)
        return Status::failure(Status::Kind::Damaged, message, map.path(),
                               QStringLiteral("It holds %1, not a whole number of columns of %2 blocks")
                                   .arg(counted(blocks(), "block", "blocks"))
                                   .arg(heightBlocks));
    if (!facets)
        return Status();
    if (const Status opened = openInputs({&currentMap}, jobmessage::UnableToOpenMapData, options);
        opened.failed())
        return opened;
    return currentMap.size() / MapBlockSize == blocks()
               ? Status()
               : sizesDiffer(jobmessage::MapSizesDiffer, map, currentMap);
}

Status ReportInputs::Files::openMapDifs(const CommitOptions& options)
{
    if (const Status opened =
            openInputs({&mapDifData, &mapLocator}, jobmessage::UnableToOpenDifFiles, options);
        opened.failed())
        return opened;
    if (const Status fits = checkLocatorFits(mapLocator, mapDifData, MapBlockSize, blocks()); fits.failed())
        return fits;
    if (const Status loaded =
            loadPatchManifest(PatchKind::Map, {&mapLocator, &mapDifData}, jobmessage::UnableToOpenDifFiles,
                              jobmessage::UnableToReadMapOrDif, fileSystem, mapPatch);
        loaded.failed())
        return loaded;
    notePartialRecord(mapLocator, LocatorRecordSize, DamagedRecord::Source::MapLocator, partial);
    mapTable = std::make_unique<ReplacementTable>(blocks());
    return loadReplacements(*mapTable, mapLocator, jobmessage::UnableToReadMapOrDif);
}

// Every statics index holds one entry for each block of the map.
Status ReportInputs::Files::openStatics(const CommitOptions& options)
{
    const bool facets = sources.comparesFacets();
    const QString message =
        facets ? jobmessage::UnableToOpenReferenceOrIndex : jobmessage::UnableToOpenStatics;
    if (const Status opened = openInputs({&staticsData, &staticsIndex}, message, options); opened.failed())
        return opened;
    const qint64 entries = staticsIndex.size() / IndexEntrySize;
    if (entries != blocks())
        return Status::failure(
            Status::Kind::Damaged, message, staticsIndex.path(),
            QStringLiteral("It holds %1, the map %2")
                .arg(counted(entries, "block", "blocks"), counted(blocks(), "block", "blocks")));
    if (!facets)
        return Status();
    if (const Status opened = openInputs({&currentStaticsData, &currentStaticsIndex},
                                         jobmessage::UnableToOpenStaticsDataOrIndex, options);
        opened.failed())
        return opened;
    return currentStaticsIndex.size() / IndexEntrySize == entries
               ? Status()
               : sizesDiffer(jobmessage::IndexSizesDiffer, staticsIndex, currentStaticsIndex);
}

Status ReportInputs::Files::openStaticsDifs(const CommitOptions& options)
{
    if (const Status opened = openInputs({&staticsDifData, &staticsDifIndex, &staticsLocator},
                                         jobmessage::UnableToOpenDifFiles, options);
        opened.failed())
        return opened;
    if (const Status fits = checkLocatorFits(staticsLocator, staticsDifIndex, IndexEntrySize, blocks());
        fits.failed())
        return fits;
    if (const Status loaded = loadPatchManifest(
            PatchKind::Statics, {&staticsLocator, &staticsDifIndex, &staticsDifData},
            jobmessage::UnableToOpenDifFiles, jobmessage::UnableToReadStaticsOrDif, fileSystem, staticsPatch);
        loaded.failed())
        return loaded;
    notePartialRecord(staticsLocator, LocatorRecordSize, DamagedRecord::Source::StaticsLocator, partial);
    notePartialRecord(staticsDifIndex, IndexEntrySize, DamagedRecord::Source::StaticsDifIndex, partial);
    staticsTable = std::make_unique<ReplacementTable>(blocks());
    return loadReplacements(*staticsTable, staticsLocator, jobmessage::UnableToReadStaticsOrDif);
}

void ReportInputs::close()
{
    for (Input* file : std::initializer_list<Input*>{
             &m->map, &m->currentMap, &m->mapDifData, &m->mapLocator, &m->staticsData, &m->staticsIndex,
             &m->currentStaticsData, &m->currentStaticsIndex, &m->staticsDifData, &m->staticsDifIndex,
             &m->staticsLocator})
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
    const QString message =
        sources.comparesFacets() ? jobmessage::UnableToReadMapData : jobmessage::UnableToReadMapOrDif;
    const char* whole = nullptr;
    if (const Status viewed = map.view(block * MapBlockSize, MapBlockSize, whole); viewed.failed())
        return viewed.withMessage(message);
    bytes.cellsBefore = whole + MapHeaderSize;
    bytes.cellsAfter = bytes.cellsBefore;
    if (sources.comparesFacets()) {
        if (const Status viewed = currentMap.view(block * MapBlockSize, MapBlockSize, whole); viewed.failed())
            return viewed.withMessage(message);
        bytes.cellsAfter = whole + MapHeaderSize;
        bytes.mapCompared = true;
        return Status();
    }
    const qint64 ordinal = mapTable ? lookUp(*mapTable, block, access) : -1;
    if (ordinal < 0)
        return Status();
    const qint64 records = mapDifData.size() / MapBlockSize;
    if (ordinal >= records)
        return recordPastEnd(block, mapDifData, records, ordinal);
    if (const Status viewed = mapDifData.view(ordinal * MapBlockSize, MapBlockSize, whole); viewed.failed())
        return viewed.withMessage(message);
    bytes.cellsAfter = whole + MapHeaderSize;
    bytes.mapRecord = ordinal;
    bytes.mapCompared = true;
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
        return damagedEntry(side.damaged(side.block), side.index, entry, side.data.size(), side.block);
    if (const QString reason = unreadableLength(entry); !reason.isEmpty())
        return Status::failure(Status::Kind::Damaged, side.damaged(side.block), side.index.path(), reason,
                               side.block);
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
    const StaticsSide reference{staticsIndex, staticsData, jobmessage::referenceStaticsDamaged, block};
    IndexEntry before;
    if (const Status read = readEntry(reference, block, before); read.failed())
        return read;
    bytes.staticsBeforePresent = !before.isEmpty();
    const bool facets = sources.comparesFacets();
    const qint64 ordinal = facets ? -1 : lookUp(*staticsTable, block, access);
    bytes.staticsCompared = facets || ordinal >= 0;
    if (bytes.staticsCompared || allStatics) {
        if (const Status read = readData(reference, before, bytes.staticsBefore, bytes.staticsBeforeLength);
            read.failed())
            return read;
    }
    bytes.staticsAfter = bytes.staticsBefore;
    bytes.staticsAfterLength = bytes.staticsBeforeLength;
    if (!bytes.staticsCompared)
        return Status();
    const StaticsSide after =
        facets
            ? StaticsSide{currentStaticsIndex, currentStaticsData, jobmessage::currentStaticsDamaged, block}
            : StaticsSide{staticsDifIndex, staticsDifData, jobmessage::difFilesDamaged, block};
    const qint64 number = facets ? block : ordinal;
    if (!facets) {
        const qint64 records = staticsDifIndex.size() / IndexEntrySize;
        if (ordinal >= records)
            return recordPastEnd(block, staticsDifIndex, records, ordinal);
        bytes.staticsRecord = ordinal;
    }
    IndexEntry entry;
    if (const Status read = readEntry(after, number, entry); read.failed())
        return read;
    bytes.staticsAfter = nullptr;
    bytes.staticsAfterLength = 0;
    return readData(after, entry, bytes.staticsAfter, bytes.staticsAfterLength);
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
        return Files::unused(m->staticsLocator, *m->staticsTable, mapBlocks(), NoOpRecord::File::Statics,
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
    InputFile file(path, *options.files);
    if (const Status opened = openInputs({&file}, jobmessage::UnableToOpenRadarColours, options);
        opened.failed())
        return opened;
    if (file.size() == 0 || file.size() % 2 != 0)
        return Status::failure(Status::Kind::Damaged, jobmessage::UnableToOpenRadarColours, path,
                               file.size() == 0
                                   ? QStringLiteral("It holds no colours")
                                   : QStringLiteral("It holds %1, not a whole number of 2-byte colours")
                                         .arg(counted(file.size(), "byte", "bytes")));
    // Every index a palette looks up lies well within one view.
    const qint64 entries = qMin(qMin(file.size() / 2, maxEntries), Input::MaxView / 2);
    colours.assign(size_t(entries), 0);
    const char* bytes = nullptr;
    if (const Status viewed = file.view(0, entries * 2, bytes); viewed.failed())
        return viewed.withMessage(jobmessage::UnableToReadRadarColours);
    qFromLittleEndian<quint16>(bytes, entries, colours.data());
    return Status();
}

}  // namespace quillmark
