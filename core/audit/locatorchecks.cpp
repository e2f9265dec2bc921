#include "locatorchecks.h"

#include "difformat.h"
#include "inputfile.h"

#include <QtEndian>

#include <algorithm>
#include <utility>

namespace locatorchecks {

namespace {

QString blockAt(size_t record, qint32 block)
{
    return QStringLiteral("record %1: block %2").arg(record).arg(block);
}

void checkNegative(DifAudit& audit)
{
    for (size_t record = 0; record < audit.blocks.size(); ++record) {
        if (audit.blocks[record] < 0)
            audit.findings.add(QStringLiteral("negative block numbers"),
                               blockAt(record, audit.blocks[record]));
    }
}

void checkOutside(const QString& gridName, DifAudit& audit)
{
    if (audit.gridBlocks < 0)
        return;
    for (size_t record = 0; record < audit.blocks.size(); ++record) {
        const qint32 block = audit.blocks[record];
        if (block >= audit.gridBlocks)
            audit.findings.add(
                QStringLiteral("block numbers outside the %1").arg(gridName),
                blockAt(record, block)
                    + QStringLiteral(", the %1 has %2 blocks").arg(gridName).arg(audit.gridBlocks));
    }
}

// Every record after the first of its block number, reported against the first.
void checkRepeats(DifAudit& audit)
{
    std::vector<std::pair<qint32, size_t>> sorted;
    sorted.reserve(audit.blocks.size());
    for (size_t record = 0; record < audit.blocks.size(); ++record)
        sorted.emplace_back(audit.blocks[record], record);
    std::sort(sorted.begin(), sorted.end());
    std::vector<std::pair<size_t, size_t>> repeats;  // (record, first record of its number)
    size_t runStart = 0;  // sorted by (block, record): a run starts with its first record
    for (size_t i = 1; i < sorted.size(); ++i) {
        if (sorted[i].first != sorted[runStart].first)
            runStart = i;
        else
            repeats.emplace_back(sorted[i].second, sorted[runStart].second);
    }
    // In file order, so that the examples are the earliest repeats.
    std::sort(repeats.begin(), repeats.end());
    for (const auto& [record, first] : repeats)
        audit.findings.add(QStringLiteral("repeated block numbers"),
                           blockAt(record, audit.blocks[record])
                               + QStringLiteral(" repeats record %1").arg(first));
}

// A difference file lists blocks in strictly ascending order; a repeat right
// after its first record is already a repeat, not also a disorder.
void checkOrder(DifAudit& audit)
{
    for (size_t record = 1; record < audit.blocks.size(); ++record) {
        const qint32 previous = audit.blocks[record - 1];
        if (audit.blocks[record] < previous)
            audit.findings.add(QStringLiteral("block numbers out of order"),
                               blockAt(record, audit.blocks[record])
                                   + QStringLiteral(" follows block %1").arg(previous));
    }
}

}  // namespace

bool read(const QString& path, DifAudit& audit)
{
    using difformat::LocatorRecordSize;
    InputFile file(path);
    if (!file.open()) {
        audit.status = openFailure(file);
        return false;
    }
    const qint64 records = file.size() / LocatorRecordSize;
    audit.blocks.resize(size_t(records));
    for (qint64 record = 0; record < records; ++record) {
        const char* bytes = file.view(record * LocatorRecordSize, LocatorRecordSize);
        if (!bytes) {
            audit.status = readFailure(file);
            return false;
        }
        audit.blocks[size_t(record)] = qFromLittleEndian<qint32>(bytes);
    }
    audit.facts << QStringLiteral("locator: %1, %2 records").arg(path).arg(records);
    checkWholeRecords(QStringLiteral("locator"), file.size(), LocatorRecordSize, audit);
    return true;
}

qint64 sizeOf(const QString& path, DifAudit& audit)
{
    InputFile file(path);
    if (!file.open()) {
        audit.status = openFailure(file);
        return -1;
    }
    return file.size();
}

Status openFailure(const InputFile& file)
{
    return Status::failure(QStringLiteral("Unable to open %1: %2").arg(file.path(), file.errorString()));
}

Status readFailure(const InputFile& file)
{
    return Status::failure(QStringLiteral("Unable to read %1: %2").arg(file.path(), file.errorString()));
}

void checkWholeRecords(const QString& fileName, qint64 size, qint64 recordSize, DifAudit& audit)
{
    const qint64 rest = size % recordSize;
    if (rest != 0)
        audit.findings.add(QStringLiteral("partial records"),
                           QStringLiteral("%1: %2 bytes after its last whole record of %3 bytes")
                               .arg(fileName)
                               .arg(rest)
                               .arg(recordSize));
}

void checkBlockNumbers(const QString& gridName, DifAudit& audit)
{
    checkNegative(audit);
    checkOutside(gridName, audit);
    checkRepeats(audit);
    checkOrder(audit);
}

}  // namespace locatorchecks
