#pragma once

#include "output.h"
#include "stagedfile.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace quillmark {

// Writes a map as a package container (map<n>LegacyMUL.uop), staged like
// every other output. The map's size is known before its first byte, so the
// header and the tables go first and the map's bytes follow as they are
// appended, each chunk stored as it is (no packing) right after the one
// before. Only the chunks' checksums wait for their bytes: finish() fills
// them in.
//
// Layout: the header, zero bytes up to FirstTableOffset, the tables one after
// the other (1000 entries each, padded with zero entries), then chunk 0,
// chunk 1, ... Each chunk holds ChunkSize bytes of the map, the last one
// what is left.
class UopMapWriter final : public Output
{
public:
    static constexpr qint64 DefaultCapacity = 1000;
    static constexpr qint64 FirstTableOffset = 512;

    // `capacity`, the entries per table, is other than 1000 only where a
    // chain of tables is wanted from a small map (tests).
    UopMapWriter(const QString& target, int facet, qint64 mapSize, FileSystem& files,
                 qint64 capacity = DefaultCapacity);

    const QString& target() const override { return m_file.target(); }

    // Fails when the target cannot be created (as StagedFile::create), or
    // when the facet is not 0 to 5 or the capacity not 1 to 65535.
    Status create() override;
    // The map's next bytes, in order; more than the map's size in all is a
    // failure.
    void append(const char* bytes, qint64 length) override;
    // Map bytes appended so far.
    qint64 size() const override { return m_appended; }
    Status writeStatus() const override;
    // Fills in the checksums once the whole map is appended; fails when it
    // is not, or when a write failed.
    Status finish() override;
    StagedFile& staged() override { return m_file; }

private:
    bool canWrite() const;
    qint64 chunkCount() const;
    qint64 tableCount() const;
    qint64 tableSize() const;
    qint64 tableOffset(qint64 table) const;
    qint64 chunkLength(qint64 chunk) const;
    QByteArray headerBytes() const;
    QByteArray tableBytes(qint64 table) const;

    StagedFile m_file;
    int m_facet;
    qint64 m_mapSize;
    qint64 m_capacity;
    qint64 m_appended = 0;
    bool m_overrun = false;
    std::vector<quint32> m_checksums;
};

}  // namespace quillmark
