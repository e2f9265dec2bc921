#include "locatorchecks.h"

#include "counted.h"
#include "facets.h"
#include "inputfile.h"
#include "locatorrecords.h"

#include <map>
#include <utility>
#include <vector>

namespace quillmark::locatorchecks {

namespace {

using difformat::LocatorRecordSize;

QString blockAt(qint64 record, qint32 block)
{
    return QStringLiteral("record %1: block %2").arg(record).arg(block);
}

// The checks on block numbers, each kind apart, so that the report lists
// them in one order whatever the file meets first.
struct BlockChecks
{
    Findings negative;
    Findings outside;
    Findings repeated;
    Findings order;
    // The first repeats in file order, (record, block), whose first records
    // a second reading finds.
    std::vector<std::pair<qint64, qint32>> repeatExamples;
    qint64 repeats = 0;
    qint32 previous = 0;
};

void checkRecord(qint64 record, qint32 block, const QString& gridName, DifAudit& audit, BlockChecks& checks)
{
    if (block < 0)
        checks.negative.add(QStringLiteral("negative block numbers"), blockAt(record, block));
    if (audit.gridBlocks >= 0 && block >= audit.gridBlocks)
        checks.outside.add(
            QStringLiteral("block numbers outside the %1").arg(gridName),
            blockAt(record, block)
                + QStringLiteral(", the %1 has %2 blocks").arg(gridName).arg(audit.gridBlocks));
    if (!audit.marks.contains(block))
        ++audit.recordsOffGrid;
    else if (!audit.marks.mark(block) && checks.repeats++ < Findings::MaxExamples)
        checks.repeatExamples.emplace_back(record, block);
    // A difference file lists blocks in strictly ascending order; a repeat
    // right after its first record is already a repeat, not also a disorder.
    if (record > 0 && block < checks.previous)
        checks.order.add(QStringLiteral("block numbers out of order"),
                         blockAt(record, block) + QStringLiteral(" follows block %1").arg(checks.previous));
    checks.previous = block;
}

// Every repeat after the first of its block number is reported against that
// first record, which only a second reading finds.
Status nameRepeats(InputFile& file, qint64 records, BlockChecks& checks)
{
    std::map<qint32, qint64> firstRecords;
    for (const auto& [record, block] : checks.repeatExamples)
        firstRecords.emplace(block, -1);
    const Status read = forEachLocatorRecord(
        file,
        [&](qint64 record, qint32 block) {
            const auto first = firstRecords.find(block);
            if (first != firstRecords.end() && first->second < 0)
                first->second = record;
        },
        records);
    const QString kind = QStringLiteral("repeated block numbers");
    for (const auto& [record, block] : checks.repeatExamples)
        checks.repeated.add(kind, blockAt(record, block)
                                      + QStringLiteral(" repeats record %1").arg(firstRecords[block]));
    checks.repeated.addUnnamed(kind, checks.repeats - qint64(checks.repeatExamples.size()));
    return read;
}

}  // namespace

Status read(const QString& path, FileSystem& files, const QString& gridName, qint64 difRecords,
            DifAudit& audit)
{
    InputFile file(path, files);
    if (const Status opened = file.open(); opened.failed())
        return opened.withAction(QStringLiteral("Unable to open"));
    BlockChecks checks;
    Status read = forEachLocatorRecord(
        file, [&](qint64 record, qint32 block) { checkRecord(record, block, gridName, audit, checks); },
        difRecords);
    if (read.ok() && checks.repeats > 0)
        read = nameRepeats(file, difRecords, checks);
    if (read.failed())
        return read.withAction(QStringLiteral("Unable to read"));
    // The block numbers' findings follow those of the files as a whole.
    for (Findings* found : {&checks.negative, &checks.outside, &checks.repeated, &checks.order})
        audit.blockFindings.append(*found);
    return Status();
}

Status openLocator(const QString& path, FileSystem& files, DifAudit& audit)
{
    qint64 size = 0;
    if (const Status opened = sizeOf(path, files, size); opened.failed())
        return opened;
    audit.locatorRecords = size / LocatorRecordSize;
    audit.facts
        << QStringLiteral("locator: %1, %2").arg(path, counted(audit.locatorRecords, "record", "records"));
    checkWholeRecords(QStringLiteral("locator"), size, LocatorRecordSize, audit);
    return Status();
}

Status sizeOf(const QString& path, FileSystem& files, qint64& size)
{
    InputFile file(path, files);
    if (const Status opened = file.open(); opened.failed())
        return opened.withAction(QStringLiteral("Unable to open"));
    size = file.size();
    return Status();
}

BlockMarks gridFor(const AuditGrid& grid, qint64 gridBlocks)
{
    const qint64 width = gridBlocks >= 0 ? (gridBlocks + grid.height - 1) / grid.height
                                         : facets::geometry(grid.facet).widthBlocks;
    return BlockMarks(qMax<qint64>(1, width), grid.height);
}

void checkWholeRecords(const QString& fileName, qint64 size, qint64 recordSize, DifAudit& audit)
{
    const qint64 rest = size % recordSize;
    if (rest != 0)
        audit.findings.add(QStringLiteral("partial records"),
                           QStringLiteral("%1: %2 after its last whole record of %3 bytes")
                               .arg(fileName, counted(rest, "byte", "bytes"))
                               .arg(recordSize));
}

}  // namespace quillmark::locatorchecks
