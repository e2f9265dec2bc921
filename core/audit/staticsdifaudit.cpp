#include "difaudit.h"

#include "locatorchecks.h"

#include "counted.h"
#include "fileformat.h"
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

constexpr qint64 StaticSize = 7;  // uint16 item, uint8 x, uint8 y, int8 altitude, uint16 hue
constexpr int TilesPerSide = 8;

// A record with data must name a run inside the difference data file; one of
// length 0 reads nothing, wherever it points. True when its run is there to read.
bool checkRun(qint64 record, const IndexEntry& entry, qint64 dataSize, RecordNames& names, Findings& findings)
{
    if (entry.length == 0)
        return false;
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
    return entry.offset >= 0 && entry.length > 0 && qint64(entry.offset) + entry.length <= dataSize;
}

// A record's bytes must be whole statics, each inside its block: what a
// combination copies as it is, a client would place elsewhere or misread.
Status checkStatics(qint64 record, const IndexEntry& entry, Input& data, RecordNames& names,
                    Findings& findings)
{
    if (entry.length % StaticSize != 0)
        findings.add(QStringLiteral("records that are not whole statics"),
                     QStringLiteral("%1: %2 bytes, not a whole number of %3-byte statics")
                         .arg(names(record))
                         .arg(entry.length)
                         .arg(StaticSize));
    constexpr qint64 Piece = Input::MaxView / StaticSize * StaticSize;
    for (qint64 done = 0; done + StaticSize <= entry.length; done += Piece) {
        const qint64 length = qMin(Piece, entry.length / StaticSize * StaticSize - done);
        const char* bytes = nullptr;
        if (const Status viewed = data.view(entry.offset + done, length, bytes); viewed.failed())
            return viewed;
        for (qint64 at = 0; at < length; at += StaticSize) {
            const int x = quint8(bytes[at + 2]), y = quint8(bytes[at + 3]);
            if (x >= TilesPerSide || y >= TilesPerSide)
                findings.add(QStringLiteral("statics outside their block"),
                             QStringLiteral("%1: static %2 at x %3, y %4")
                                 .arg(names(record))
                                 .arg((done + at) / StaticSize + 1)
                                 .arg(x)
                                 .arg(y));
        }
    }
    return Status();
}

// Reads the difference index, checks every record with data and its
// statics into `runs` and returns the sum of their lengths (audit.status
// failed when unreadable).
qint64 checkDifIndex(const StaticsDifFiles& files, DifAudit& audit, Findings& runs)
{
    InputFile file(files.index);
    InputFile data(files.data);
    for (InputFile* input : {&file, &data}) {
        if (const Status opened = input->open(); opened.failed()) {
            audit.status = opened.withAction(QStringLiteral("Unable to open"));
            return -1;
        }
    }
    const qint64 records = file.size() / IndexEntrySize;
    audit.facts
        << QStringLiteral("difference index: %1, %2").arg(files.index, counted(records, "record", "records"));
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
        lengths += entry.length;
        if (!checkRun(record, entry, data.size(), names, runs))
            continue;
        if (const Status read = checkStatics(record, entry, data, names, runs); read.failed()) {
            audit.status = read.withAction(QStringLiteral("Unable to read"));
            return -1;
        }
    }
    if (records != audit.locatorRecords)
        audit.findings.add(QStringLiteral("files that disagree in length"),
                           QStringLiteral("%1, but %2")
                               .arg(counted(audit.locatorRecords, "locator record", "locator records"),
                                    counted(records, "difference index record", "difference index records")));
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
    const qint64 lengths = checkDifIndex(files, audit, runs);
    if (audit.status.failed())
        return audit;
    audit.facts
        << QStringLiteral("difference data: %1, %2").arg(files.data, counted(dataSize, "byte", "bytes"));
    if (!files.staticsIndex.isEmpty()) {
        const qint64 indexSize = locatorchecks::sizeOf(files.staticsIndex, audit);
        if (indexSize < 0)
            return audit;
        audit.gridBlocks = indexSize / IndexEntrySize;
        audit.facts << QStringLiteral("statics index: %1, %2")
                           .arg(files.staticsIndex, counted(audit.gridBlocks, "block", "blocks"));
    }
    if (lengths != dataSize)
        audit.findings.add(
            QStringLiteral("files that disagree in length"),
            QStringLiteral("the records with data add up to %1, the difference data file has %2")
                .arg(counted(lengths, "byte", "bytes"))
                .arg(dataSize));
    audit.marks = locatorchecks::gridFor(grid, audit.gridBlocks);
    const qint64 difRecords = locatorchecks::sizeOf(files.index, audit) / IndexEntrySize;
    locatorchecks::read(files.locator, QStringLiteral("statics index"), difRecords, audit);
    audit.findings.append(audit.blockFindings);
    audit.findings.append(runs);
    return audit;
}

}  // namespace quillmark
