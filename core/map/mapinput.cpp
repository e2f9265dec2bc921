#include "mapinput.h"

#include "uopformat.h"

#include <QtEndian>

#include <cstring>

namespace quillmark {

using uopformat::ChunkSize;

MapInput::MapInput(const QString& path, FileSystem& files) : m_file(path, files) {}

Status MapInput::open()
{
    m_isContainer = false;
    m_stored = StoredRange();
    if (const Status opened = m_file.open(); opened.failed())
        return opened;
    bool container = false;
    Status read = readHeader(container);
    if (read.ok() && container) {
        m_isContainer = true;
        read = m_container.read(m_file);
    }
    if (read.failed())
        m_file.close();
    return read;
}

void MapInput::close()
{
    m_stored = StoredRange();
    m_file.close();
    m_inflater.release();
    m_joined.reset();
}

// A plain map's first block header is never interpreted and may hold any
// four bytes, the container's mark among them. A file is taken for a
// container only when the rest of its header agrees: a version this reader
// knows and a first table that lies inside the file. A container damaged
// past that is still refused, with what is wrong with it. A file shorter
// than a header is a plain map; one whose header cannot be read is neither
// (taken for a plain map, a container's bytes would be walked as blocks).
Status MapInput::readHeader(bool& container)
{
    using namespace uopformat;
    container = false;
    if (m_file.size() < HeaderSize)
        return Status();
    const char* header = nullptr;
    if (const Status viewed = m_file.view(0, HeaderSize, header); viewed.failed())
        return viewed;
    const quint32 version = qFromLittleEndian<quint32>(header + HeaderVersionAt);
    const quint64 firstTable = qFromLittleEndian<quint64>(header + HeaderFirstTableAt);
    container = qFromLittleEndian<quint32>(header) == Magic && version >= OldestVersion && version <= Version
                && firstTable >= quint64(HeaderSize)
                && firstTable <= quint64(m_file.size() - TableHeaderSize);
    return Status();
}

Status MapInput::containerView(qint64 offset, qint64 length, const char*& bytes)
{
    if (offset < 0 || length < 0 || length > MaxView || offset > m_container.size() - length)
        return Status::fileFailure(
            Status::Kind::Damaged, path(),
            QStringLiteral("%1 bytes at %2 lie outside the map").arg(length).arg(offset));
    static const char noBytes[1] = {0};
    bytes = noBytes;
    if (length == 0)
        return Status();
    // Every chunk but the last is whole, so a map offset falls into its chunk
    // by division.
    const qint64 first = offset / ChunkSize;
    if ((offset + length - 1) / ChunkSize == first)
        return chunkView(first, offset - first * ChunkSize, length, bytes);
    return joinedView(offset, length, bytes);
}

Status MapInput::chunkView(qint64 number, qint64 offset, qint64 length, const char*& bytes)
{
    const MapChunk& chunk = m_container.chunks()[size_t(number)];
    if (chunk.zlib) {
        const char* unpacked = nullptr;
        const Status status = m_inflater.unpack(m_file, chunk, number, unpacked);
        if (status.ok())
            bytes = unpacked + offset;
        return status;
    }
    m_stored = {chunk.start, chunk.start + chunk.length, chunk.dataOffset - chunk.start};
    if (const Status viewed = m_file.view(chunk.dataOffset + offset, length, bytes); viewed.failed())
        return unreadableChunk(number, viewed);
    return Status();
}

// A range across chunks is put together in a buffer of its own, piece by
// piece, each piece copied before the next is viewed.
Status MapInput::joinedView(qint64 offset, qint64 length, const char*& bytes)
{
    if (!m_joined)
        m_joined.reset(new char[size_t(MaxView)]);
    qint64 done = 0;
    while (done < length) {
        const qint64 at = offset + done;
        const qint64 number = at / ChunkSize;
        const qint64 inChunk = at - number * ChunkSize;
        const qint64 piece = qMin(length - done, ChunkSize - inChunk);
        const char* pieceBytes = nullptr;
        if (const Status viewed = chunkView(number, inChunk, piece, pieceBytes); viewed.failed())
            return viewed;
        memcpy(m_joined.get() + done, pieceBytes, size_t(piece));
        done += piece;
    }
    bytes = m_joined.get();
    return Status();
}

}  // namespace quillmark
