#include "difaudit.h"

#include "locatorchecks.h"

#include "counted.h"
#include "fileformat.h"
#include "mapinput.h"

#include <zlib.h>

namespace quillmark {

using namespace difformat;

namespace {

// The Adler-32 of each chunk's stored bytes against the one its entry
// states: jobs do not care, but a mismatch says that whatever wrote the
// container did something odd.
Status checkChunkSums(const QString& path, FileSystem& files, const MapContainer& container, DifAudit& audit)
{
    InputFile file(path, files);
    if (const Status opened = file.open(); opened.failed())
        return opened.withAction(QStringLiteral("Unable to open"));
    for (size_t k = 0; k < container.chunks().size(); ++k) {
        const MapChunk& chunk = container.chunks()[k];
        uLong sum = adler32(0, nullptr, 0);
        const Status read =
            forEachPiece(file, chunk.dataOffset, chunk.storedLength, [&](const char* bytes, qint64 length) {
                sum = adler32(sum, reinterpret_cast<const Bytef*>(bytes), uInt(length));
                return true;
            });
        if (read.failed())
            return read.withAction(QStringLiteral("Unable to read"));
        if (quint32(sum) != chunk.storedChecksum)
            audit.chunkFindings.add(QStringLiteral("chunks whose stored checksum differs"),
                                    QStringLiteral("chunk %1: its entry says %2, its bytes give %3")
                                        .arg(k)
                                        .arg(chunk.storedChecksum, 8, 16, QLatin1Char('0'))
                                        .arg(quint32(sum), 8, 16, QLatin1Char('0')));
    }
    return Status();
}

// The blocks of the map itself, whichever form holds it, and in `fact` what
// was read.
Status readMap(const QString& path, FileSystem& files, DifAudit& audit, QString& fact)
{
    MapInput map(path, files);
    if (const Status opened = map.open(); opened.failed())
        return opened.withAction(QStringLiteral("Unable to open"));
    if (map.isContainer()) {
        if (const Status summed = checkChunkSums(path, files, map.container(), audit); summed.failed())
            return summed;
    }
    audit.gridBlocks = map.size() / MapBlockSize;
    const QString form = map.isContainer() ? QStringLiteral("a container of map %1").arg(map.facet())
                                           : QStringLiteral("a plain map file");
    fact = QStringLiteral("map: %1 (%2), %3").arg(path, form, counted(audit.gridBlocks, "block", "blocks"));
    return Status();
}

Status auditFiles(const MapDifFiles& files, const AuditGrid& grid, FileSystem& fileSystem, DifAudit& audit)
{
    if (const Status opened = locatorchecks::openLocator(files.locator, fileSystem, audit); opened.failed())
        return opened;
    qint64 dataSize = 0;
    if (const Status opened = locatorchecks::sizeOf(files.data, fileSystem, dataSize); opened.failed())
        return opened;
    QString mapFact;
    if (!files.map.isEmpty()) {
        if (const Status read = readMap(files.map, fileSystem, audit, mapFact); read.failed())
            return read;
    }
    audit.marks = locatorchecks::gridFor(grid, audit.gridBlocks);
    if (const Status read = locatorchecks::read(files.locator, fileSystem, QStringLiteral("map"),
                                                dataSize / MapBlockSize, audit);
        read.failed())
        return read;
    const qint64 records = audit.locatorRecords;
    audit.facts << QStringLiteral("difference data: %1, %2")
                       .arg(files.data, counted(dataSize / MapBlockSize, "record", "records"));
    if (!mapFact.isEmpty())
        audit.facts << mapFact;

    locatorchecks::checkWholeRecords(QStringLiteral("difference data"), dataSize, MapBlockSize, audit);
    const qint64 needed = records * MapBlockSize;
    if (dataSize != needed)
        audit.findings.add(QStringLiteral("files that disagree in length"),
                           QStringLiteral("%1 %2 %3 bytes of difference data, the file has %4")
                               .arg(counted(records, "locator record", "locator records"),
                                    QLatin1String(records == 1 ? "needs" : "need"))
                               .arg(needed)
                               .arg(dataSize));
    audit.findings.append(audit.chunkFindings);
    audit.findings.append(audit.blockFindings);
    return Status();
}

}  // namespace

DifAudit auditMapDif(const MapDifFiles& files, const AuditGrid& grid, const CommitOptions& options)
{
    return locatorchecks::run({files.locator, files.data, files.map}, options, [&](DifAudit& found) {
        return auditFiles(files, grid, *options.files, found);
    });
}

}  // namespace quillmark
