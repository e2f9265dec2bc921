#pragma once

#include "uopdirectory.h"

#include <QString>

#include <vector>

namespace quillmark {

// One chunk of the map a container holds: map bytes from `start` on, checked
// to lie within the file.
struct MapChunk
{
    qint64 start = 0;       // offset in the map
    qint64 length = 0;      // unpacked length: the map bytes it holds
    qint64 dataOffset = 0;  // where its stored bytes begin in the file
    qint64 storedLength = 0;
    bool zlib = false;
    // The Adler-32 its entry states. Readers in the field do not check it
    // and tools fill it in differently, so reading never refuses a chunk for
    // it; inspection reports a mismatch.
    quint32 storedChecksum = 0;
};

// The map held in a package container: chunks 0, 1, ... of one facet, found
// by the hashes of their names and laid end to end. A container whose
// chunks do not make one whole map is refused with a reason: a missing
// chunk, an entry that is no chunk of the map, a chunk outside the file or
// of the wrong length.
class MapContainer
{
public:
    // Reads the container's directory and its chunks; fails with the reason
    // when it is damaged.
    Status read(InputFile& file);

    // The facet whose chunk names the container holds, 0 to 5.
    int facet() const { return m_facet; }
    // The map's size: the chunks' unpacked lengths added up.
    qint64 size() const { return m_size; }
    const std::vector<MapChunk>& chunks() const { return m_chunks; }

private:
    Status findFacet(const UopDirectory& directory);
    Status addChunk(const UopEntry& entry, qint64 fileSize);
    Status checkLengths();
    Status fail(const Status& cause);
    Status fail(const QString& reason);
    QString strayEntryReason(const UopDirectory& directory) const;

    QString m_path;
    std::vector<MapChunk> m_chunks;
    int m_facet = -1;
    qint64 m_size = 0;
};

// Chunk `number` could not be read (`read`): its bytes lie past the file's
// end, which is damage, or the system gave a reason, which is said too.
Status unreadableChunk(qint64 number, const Status& read);

}  // namespace quillmark
