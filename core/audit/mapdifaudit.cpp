#include "difaudit.h"

#include "locatorchecks.h"

#include "difformat.h"
#include "mapinput.h"

namespace quillmark {

using namespace difformat;

namespace {

// The blocks of the map itself, whichever form holds it, and what was read.
QString readMap(const QString& path, DifAudit& audit)
{
    MapInput map(path);
    if (const Status opened = map.open(); opened.failed()) {
        audit.status = opened.withAction(QStringLiteral("Unable to open"));
        return QString();
    }
    audit.gridBlocks = map.size() / MapBlockSize;
    const QString form = map.isContainer() ? QStringLiteral("a container of map %1").arg(map.facet())
                                           : QStringLiteral("a plain map file");
    return QStringLiteral("map: %1 (%2), %3 blocks").arg(path, form).arg(audit.gridBlocks);
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
    locatorchecks::read(files.locator, QStringLiteral("map"), audit);
    if (audit.status.failed())
        return audit;
    const qint64 records = audit.locatorRecords;
    audit.facts
        << QStringLiteral("difference data: %1, %2 records").arg(files.data).arg(dataSize / MapBlockSize);
    if (!mapFact.isEmpty())
        audit.facts << mapFact;

    locatorchecks::checkWholeRecords(QStringLiteral("difference data"), dataSize, MapBlockSize, audit);
    const qint64 needed = records * MapBlockSize;
    if (dataSize != needed)
        audit.findings.add(
            QStringLiteral("files that disagree in length"),
            QStringLiteral("%1 locator records need %2 bytes of difference data, the file has %3")
                .arg(records)
                .arg(needed)
                .arg(dataSize));
    audit.findings.append(audit.blockFindings);
    return audit;
}

}  // namespace quillmark
