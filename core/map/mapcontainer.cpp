#include "mapcontainer.h"

#include "uopformat.h"
#include "uophash.h"

#include <QSet>

namespace quillmark {

using namespace uopformat;

namespace {

// A stray entry is looked up as a chunk of the map up to this many numbers
// beyond the entries there are, to tell a chunk that is missing from an
// entry that belongs to no map; a few chunks missing in a row are still told.
constexpr qint64 ChunkSearchSlack = 16;

quint64 chunkHash(int facet, qint64 chunk)
{
    return uopNameHash(chunkName(facet, chunk));
}

}  // namespace

Status MapContainer::read(InputFile& file)
{
    m_chunks.clear();
    m_facet = -1;
    m_size = 0;
    m_path = file.path();

    UopDirectory directory;
    if (const Status read = directory.read(file); read.failed())
        return fail(read);
    if (const Status found = findFacet(directory); found.failed())
        return found;
    // The map runs from chunk 0 up to the first chunk whose name is absent.
    const qint64 entryCount = qint64(directory.entries().size());
    for (qint64 k = 0; k < entryCount; ++k) {
        const UopEntry* entry = directory.find(chunkHash(m_facet, k));
        if (!entry)
            break;
        if (const Status added = addChunk(*entry, file.size()); added.failed())
            return added;
    }
    if (qint64(m_chunks.size()) < entryCount)
        return fail(strayEntryReason(directory));
    return checkLengths();
}

Status MapContainer::findFacet(const UopDirectory& directory)
{
    for (int facet = 0; facet < FacetCount; ++facet) {
        if (directory.find(chunkHash(facet, 0))) {
            m_facet = facet;
            return Status();
        }
    }
    return fail(QStringLiteral("it holds no chunk 0 of any map"));
}

Status MapContainer::addChunk(const UopEntry& entry, qint64 fileSize)
{
    const qint64 number = qint64(m_chunks.size());
    // Checked without adding to the offset first: it may be any 64-bit value.
    const quint64 room = entry.dataOffset <= quint64(fileSize) ? quint64(fileSize) - entry.dataOffset : 0;
    if (entry.dataOffset > quint64(fileSize) || room < quint64(entry.headerLength) + entry.storedLength)
        return fail(QStringLiteral("chunk %1 reaches past the end of the file").arg(number));
    const bool zlib = entry.packing == PackingZlib;
    if (!zlib && entry.storedLength != entry.unpackedLength) {
        return fail(QStringLiteral("chunk %1 is stored in %2 bytes but counts %3")
                        .arg(number)
                        .arg(entry.storedLength)
                        .arg(entry.unpackedLength));
    }
    MapChunk chunk;
    chunk.start = m_size;
    chunk.length = entry.unpackedLength;
    chunk.dataOffset = qint64(entry.dataOffset + entry.headerLength);
    chunk.storedLength = entry.storedLength;
    chunk.zlib = zlib;
    chunk.storedChecksum = entry.checksum;
    m_chunks.push_back(chunk);
    m_size += chunk.length;
    return Status();
}

// Every chunk but the last is whole, so that map offsets fall into chunks by
// plain division and no block straddles two chunks.
Status MapContainer::checkLengths()
{
    const qint64 last = qint64(m_chunks.size()) - 1;
    for (qint64 k = 0; k <= last; ++k) {
        const qint64 length = m_chunks[size_t(k)].length;
        if (k < last && length != ChunkSize)
            return fail(
                QStringLiteral("chunk %1 holds %2 bytes instead of %3").arg(k).arg(length).arg(ChunkSize));
        if (length > ChunkSize)
            return fail(
                QStringLiteral("chunk %1 holds %2 bytes, more than %3").arg(k).arg(length).arg(ChunkSize));
    }
    return Status();
}

QString MapContainer::strayEntryReason(const UopDirectory& directory) const
{
    const qint64 missing = qint64(m_chunks.size());
    const qint64 searchEnd = qint64(directory.entries().size()) + ChunkSearchSlack;
    for (qint64 k = missing + 1; k < searchEnd; ++k) {
        if (directory.find(chunkHash(m_facet, k)))
            return QStringLiteral("chunk %1 is missing").arg(missing);
    }
    QSet<quint64> chunkHashes;
    for (qint64 k = 0; k < missing; ++k)
        chunkHashes.insert(chunkHash(m_facet, k));
    for (const UopEntry& entry : directory.entries()) {
        if (!chunkHashes.contains(entry.hash))
            return QStringLiteral("entry %1 is not a chunk of map %2").arg(entry.ordinal).arg(m_facet);
    }
    return QStringLiteral("it holds entries that are no chunks of map %1").arg(m_facet);
}

Status unreadableChunk(qint64 number, const Status& read)
{
    QString reason = QStringLiteral("chunk %1 cannot be read").arg(number);
    if (!read.is(Status::Kind::Damaged))
        reason += QLatin1String(": ") + read.reason();
    return Status::fileFailure(read.kind(), read.file(), reason);
}

// A refused container shows nothing of what was read before the damage, or
// before a read failed.
Status MapContainer::fail(const Status& cause)
{
    m_chunks.clear();
    m_facet = -1;
    m_size = 0;
    return cause.withFile(m_path);
}

Status MapContainer::fail(const QString& reason)
{
    return fail(Status::fileFailure(Status::Kind::Damaged, m_path, reason));
}

}  // namespace quillmark
