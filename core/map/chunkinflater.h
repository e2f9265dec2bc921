#pragma once

#include "inputfile.h"
#include "mapcontainer.h"

#include <QString>

#include <memory>

// Unpacks the zlib chunks of a container, one at a time, into one buffer of
// at most a chunk's size: memory stays bounded whatever a stream holds, and a stream
// that would unpack to more or fewer bytes than its entry states is refused.
// The chunk last unpacked is kept, so views within it cost nothing more.
class ChunkInflater
{
public:
    // The unpacked bytes of chunk `number`, valid until another chunk is
    // unpacked; null when its stream is damaged, with the reason in
    // errorString().
    const char* unpack(InputFile& file, const MapChunk& chunk, qint64 number);
    void release();
    const QString& errorString() const { return m_error; }

private:
    bool inflateChunk(InputFile& file, const MapChunk& chunk, qint64 number);

    std::unique_ptr<char[]> m_buffer;
    qint64 m_capacity = 0;
    qint64 m_held = -1;
    QString m_error;
};
