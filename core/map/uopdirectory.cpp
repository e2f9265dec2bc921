#include "uopdirectory.h"

#include "uopformat.h"

#include <QSet>
#include <QtEndian>

namespace quillmark {

using namespace uopformat;

namespace {

quint16 le16(const char* bytes)
{
    return qFromLittleEndian<quint16>(bytes);
}
quint32 le32(const char* bytes)
{
    return qFromLittleEndian<quint32>(bytes);
}
quint64 le64(const char* bytes)
{
    return qFromLittleEndian<quint64>(bytes);
}

}  // namespace

Status UopDirectory::read(InputFile& file)
{
    m_entries.clear();
    m_byHash.clear();
    m_entriesRead = 0;
    m_path = file.path();

    quint64 table = 0;
    qint64 capacity = 0;
    if (const Status header = readHeader(file, table, capacity); header.failed())
        return header;
    // Every table is remembered, so a chain that comes back to one it has
    // already passed is caught at once instead of being walked for ever.
    QSet<quint64> visited;
    while (table != 0) {
        if (visited.contains(table))
            return fail(QStringLiteral("the table chain loops back to byte %1").arg(table));
        if (visited.size() == MaxTables)
            return fail(QStringLiteral("the table chain is longer than %1 tables").arg(MaxTables));
        visited.insert(table);
        if (const Status read = readTable(file, table, capacity, table); read.failed())
            return read;
    }
    return Status();
}

const UopEntry* UopDirectory::find(quint64 hash) const
{
    const auto found = m_byHash.constFind(hash);
    return found == m_byHash.constEnd() ? nullptr : &m_entries[size_t(*found)];
}

Status UopDirectory::readHeader(InputFile& file, quint64& firstTable, qint64& capacity)
{
    const char* header = nullptr;
    if (const Status viewed = file.view(0, HeaderSize, header); viewed.failed())
        return viewed.is(Status::Kind::Damaged) ? fail(QStringLiteral("the header is cut short")) : viewed;
    if (le32(header) != Magic)
        return fail(QStringLiteral("it is not a package container"));
    firstTable = le64(header + HeaderFirstTableAt);
    capacity = le32(header + HeaderCapacityAt);
    const qint64 total = le32(header + HeaderEntryCountAt);
    if (total > (file.size() - HeaderSize) / EntrySize)
        return fail(QStringLiteral("the header counts %1 entries, more than the file can hold").arg(total));
    if (firstTable == 0)
        return fail(QStringLiteral("it has no table"));
    return Status();
}

Status UopDirectory::readTable(InputFile& file, quint64 offset, qint64 capacity, quint64& next)
{
    const QString where = QStringLiteral("the table at byte %1").arg(offset);
    if (offset < quint64(HeaderSize))
        return fail(where + QStringLiteral(" lies inside the header"));
    if (offset > quint64(file.size() - TableHeaderSize))
        return fail(where + QStringLiteral(" lies past the end of the file"));
    const qint64 start = qint64(offset);
    const char* tableHeader = nullptr;
    if (const Status viewed = file.view(start, TableHeaderSize, tableHeader); viewed.failed())
        return viewed.is(Status::Kind::Damaged) ? fail(where + QStringLiteral(" cannot be read")) : viewed;
    const qint64 count = qFromLittleEndian<qint32>(tableHeader);
    next = le64(tableHeader + TableNextAt);
    if (count < 0 || count > capacity)
        return fail(where
                    + QStringLiteral(" counts %1 entries for a capacity of %2").arg(count).arg(capacity));
    const qint64 entriesStart = start + TableHeaderSize;
    if (count > (file.size() - entriesStart) / EntrySize)
        return fail(where + QStringLiteral(" has entries past the end of the file"));
    if (count > MaxEntries - m_entriesRead)
        return fail(QStringLiteral("the tables hold more than %1 entries").arg(MaxEntries));

    for (qint64 i = 0; i < count; ++i) {
        const char* entry = nullptr;
        if (const Status viewed = file.view(entriesStart + i * EntrySize, EntrySize, entry); viewed.failed())
            return viewed.is(Status::Kind::Damaged) ? fail(where + QStringLiteral(" cannot be read"))
                                                    : viewed;
        if (const Status added = addEntry(entry); added.failed())
            return added;
    }
    return Status();
}

Status UopDirectory::addEntry(const char* bytes)
{
    UopEntry entry;
    entry.dataOffset = le64(bytes);
    entry.headerLength = le32(bytes + EntryHeaderLengthAt);
    entry.storedLength = le32(bytes + EntryStoredLengthAt);
    entry.unpackedLength = le32(bytes + EntryUnpackedLengthAt);
    entry.hash = le64(bytes + EntryHashAt);
    entry.packing = le16(bytes + EntryPackingAt);
    entry.checksum = le32(bytes + EntryChecksumAt);
    entry.ordinal = m_entriesRead++;
    // Tables are padded up to their capacity with entries that point nowhere.
    if (entry.dataOffset == 0)
        return Status();
    if (entry.packing != PackingStored && entry.packing != PackingZlib)
        return fail(QStringLiteral("entry %1 has unknown packing %2").arg(entry.ordinal).arg(entry.packing));
    const auto same = m_byHash.constFind(entry.hash);
    if (same != m_byHash.constEnd()) {
        return fail(QStringLiteral("entries %1 and %2 have the same name hash")
                        .arg(m_entries[size_t(*same)].ordinal)
                        .arg(entry.ordinal));
    }
    m_byHash.insert(entry.hash, int(m_entries.size()));
    m_entries.push_back(entry);
    return Status();
}

Status UopDirectory::fail(const QString& reason) const
{
    return Status::fileFailure(Status::Kind::Damaged, m_path, reason);
}

}  // namespace quillmark
