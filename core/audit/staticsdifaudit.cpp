#include "difaudit.h"

#include "locatorchecks.h"

#include "difformat.h"
#include "indexentry.h"
#include "inputfile.h"

using namespace difformat;

namespace {

QString recordName(qint64 record, const DifAudit& audit)
{
    if (record < qint64(audit.blocks.size()))
        return QStringLiteral("record %1 (block %2)").arg(record).arg(audit.blocks[size_t(record)]);
    return QStringLiteral("record %1 (no locator record)").arg(record);
}

// A record with data must name a run inside the difference data file; one of
// length 0 reads nothing, wherever it points.
void checkRun(qint64 record, const IndexEntry& entry, qint64 dataSize, const DifAudit& audit,
              Findings& findings)
{
    if (entry.length == 0)
        return;
    const QString name = recordName(record, audit);
    if (entry.offset < 0)
        findings.add(QStringLiteral("records with a negative offset"),
                     QStringLiteral("%1: offset %2").arg(name).arg(entry.offset));
    if (entry.length < 0)
        findings.add(QStringLiteral("records with a negative length"),
                     QStringLiteral("%1: length %2").arg(name).arg(entry.length));
    if (entry.offset >= 0 && entry.length >= 0 && qint64(entry.offset) + entry.length > dataSize)
        findings.add(QStringLiteral("records past the end of the difference data"),
                     QStringLiteral("%1: bytes %2 to %3, the file has %4")
                         .arg(name)
                         .arg(entry.offset)
                         .arg(qint64(entry.offset) + entry.length - 1)
                         .arg(dataSize));
}

// Reads the difference index, checks every record with data into `runs` and
// returns the sum of their lengths (audit.status failed when unreadable).
qint64 checkDifIndex(const QString& path, qint64 dataSize, DifAudit& audit, Findings& runs)
{
    InputFile file(path);
    if (!file.open()) {
        audit.status = locatorchecks::openFailure(file);
        return -1;
    }
    const qint64 records = file.size() / IndexEntrySize;
    audit.facts << QStringLiteral("difference index: %1, %2 records").arg(path).arg(records);
    locatorchecks::checkWholeRecords(QStringLiteral("difference index"), file.size(), IndexEntrySize, audit);
    qint64 lengths = 0;
    for (qint64 record = 0; record < records; ++record) {
        const char* bytes = file.view(record * IndexEntrySize, IndexEntrySize);
        if (!bytes) {
            audit.status = locatorchecks::readFailure(file);
            return -1;
        }
        const IndexEntry entry = IndexEntry::decode(bytes);
        if (entry.isEmpty())
            continue;
        checkRun(record, entry, dataSize, audit, runs);
        lengths += entry.length;
    }
    if (records != qint64(audit.blocks.size()))
        audit.findings.add(QStringLiteral("files that disagree in length"),
                           QStringLiteral("%1 locator records, but %2 difference index records")
                               .arg(audit.blocks.size())
                               .arg(records));
    return lengths;
}

}  // namespace

DifAudit auditStaticsDif(const StaticsDifFiles& files)
{
    DifAudit audit;
    if (!locatorchecks::read(files.locator, audit))
        return audit;
    const qint64 dataSize = locatorchecks::sizeOf(files.data, audit);
    if (dataSize < 0)
        return audit;
    // Problems of single records read best after those of the files as a whole.
    Findings runs;
    const qint64 lengths = checkDifIndex(files.index, dataSize, audit, runs);
    if (!audit.status.ok())
        return audit;
    audit.facts << QStringLiteral("difference data: %1, %2 bytes").arg(files.data).arg(dataSize);
    if (!files.staticsIndex.isEmpty()) {
        const qint64 indexSize = locatorchecks::sizeOf(files.staticsIndex, audit);
        if (indexSize < 0)
            return audit;
        audit.gridBlocks = indexSize / IndexEntrySize;
        audit.facts
            << QStringLiteral("statics index: %1, %2 blocks").arg(files.staticsIndex).arg(audit.gridBlocks);
    }

    if (lengths != dataSize)
        audit.findings.add(
            QStringLiteral("files that disagree in length"),
            QStringLiteral("the records with data add up to %1 bytes, the difference data file has %2")
                .arg(lengths)
                .arg(dataSize));
    locatorchecks::checkBlockNumbers(QStringLiteral("statics index"), audit);
    audit.findings.append(runs);
    return audit;
}
