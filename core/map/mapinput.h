#pragma once

#include "chunkinflater.h"
#include "inputfile.h"
#include "mapcontainer.h"

#include <QString>

#include <memory>

// A map file as the jobs read it: a plain map file, or a package container
// (map<n>LegacyMUL.uop) when its first four bytes are the container's magic,
// whatever its name. Either way it offers the map's own bytes: size() and
// view() speak of offsets in the map, not in the file. A container is read
// chunk by chunk through the same bounded memory as a plain file: stored
// chunks are viewed in place, zlib chunks unpacked one at a time. Opening
// checks the container's tables and chunks; a zlib stream is checked when it
// is unpacked, so that opening costs no pass over the data, and a damaged one
// fails the views that need it, with the reason.
class MapInput
{
public:
    explicit MapInput(const QString& path);
    MapInput(const MapInput&) = delete;
    MapInput& operator=(const MapInput&) = delete;

    // False when the file cannot be opened, or is a damaged container; the
    // reason is in errorString().
    bool open();
    void close();

    // The map's size: the file's for a plain map, the chunks' unpacked
    // lengths added up for a container.
    qint64 size() const { return m_isContainer ? m_container.size() : m_file.size(); }

    // The map's `length` bytes at `offset`, valid until the next call; null
    // when they lie outside the map or cannot be read (for a container, the
    // reason of an unreadable chunk is then in errorString()).
    // length <= InputFile::MaxView.
    const char* view(qint64 offset, qint64 length)
    {
        // Block after block within one stored chunk, the common walk, costs
        // no more than a plain file's view: two comparisons and an addition.
        if (offset >= m_stored.start && length <= m_stored.end - offset) {
            if (const char* bytes = m_file.view(offset + m_stored.fileDelta, length))
                return bytes;
        }
        if (m_isContainer)
            return containerView(offset, length);
        const char* bytes = m_file.view(offset, length);
        if (!bytes)
            m_error = m_file.errorString();
        return bytes;
    }

    const QString& path() const { return m_path; }
    // Why the last open() or view() failed.
    const QString& errorString() const { return m_error; }

    bool isContainer() const { return m_isContainer; }
    // The facet whose map a container holds (0 to 5); -1 for a plain file.
    int facet() const { return m_isContainer ? m_container.facet() : -1; }
    // The chunks of a container, empty for a plain file.
    const MapContainer& container() const { return m_container; }

private:
    // The map range of the stored chunk viewed last, and how far its bytes
    // lie from there in the file. Empty until a stored chunk is viewed.
    struct StoredRange
    {
        qint64 start = 0;
        qint64 end = 0;
        qint64 fileDelta = 0;
    };

    bool startsWithMagic();
    const char* containerView(qint64 offset, qint64 length);
    const char* chunkView(qint64 number, qint64 offset, qint64 length);
    const char* joinedView(qint64 offset, qint64 length);

    QString m_path;
    InputFile m_file;
    MapContainer m_container;
    ChunkInflater m_inflater;
    std::unique_ptr<char[]> m_joined;
    StoredRange m_stored;
    bool m_isContainer = false;
    QString m_error;
};
