#pragma once

#include "inputfile.h"

#include <QHash>
#include <QString>

#include <vector>

namespace quillmark {

// One used entry of a package container: where its bytes lie and how they
// are packed, as the container states it. Nothing here is trusted yet; the
// reader of the entry checks its ranges against the file.
struct UopEntry
{
    quint64 dataOffset = 0;
    quint32 headerLength = 0;
    quint32 storedLength = 0;
    quint32 unpackedLength = 0;
    quint64 hash = 0;
    quint16 packing = 0;
    quint32 checksum = 0;  // as the writer filled it in; never trusted
    int ordinal = 0;       // position among all entries read, unused ones included
};

// The directory of a package container: its header and its chain of tables,
// read into the list of used entries, each found by its name hash. Damage is
// refused with a reason instead of being followed: tables outside the file, a
// chain that loops or never ends, counts beyond a table's capacity or the
// file, unknown packings and two entries with one hash. Work and memory are bounded by
// MaxTables and MaxEntries, whatever the file claims.
class UopDirectory
{
public:
    static constexpr int MaxTables = 10000;
    static constexpr int MaxEntries = 1 << 18;  // read, used or not

    // Reads the directory of an open container file; fails with the reason
    // when it is damaged.
    Status read(InputFile& file);

    const std::vector<UopEntry>& entries() const { return m_entries; }
    // The entry whose name has this hash, or null.
    const UopEntry* find(quint64 hash) const;

private:
    Status readHeader(InputFile& file, quint64& firstTable, qint64& capacity);
    Status readTable(InputFile& file, quint64 offset, qint64 capacity, quint64& next);
    Status addEntry(const char* bytes);
    Status fail(const QString& reason) const;

    QString m_path;
    std::vector<UopEntry> m_entries;
    QHash<quint64, int> m_byHash;
    int m_entriesRead = 0;
};

}  // namespace quillmark
