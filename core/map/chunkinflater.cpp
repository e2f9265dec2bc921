#include "chunkinflater.h"

#include "uopformat.h"

#include <zlib.h>

namespace quillmark {

namespace {

// zlib's stream state, ended however the unpacking leaves.
class InflateStream
{
public:
    InflateStream() { m_ready = inflateInit(&m_stream) == Z_OK; }
    ~InflateStream()
    {
        if (m_ready)
            inflateEnd(&m_stream);
    }
    InflateStream(const InflateStream&) = delete;
    InflateStream& operator=(const InflateStream&) = delete;

    bool ready() const { return m_ready; }
    z_stream& operator*() { return m_stream; }

private:
    z_stream m_stream{};
    bool m_ready = false;
};

}  // namespace

Status ChunkInflater::unpack(InputFile& file, const MapChunk& chunk, qint64 number, const char*& bytes)
{
    if (m_held != number) {
        if (const Status inflated = inflateChunk(file, chunk, number); inflated.failed())
            return inflated;
    }
    bytes = m_buffer.get();
    return Status();
}

void ChunkInflater::release()
{
    m_buffer.reset();
    m_capacity = 0;
    m_held = -1;
}

Status ChunkInflater::inflateChunk(InputFile& file, const MapChunk& chunk, qint64 number)
{
    m_held = -1;
    // One byte more than the chunk's length, so that a stream that goes on
    // past it is seen instead of silently cut. The length is at most a
    // chunk's, checked when the container was opened.
    const qint64 needed = chunk.length + 1;
    if (needed > m_capacity) {
        m_buffer.reset(new char[size_t(needed)]);
        m_capacity = needed;
    }
    InflateStream stream;
    if (!stream.ready())
        return Status::fileFailure(Status::Kind::OutOfMemory, file.path(),
                                   QStringLiteral("there is no memory to unpack chunk %1").arg(number));
    z_stream& z = *stream;
    z.next_out = reinterpret_cast<Bytef*>(m_buffer.get());
    z.avail_out = uInt(chunk.length + 1);
    int status = Z_OK;
    const Status read =
        forEachPiece(file, chunk.dataOffset, chunk.storedLength, [&](const char* bytes, qint64 length) {
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes));
            z.avail_in = uInt(length);
            status = inflate(&z, Z_NO_FLUSH);
            return status == Z_OK;
        });
    if (read.failed())
        return unreadableChunk(number, read);
    // The stream must end exactly with the stored bytes: bytes after its end
    // belong to nothing.
    if (status != Z_STREAM_END || qint64(z.total_in) != chunk.storedLength
        || qint64(z.total_out) != chunk.length)
        return Status::fileFailure(
            Status::Kind::Damaged, file.path(),
            QStringLiteral("chunk %1 does not unpack to its stated length").arg(number));
    m_held = number;
    return Status();
}

}  // namespace quillmark
