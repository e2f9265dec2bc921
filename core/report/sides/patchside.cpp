#include "patchside.h"

#include "counted.h"
#include "fileformat.h"
#include "jobchecks.h"
#include "jobmessages.h"
#include "locatorrecords.h"

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

QString readMessage(PatchKind kind)
{
    return kind == PatchKind::Map ? jobmessage::UnableToReadMapOrDif : jobmessage::UnableToReadStaticsOrDif;
}

}  // namespace

PatchSide::PatchSide(const ReportSources& sources, FileSystem& files)
    : m_files(files),
      m_sources(sources),
      m_map(sources.mapDifLocator, sources.mapDifData, files),
      m_statics(sources.staticsDifLocator, sources.staticsDifIndex, files),
      m_staticsData(sources.staticsDifData, files),
      m_staticsRecords{m_statics.records, m_staticsData, jobmessage::difFilesDamaged}
{}

ReferenceWords PatchSide::referenceWords() const
{
    return {jobmessage::UnableToOpenMap,      jobmessage::UnableToOpenStatics,
            jobmessage::UnableToReadMapOrDif, QStringLiteral("Map"),
            QStringLiteral("Statics"),        jobmessage::referenceStaticsDamaged};
}

Status PatchSide::openDifs(const CommitOptions& options, Files& difs, std::initializer_list<Input*> opened,
                           std::initializer_list<Input*> described, PatchKind kind, qint64 blocks)
{
    if (const Status open = openInputs(opened, jobmessage::UnableToOpenDifFiles, options); open.failed())
        return open;
    const qint64 recordSize = kind == PatchKind::Map ? MapBlockSize : IndexEntrySize;
    if (const Status fits = checkLocatorFits(difs.locator, difs.records, recordSize, blocks); fits.failed())
        return fits;
    if (const Status loaded = loadPatchManifest(kind, described, jobmessage::UnableToOpenDifFiles,
                                                readMessage(kind), m_files, difs.patch);
        loaded.failed())
        return loaded;
    const bool map = kind == PatchKind::Map;
    notePartialRecord(difs.locator, LocatorRecordSize,
                      map ? DamagedRecord::Source::MapLocator : DamagedRecord::Source::StaticsLocator,
                      m_partial);
    if (!map)
        notePartialRecord(difs.records, IndexEntrySize, DamagedRecord::Source::StaticsDifIndex, m_partial);
    difs.table = std::make_unique<ReplacementTable>(blocks);
    return difs.table->load(difs.locator).withMessage(readMessage(kind));
}

Status PatchSide::openMap(const CommitOptions& options, const ReferenceFiles& reference)
{
    if (!m_sources.hasMapDifs())
        return Status();
    return openDifs(options, m_map, {&m_map.records, &m_map.locator}, {&m_map.locator, &m_map.records},
                    PatchKind::Map, reference.blocks());
}

Status PatchSide::openStatics(const CommitOptions& options, const ReferenceFiles& reference)
{
    return openDifs(options, m_statics, {&m_staticsData, &m_statics.records, &m_statics.locator},
                    {&m_statics.locator, &m_statics.records, &m_staticsData}, PatchKind::Statics,
                    reference.blocks());
}

void PatchSide::close()
{
    for (Input* file :
         {&m_map.locator, &m_map.records, &m_statics.locator, &m_statics.records, &m_staticsData})
        file->close();
}

Status PatchSide::readCells(qint64 block, Access access, BlockBytes& bytes)
{
    const qint64 ordinal = m_map.table ? lookUp(*m_map.table, block, access) : -1;
    if (ordinal < 0)
        return Status();
    const qint64 records = m_map.records.size() / MapBlockSize;
    if (ordinal >= records)
        return recordPastEnd(block, m_map.records, records, ordinal);
    const char* whole = nullptr;
    if (const Status viewed = m_map.records.view(ordinal * MapBlockSize, MapBlockSize, whole);
        viewed.failed())
        return viewed.withMessage(jobmessage::UnableToReadMapOrDif);
    bytes.cellsAfter = whole + MapHeaderSize;
    bytes.mapRecord = ordinal;
    bytes.mapCompared = true;
    return Status();
}

Status PatchSide::findStatics(qint64 block, Access access, BlockBytes& bytes)
{
    const qint64 ordinal = m_statics.table ? lookUp(*m_statics.table, block, access) : -1;
    bytes.staticsCompared = ordinal >= 0;
    if (ordinal < 0)
        return Status();
    const qint64 records = m_statics.records.size() / IndexEntrySize;
    if (ordinal >= records)
        return recordPastEnd(block, m_statics.records, records, ordinal);
    bytes.staticsRecord = ordinal;
    return Status();
}

Status PatchSide::readStatics(qint64 block, BlockBytes& bytes)
{
    IndexEntry entry;
    if (const Status read = m_staticsRecords.readEntry(bytes.staticsRecord, block, entry); read.failed())
        return read;
    bytes.staticsAfter = nullptr;
    bytes.staticsAfterLength = 0;
    return m_staticsRecords.readData(entry, bytes.staticsAfter, bytes.staticsAfterLength);
}

Status PatchSide::unusedRecords(qint64 blocks, qint64 limit, std::vector<NoOpRecord>& shown, qint64& count)
{
    for (const auto& [difs, file, kind] :
         {std::tuple{&m_map, NoOpRecord::File::Map, PatchKind::Map},
          std::tuple{&m_statics, NoOpRecord::File::Statics, PatchKind::Statics}}) {
        if (!difs->table)
            continue;
        qint64 kept = 0;
        const ReplacementTable& table = *difs->table;
        const Status read =
            forEachLocatorRecord(difs->locator, [&, file = file](qint64 ordinal, qint32 block) {
                const bool outside = block < 0 || block >= blocks;
                if (!outside && table.find(block) == ordinal)
                    return;
                ++count;
                if (kept++ < limit)
                    shown.push_back({file, ordinal, block,
                                     outside ? NoOpRecord::Reason::Outside : NoOpRecord::Reason::Repeated});
            });
        if (read.failed())
            return read.withMessage(readMessage(kind));
    }
    return Status();
}

const PatchManifest* PatchSide::patchManifest(PatchKind kind) const
{
    const Files& difs = kind == PatchKind::Map ? m_map : m_statics;
    return difs.table ? &difs.patch : nullptr;
}

QStringList PatchSide::paths() const
{
    QStringList read;
    for (const QString& path : {m_sources.mapDifLocator, m_sources.mapDifData, m_sources.staticsDifLocator,
                                m_sources.staticsDifIndex, m_sources.staticsDifData}) {
        if (!path.isEmpty())
            read << path;
    }
    for (const PatchManifest* patch : {&m_map.patch, &m_statics.patch}) {
        if (patch->manifest)
            read << patch->path;
    }
    return read;
}

std::vector<FilesRow> PatchSide::filesRows(PatchKind kind) const
{
    if (kind == PatchKind::Statics)
        return {{QStringLiteral("Statics difference files"),
                 {m_sources.staticsDifLocator, m_sources.staticsDifIndex, m_sources.staticsDifData}}};
    if (m_sources.hasMapDifs())
        return {{QStringLiteral("Map difference files"), {m_sources.mapDifLocator, m_sources.mapDifData}}};
    return {};
}

}  // namespace quillmark
