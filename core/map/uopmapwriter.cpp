#include "uopmapwriter.h"

#include "uopformat.h"
#include "uophash.h"

#include <QtEndian>

#include <zlib.h>

namespace quillmark {

using namespace uopformat;

namespace {

template <typename T>
void put(QByteArray& bytes, qint64 at, T value)
{
    qToLittleEndian(value, bytes.data() + at);
}

}  // namespace

UopMapWriter::UopMapWriter(const QString& target, int facet, qint64 mapSize, FileSystem& files,
                           qint64 capacity)
    : m_file(target, files), m_facet(facet), m_mapSize(qMax<qint64>(0, mapSize)), m_capacity(capacity)
{}

Status UopMapWriter::create()
{
    if (!canWrite())
        return Status::fileFailure(
            Status::Kind::Usage, target(),
            QStringLiteral("A container holds the maps of facets 0 to %1 only").arg(FacetCount - 1));
    if (const Status created = m_file.create(); created.failed())
        return created;
    m_checksums.assign(size_t(chunkCount()), quint32(adler32(0, nullptr, 0)));
    const QByteArray header = headerBytes();
    m_file.append(header.constData(), header.size());
    for (qint64 table = 0; table < tableCount(); ++table) {
        const QByteArray bytes = tableBytes(table);
        m_file.append(bytes.constData(), bytes.size());
    }
    return m_file.writeStatus();
}

bool UopMapWriter::canWrite() const
{
    return m_facet >= 0 && m_facet < FacetCount && m_capacity >= 1 && m_capacity <= 0xFFFF;
}

void UopMapWriter::append(const char* bytes, qint64 length)
{
    if (length < 0 || length > m_mapSize - m_appended) {
        m_overrun = true;
        return;
    }
    m_file.append(bytes, length);
    while (length > 0) {
        const qint64 chunk = m_appended / ChunkSize;
        const qint64 piece = qMin(length, (chunk + 1) * ChunkSize - m_appended);
        quint32& checksum = m_checksums[size_t(chunk)];
        checksum = quint32(adler32(checksum, reinterpret_cast<const Bytef*>(bytes), uInt(piece)));
        bytes += piece;
        length -= piece;
        m_appended += piece;
    }
}

Status UopMapWriter::writeStatus() const
{
    if (m_overrun)
        return Status::fileFailure(Status::Kind::TooLarge, target(),
                                   QStringLiteral("More map bytes than the container was made for"));
    return m_file.writeStatus();
}

Status UopMapWriter::finish()
{
    if (const Status written = writeStatus(); written.failed())
        return written;
    if (m_appended != m_mapSize || m_checksums.empty())
        return Status::fileFailure(Status::Kind::Other, target(),
                                   QStringLiteral("The map was not written whole"));
    for (qint64 table = 0; table < tableCount(); ++table) {
        const QByteArray bytes = tableBytes(table);
        m_file.overwrite(tableOffset(table), bytes.constData(), bytes.size());
    }
    return m_file.writeStatus();
}

// An empty map still gets chunk 0, of no bytes: it is what names the facet.
qint64 UopMapWriter::chunkCount() const
{
    return qMax<qint64>(1, (m_mapSize + ChunkSize - 1) / ChunkSize);
}

qint64 UopMapWriter::tableCount() const
{
    return (chunkCount() + m_capacity - 1) / m_capacity;
}

qint64 UopMapWriter::tableSize() const
{
    return TableHeaderSize + m_capacity * EntrySize;
}

qint64 UopMapWriter::tableOffset(qint64 table) const
{
    return FirstTableOffset + table * tableSize();
}

qint64 UopMapWriter::chunkLength(qint64 chunk) const
{
    return qMin(ChunkSize, m_mapSize - chunk * ChunkSize);
}

QByteArray UopMapWriter::headerBytes() const
{
    QByteArray bytes(FirstTableOffset, '\0');
    put<quint32>(bytes, 0, Magic);
    put<quint32>(bytes, HeaderVersionAt, Version);
    put<quint32>(bytes, HeaderSignatureAt, Signature);
    put<quint64>(bytes, HeaderFirstTableAt, quint64(FirstTableOffset));
    put<quint32>(bytes, HeaderCapacityAt, quint32(m_capacity));
    put<quint32>(bytes, HeaderEntryCountAt, quint32(chunkCount()));
    return bytes;
}

// A table of up to m_capacity chunks, padded with zero entries to capacity.
QByteArray UopMapWriter::tableBytes(qint64 table) const
{
    QByteArray bytes(tableSize(), '\0');
    const qint64 first = table * m_capacity;
    const qint64 count = qMin(m_capacity, chunkCount() - first);
    const bool last = table + 1 == tableCount();
    const qint64 dataStart = tableOffset(tableCount());
    put<qint32>(bytes, 0, qint32(count));
    put<quint64>(bytes, TableNextAt, last ? 0 : quint64(tableOffset(table + 1)));
    for (qint64 i = 0; i < count; ++i) {
        const qint64 chunk = first + i;
        const qint64 at = TableHeaderSize + i * EntrySize;
        const quint32 length = quint32(chunkLength(chunk));
        put<quint64>(bytes, at, quint64(dataStart + chunk * ChunkSize));
        put<quint32>(bytes, at + EntryHeaderLengthAt, 0);
        put<quint32>(bytes, at + EntryStoredLengthAt, length);
        put<quint32>(bytes, at + EntryUnpackedLengthAt, length);
        put<quint64>(bytes, at + EntryHashAt, uopNameHash(chunkName(m_facet, chunk)));
        put<quint32>(bytes, at + EntryChecksumAt, m_checksums[size_t(chunk)]);
        put<quint16>(bytes, at + EntryPackingAt, PackingStored);
    }
    return bytes;
}

}  // namespace quillmark
