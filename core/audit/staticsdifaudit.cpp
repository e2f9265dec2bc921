#include "difaudit.h"

#include "locatorchecks.h"

#include "difformat.h"
#include "indexentry.h"
#include "inputfile.h"

#include <QtEndian>

namespace quillmark {

using namespace difformat;

namespace {

// A difference index record, named with the block its locator record names.
class RecordNames
{
public:
    RecordNames(const QString& locatorPath, qint64 locatorRecords)
        : m_locator(locatorPath), m_records(locatorRecords)
    {
        m_readable = m_locator.open().ok();
    }

    QString operator()(qint64 record)
    {
        const char* bytes = nullptr;
        if (record >= m_records || !m_readable
            || m_locator.view(record * LocatorRecordSize, LocatorRecordSize, bytes).failed())
            return QStringLiteral("record %1 (no locator record)").arg(record);
        return QStringLiteral("record %1 (block %2)").arg(record).arg(qFromLittleEndian<qint32>(bytes));
    }

private:
    InputFile m_locator;
    qint64 m_records;
    bool m_readable = false;
};

// A record with data must name a run inside the difference data file; one of
// length 0 reads nothing, wherever it points.
void checkRun(qint64 record, const IndexEntry& entry, qint64 dataSize, RecordNames& names, Findings& findings)
{
    if (entry.length == 0)
        return;
    if (entry.offset < 0)
        findings.add(QStringLiteral("records with a negative offset"),
                     QStringLiteral("%1: offset %2").arg(names(record)).arg(entry.offset));
    if (entry.length < 0)
        findings.add(QStringLiteral("records with a negative length"),
                     QStringLiteral("%1: length %2").arg(names(record)).arg(entry.length));
    if (entry.offset >= 0 && entry.length >= 0 && qint64(entry.offset) + entry.length > dataSize)
        findings.add(QStringLiteral("records past the end of the difference data"),
                     QStringLiteral("%1: bytes %2 to %3, the file has %4")
                         .arg(names(record))
                         .arg(entry.offset)
                         .arg(qint64(entry.offset) + entry.length - 1)
                         .arg(dataSize));
}

// Reads the difference index, checks every record with data into `runs` and
// returns the sum of their lengths (audit.status failed when unreadable).
qint64 checkDifIndex(const StaticsDifFiles& files, qint64 dataSize, DifAudit& audit, Findings& runs)
{
    InputFile file(files.index);
    if (const Status opened = file.open(); opened.failed()) {
        audit.status = opened.withAction(QStringLiteral("Unable to open"));
        return -1;
    }
    const qint64 records = file.size() / IndexEntrySize;
    audit.facts << QStringLiteral("difference index: %1, %2 records").arg(files.index).arg(records);
    locatorchecks::checkWholeRecords(QStringLiteral("difference index"), file.size(), IndexEntrySize, audit);
    RecordNames names(files.locator, audit.locatorRecords);
    qint64 lengths = 0;
    for (qint64 record = 0; record < records; ++record) {
        const char* bytes = nullptr;
        if (const Status viewed = file.view(record * IndexEntrySize, IndexEntrySize, bytes);
            viewed.failed()) {
            audit.status = viewed.withAction(QStringLiteral("Unable to read"));
            return -1;
        }
        const IndexEntry entry = IndexEntry::decode(bytes);
        if (entry.isEmpty())
            continue;
        checkRun(record, entry, dataSize, names, runs);
        lengths += entry.length;
    }
    if (records != audit.locatorRecords)
        audit.findings.add(QStringLiteral("files that disagree in length"),
                           QStringLiteral("%1 locator records, but %2 difference index records")
                               .arg(audit.locatorRecords)
                               .arg(records));
    return lengths;
}

}  // namespace

DifAudit auditStaticsDif(const StaticsDifFiles& files, const AuditGrid& grid)
{
    DifAudit audit;
    if (!locatorchecks::openLocator(files.locator, audit))
        return audit;
    const qint64 dataSize = locatorchecks::sizeOf(files.data, audit);
    if (dataSize < 0)
        return audit;
    // Problems of single records read best after those of the files as a whole.
    Findings runs;
    const qint64 lengths = checkDifIndex(files, dataSize, audit, runs);
    if (audit.status.failed())
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
    audit.marks = locatorchecks::gridFor(grid, audit.gridBlocks);
    const qint64 difRecords = locatorchecks::sizeOf(files.index, audit) / IndexEntrySize;
    locatorchecks::read(files.locator, QStringLiteral("statics index"), difRecords, audit);
    audit.findings.append(audit.blockFindings);
    audit.findings.append(runs);
    return audit;
}

}  // namespace quillmark
