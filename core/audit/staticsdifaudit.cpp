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
// A locator that cannot be read names nothing: status() says why, and no
// name stands for a record it could not read.
class RecordNames
{
public:
    RecordNames(const QString& locatorPath, FileSystem& files, qint64 locatorRecords)
        : m_locator(locatorPath, files), m_records(locatorRecords)
    {
        if (const Status opened = m_locator.open(); opened.failed())
            m_status = opened.withAction(QStringLiteral("Unable to open"));
    }

    QString operator()(qint64 record)
    {
        const char* bytes = nullptr;
        if (record >= m_records)
            return QStringLiteral("record %1 (no locator record)").arg(record);
        if (m_status.ok()) {
            if (const Status viewed = m_locator.view(record * LocatorRecordSize, LocatorRecordSize, bytes);
                viewed.failed())
                m_status = viewed.withAction(QStringLiteral("Unable to read"));
        }
        return m_status.ok()
                   ? QStringLiteral("record %1 (block %2)").arg(record).arg(qFromLittleEndian<qint32>(bytes))
                   : QString();
    }

    const Status& status() const { return m_status; }

private:
    InputFile m_locator;
    qint64 m_records;
    Status m_status;
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

// What the difference index holds: its records, and the lengths of those
// with data added up.
struct DifIndexSums
{
    qint64 records = 0;
    qint64 lengths = 0;
};

// Reads the difference index and checks every record with data and its
// statics into `runs`.
Status checkDifIndex(const StaticsDifFiles& files, FileSystem& fileSystem, DifAudit& audit, Findings& runs,
                     DifIndexSums& sums)
{
    InputFile file(files.index, fileSystem);
    InputFile data(files.data, fileSystem);
    for (InputFile* input : {&file, &data}) {
        if (const Status opened = input->open(); opened.failed())
            return opened.withAction(QStringLiteral("Unable to open"));
    }
    sums.records = file.size() / IndexEntrySize;
    audit.facts << QStringLiteral("difference index: %1, %2")
                       .arg(files.index, counted(sums.records, "record", "records"));
    locatorchecks::checkWholeRecords(QStringLiteral("difference index"), file.size(), IndexEntrySize, audit);
    RecordNames names(files.locator, fileSystem, audit.locatorRecords);
    if (names.status().failed())
        return names.status();
    for (qint64 record = 0; record < sums.records; ++record) {
        const char* bytes = nullptr;
        if (const Status viewed = file.view(record * IndexEntrySize, IndexEntrySize, bytes); viewed.failed())
            return viewed.withAction(QStringLiteral("Unable to read"));
        const IndexEntry entry = IndexEntry::decode(bytes);
        if (entry.isEmpty())
            continue;
        sums.lengths += entry.length;
        if (!checkRun(record, entry, data.size(), names, runs))
            continue;
        if (const Status read = checkStatics(record, entry, data, names, runs); read.failed())
            return read.withAction(QStringLiteral("Unable to read"));
        if (names.status().failed())
            return names.status();
    }
    if (sums.records != audit.locatorRecords)
        audit.findings.add(
            QStringLiteral("files that disagree in length"),
            QStringLiteral("%1, but %2")
                .arg(counted(audit.locatorRecords, "locator record", "locator records"),
                     counted(sums.records, "difference index record", "difference index records")));
    return Status();
}

Status auditFiles(const StaticsDifFiles& files, const AuditGrid& grid, FileSystem& fileSystem,
                  DifAudit& audit)
{
    if (const Status opened = locatorchecks::openLocator(files.locator, fileSystem, audit); opened.failed())
        return opened;
    qint64 dataSize = 0;
    if (const Status opened = locatorchecks::sizeOf(files.data, fileSystem, dataSize); opened.failed())
        return opened;
    // Problems of single records read best after those of the files as a whole.
    Findings runs;
    DifIndexSums sums;
    if (const Status checked = checkDifIndex(files, fileSystem, audit, runs, sums); checked.failed())
        return checked;
    audit.facts
        << QStringLiteral("difference data: %1, %2").arg(files.data, counted(dataSize, "byte", "bytes"));
    if (!files.staticsIndex.isEmpty()) {
        qint64 indexSize = 0;
        if (const Status opened = locatorchecks::sizeOf(files.staticsIndex, fileSystem, indexSize);
            opened.failed())
            return opened;
        audit.gridBlocks = indexSize / IndexEntrySize;
        audit.facts << QStringLiteral("statics index: %1, %2")
                           .arg(files.staticsIndex, counted(audit.gridBlocks, "block", "blocks"));
    }
    if (sums.lengths != dataSize)
        audit.findings.add(
            QStringLiteral("files that disagree in length"),
            QStringLiteral("the records with data add up to %1, the difference data file has %2")
                .arg(counted(sums.lengths, "byte", "bytes"))
                .arg(dataSize));
    audit.marks = locatorchecks::gridFor(grid, audit.gridBlocks);
    const Status read =
        locatorchecks::read(files.locator, fileSystem, QStringLiteral("statics index"), sums.records, audit);
    audit.findings.append(audit.blockFindings);
    audit.findings.append(runs);
    return read;
}

}  // namespace

DifAudit auditStaticsDif(const StaticsDifFiles& files, const AuditGrid& grid, const CommitOptions& options)
{
    return locatorchecks::run(
        {files.locator, files.index, files.data, files.staticsIndex}, options,
        [&](DifAudit& found) { return auditFiles(files, grid, *options.files, found); });
}

}  // namespace quillmark
