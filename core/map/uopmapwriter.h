#pragma once

#include "stagedfile.h"

#include <QByteArray>
#include <QString>

#include <vector>

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
//
//   UopMapWriter out(uopformat::mapContainerName(dir, facet), facet, size);
//   out.create();  out.append(...) ...;  out.finish() && commitStaged({&out.staged()});
//   (or out.staged().create() and out.start() in place of out.create())
class UopMapWriter
{
public:
    static constexpr qint64 DefaultCapacity = 1000;
    static constexpr qint64 FirstTableOffset = 512;

    // `capacity`, the entries per table, is other than 1000 only where a
    // chain of tables is wanted from a small map (tests).
    UopMapWriter(const QString& target, int facet, qint64 mapSize, qint64 capacity = DefaultCapacity);

    // Creates the staged file and writes the header and tables. False when
    // the target cannot be created (as StagedFile::create), or when the
    // facet is not 0 to 5 or the capacity not 1 to 65535.
    bool create();

    // Writes the header and tables into the staged file once someone else
    // has created it (a job creates all its outputs in one place, see
    // BlockWalk). False when the facet or capacity cannot be written.
    bool start();

    // The map's next bytes, in order; more than the map's size in all is a
    // failure.
    void append(const char* bytes, qint64 length);

    // Map bytes appended so far.
    qint64 size() const { return m_appended; }
    bool failed() const { return m_overrun || m_file.failed(); }

    // Fills in the checksums once the whole map is appended; false when it is
    // not, or when a write failed. The file is then ready for commitStaged().
    bool finish();

    StagedFile& staged() { return m_file; }
    const QString& target() const { return m_file.target(); }

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
