#include "replacementtable.h"

#include "difformat.h"
#include "inputfile.h"

#include <QtEndian>

#include <algorithm>

bool ReplacementTable::load(InputFile& locator)
{
    using difformat::LocatorRecordSize;
    const qint64 records = locator.size() / LocatorRecordSize;
    constexpr qint64 RecordsPerRead = InputFile::MaxView / LocatorRecordSize;
    for (qint64 first = 0; first < records; first += RecordsPerRead) {
        const qint64 count = qMin(RecordsPerRead, records - first);
        const char* bytes = locator.view(first * LocatorRecordSize, count * LocatorRecordSize);
        if (!bytes)
            return false;
        for (qint64 i = 0; i < count; ++i) {
            const qint32 block = qFromLittleEndian<qint32>(bytes + i * LocatorRecordSize);
            if (block >= 0 && block < m_blockCount)
                m_entries.push_back({block, first + i});
        }
    }
    // Sorting by (block, ordinal) puts each block's first record in front of
    // its repeats, which unique() then drops.
    std::sort(m_entries.begin(), m_entries.end(), [](const Entry& a, const Entry& b) {
        return a.block != b.block ? a.block < b.block : a.ordinal < b.ordinal;
    });
    const auto repeats = std::unique(m_entries.begin(), m_entries.end(),
                                     [](const Entry& a, const Entry& b) { return a.block == b.block; });
    m_entries.erase(repeats, m_entries.end());
    m_entries.shrink_to_fit();
    return true;
}

qint64 ReplacementTable::findNext(qint64 block)
{
    if (m_next > 0 && m_entries[m_next - 1].block >= block)
        m_next = 0;
    while (m_next < m_entries.size() && m_entries[m_next].block < block)
        ++m_next;
    return m_next < m_entries.size() && m_entries[m_next].block == block ? m_entries[m_next].ordinal : -1;
}

qint64 ReplacementTable::find(qint64 block) const
{
    const auto at = std::lower_bound(m_entries.begin(), m_entries.end(), block,
                                     [](const Entry& entry, qint64 wanted) { return entry.block < wanted; });
    return at != m_entries.end() && at->block == block ? at->ordinal : -1;
}
