#include "difaudit.h"

#include "locatorchecks.h"

#include "difformat.h"
#include "mapinput.h"

using namespace difformat;

DifAudit auditMapDif(const MapDifFiles& files)
{
    DifAudit audit;
    if (!locatorchecks::read(files.locator, audit))
        return audit;
    const qint64 dataSize = locatorchecks::sizeOf(files.data, audit);
    if (dataSize < 0)
        return audit;
    audit.facts
        << QStringLiteral("difference data: %1, %2 records").arg(files.data).arg(dataSize / MapBlockSize);
    if (!files.map.isEmpty()) {
        // The blocks of the map itself, whichever form holds it.
        MapInput map(files.map);
        if (!map.open()) {
            audit.status =
                Status::failure(QStringLiteral("Unable to open %1: %2").arg(files.map, map.errorString()));
            return audit;
        }
        audit.gridBlocks = map.size() / MapBlockSize;
        const QString form =
            map.isContainer() ? QStringLiteral(" (a container of map %1)").arg(map.facet()) : QString();
        audit.facts << QStringLiteral("map: %1%2, %3 blocks").arg(files.map, form).arg(audit.gridBlocks);
    }

    locatorchecks::checkWholeRecords(QStringLiteral("difference data"), dataSize, MapBlockSize, audit);
    const qint64 needed = qint64(audit.blocks.size()) * MapBlockSize;
    if (dataSize != needed)
        audit.findings.add(
            QStringLiteral("files that disagree in length"),
            QStringLiteral("%1 locator records need %2 bytes of difference data, the file has %3")
                .arg(audit.blocks.size())
                .arg(needed)
                .arg(dataSize));
    locatorchecks::checkBlockNumbers(QStringLiteral("map"), audit);
    return audit;
}
