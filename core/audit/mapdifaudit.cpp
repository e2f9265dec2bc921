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
void checkChunkSums(const QString& path, const MapContainer& container, DifAudit& audit)
{
    InputFile file(path);
    if (const Status opened = file.open(); opened.failed()) {
        audit.status = opened.withAction(QStringLiteral("Unable to open"));
        return;
    }
    for (size_t k = 0; k < container.chunks().size(); ++k) {
        const MapChunk& chunk = container.chunks()[k];
        uLong sum = adler32(0, nullptr, 0);
        const Status read =
            forEachPiece(file, chunk.dataOffset, chunk.storedLength, [&](const char* bytes, qint64 length) {
                sum = adler32(sum, reinterpret_cast<const Bytef*>(bytes), uInt(length));
                return true;
            });
        if (read.failed()) {
            audit.status = read.withAction(QStringLiteral("Unable to read"));
            return;
        }
        if (quint32(sum) != chunk.storedChecksum)
            audit.chunkFindings.add(QStringLiteral("chunks whose stored checksum differs"),
                                    QStringLiteral("chunk %1: its entry says %2, its bytes give %3")
                                        .arg(k)
                                        .arg(chunk.storedChecksum, 8, 16, QLatin1Char('0'))
                                        .arg(quint32(sum), 8, 16, QLatin1Char('0')));
    }
}

// The blocks of the map itself, whichever form holds it, and what was read.
QString readMap(const QString& path, DifAudit& audit)
{
    MapInput map(path);
    if (const Status opened = map.open(); opened.failed()) {
        audit.status = opened.withAction(QStringLiteral("Unable to open"));
        return QString();
    }
    if (map.isContainer())
        checkChunkSums(path, map.container(), audit);
    audit.gridBlocks = map.size() / MapBlockSize;
    const QString form = map.isContainer() ? QStringLiteral("a container of map %1").arg(map.facet())
                                           : QStringLiteral("a plain map file");
    return QStringLiteral("map: %1 (%2), %3").arg(path, form, counted(audit.gridBlocks, "block", "blocks"));
}

}  // namespace

DifAudit auditMapDif(const MapDifFiles& files, const AuditGrid& grid)
{
    DifAudit audit;
    if (!locatorchecks::openLocator(files.locator, audit))
        return audit;
    const qint64 dataSize = locatorchecks::sizeOf(files.data, audit);
    if (dataSize < 0)
        return audit;
    const QString mapFact = files.map.isEmpty() ? QString() : readMap(files.map, audit);
    if (audit.status.failed())
        return audit;
    audit.marks = locatorchecks::gridFor(grid, audit.gridBlocks);
    locatorchecks::read(files.locator, QStringLiteral("map"), dataSize / MapBlockSize, audit);
    if (audit.status.failed())
        return audit;
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
    return audit;
}

}  // namespace quillmark
