#pragma once

#include "chunkinflater.h"
#include "input.h"
#include "inputfile.h"
#include "mapcontainer.h"

#include <QString>

#include <memory>

namespace quillmark {

// A map file as the jobs read it: a plain map file, or a package container
// (map<n>LegacyMUL.uop) when its header holds together as one's, whatever
// its name. Either way it offers the map's own bytes: size() and view()
// speak of offsets in the map, not in the file. A container is read chunk by
// chunk through the same bounded memory as a plain file: stored chunks are
// viewed in place, zlib chunks unpacked one at a time. Opening checks the
// container's tables and chunks; a zlib stream is checked when it is
// unpacked, so that opening costs no pass over the data, and a damaged one
// fails the views that need it, with the reason.
class MapInput final : public Input
{
public:
    MapInput(const QString& path, FileSystem& files);

    // Fails when the file cannot be opened or its header read, or is a
    // damaged container.
    Status open() override;
    void close() override;

    const QString& path() const override { return m_file.path(); }
    // The map's size: the file's for a plain map, the chunks' unpacked
    // lengths added up for a container.
    qint64 size() const override { return m_isContainer ? m_container.size() : m_file.size(); }
    QByteArray identity() const override { return m_file.identity(); }

    Status view(qint64 offset, qint64 length, const char*& bytes) override
    {
        // Block after block within one stored chunk, the common walk, costs
        // no more than a plain file's view: two comparisons and an addition.
        if (offset >= m_stored.start && length <= m_stored.end - offset)
            return m_file.view(offset + m_stored.fileDelta, length, bytes);
        if (m_isContainer)
            return containerView(offset, length, bytes);
        return m_file.view(offset, length, bytes);
    }

    QString sizeText() const override
    {
        return m_isContainer ? QStringLiteral("%1 holds a map of %2 bytes").arg(path()).arg(size())
                             : Input::sizeText();
    }

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

    // Whether the header holds together as a container's.
    Status readHeader(bool& container);
    Status containerView(qint64 offset, qint64 length, const char*& bytes);
    Status chunkView(qint64 number, qint64 offset, qint64 length, const char*& bytes);
    Status joinedView(qint64 offset, qint64 length, const char*& bytes);

    InputFile m_file;
    MapContainer m_container;
    ChunkInflater m_inflater;
    std::unique_ptr<char[]> m_joined;
    StoredRange m_stored;
    bool m_isContainer = false;
};

}  // namespace quillmark
