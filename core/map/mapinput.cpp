#include "mapinput.h"

#include "uopformat.h"

#include <QtEndian>

#include <cstring>

using uopformat::ChunkSize;

MapInput::MapInput(const QString& path) : m_path(path), m_file(path) {}

bool MapInput::open()
{
    m_error.clear();
    m_isContainer = false;
    m_stored = StoredRange();
    if (!m_file.open()) {
        m_error = m_file.errorString();
        return false;
    }
    if (!startsWithMagic())
        return true;
    m_isContainer = true;
    if (!m_container.read(m_file)) {
        m_error = m_container.errorString();
        m_file.close();
        return false;
    }
    return true;
}

void MapInput::close()
{
    m_stored = StoredRange();
    m_file.close();
    m_inflater.release();
    m_joined.reset();
}

bool MapInput::startsWithMagic()
{
    const char* first = m_file.view(0, 4);
    return first && qFromLittleEndian<quint32>(first) == uopformat::Magic;
}

const char* MapInput::containerView(qint64 offset, qint64 length)
{
    if (offset < 0 || length < 0 || length > InputFile::MaxView || offset > m_container.size() - length)
        return nullptr;
    static const char noBytes[1] = {0};
    if (length == 0)
        return noBytes;
    // Every chunk but the last is whole, so a map offset falls into its chunk
    // by division.
    const qint64 first = offset / ChunkSize;
    if ((offset + length - 1) / ChunkSize == first)
        return chunkView(first, offset - first * ChunkSize, length);
    return joinedView(offset, length);
}

const char* MapInput::chunkView(qint64 number, qint64 offset, qint64 length)
{
    const MapChunk& chunk = m_container.chunks()[size_t(number)];
    if (chunk.zlib) {
        const char* unpacked = m_inflater.unpack(m_file, chunk, number);
        if (!unpacked)
            m_error = m_inflater.errorString();
        return unpacked ? unpacked + offset : nullptr;
    }
    m_stored = {chunk.start, chunk.start + chunk.length, chunk.dataOffset - chunk.start};
    const char* stored = m_file.view(chunk.dataOffset + offset, length);
    if (!stored)
        m_error = QStringLiteral("chunk %1 cannot be read").arg(number);
    return stored;
}

// A range across chunks is put together in a buffer of its own, piece by
// piece, each piece copied before the next is viewed.
const char* MapInput::joinedView(qint64 offset, qint64 length)
{
    if (!m_joined)
        m_joined.reset(new char[InputFile::MaxView]);
    qint64 done = 0;
    while (done < length) {
        const qint64 at = offset + done;
        const qint64 number = at / ChunkSize;
        const qint64 inChunk = at - number * ChunkSize;
        const qint64 piece = qMin(length - done, ChunkSize - inChunk);
        const char* bytes = chunkView(number, inChunk, piece);
        if (!bytes)
            return nullptr;
        memcpy(m_joined.get() + done, bytes, size_t(piece));
        done += piece;
    }
    return m_joined.get();
}
