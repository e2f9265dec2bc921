#pragma once

#include "inputfile.h"
#include "mapcontainer.h"

#include <QString>

#include <memory>

namespace quillmark {

// Unpacks the zlib chunks of a container, one at a time, into one buffer of
// at most a chunk's size: memory stays bounded whatever a stream holds, and a stream
// that would unpack to more or fewer bytes than its entry states is refused.
// The chunk last unpacked is kept, so views within it cost nothing more.
class ChunkInflater
{
public:
    // Points `bytes` at the unpacked bytes of chunk `number`, valid until
    // another chunk is unpacked; fails when its stream is damaged.
    Status unpack(InputFile& file, const MapChunk& chunk, qint64 number, const char*& bytes);
    void release();

private:
    Status inflateChunk(InputFile& file, const MapChunk& chunk, qint64 number);

    std::unique_ptr<char[]> m_buffer;
    qint64 m_capacity = 0;
    qint64 m_held = -1;
};

}  // namespace quillmark
