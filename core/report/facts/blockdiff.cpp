#include "blockdiff.h"

#include <QStringList>
#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace quillmark {

namespace {

bool insideBlock(const char* entry)
{
    return quint8(entry[2]) < TilesPerSide && quint8(entry[3]) < TilesPerSide;
}

quint64 tileBit(qint64 x, qint64 y)
{
    return quint64(1) << (y * TilesPerSide + x);
}

}  // namespace

void decodeCells(const char* cells, BlockCells& out)
{
    for (int i = 0; i < CellsPerBlock; ++i) {
        const char* cell = cells + qsizetype(i) * LandCellSize;
        out[size_t(i)] = {qFromLittleEndian<quint16>(cell), qint8(cell[2])};
    }
}

void decodeStatics(const char* bytes, qint64 length, qint64 left, qint64 top, std::vector<StaticItem>& out)
{
    out.clear();
    for (qint64 at = 0; at + StaticEntrySize <= length; at += StaticEntrySize) {
        const char* entry = bytes + at;
        if (insideBlock(entry))
            out.push_back({qFromLittleEndian<quint16>(entry), left + quint8(entry[2]), top + quint8(entry[3]),
                           qint8(entry[4]), qFromLittleEndian<quint16>(entry + 5)});
    }
}

StaticsDamage staticsDamage(const char* bytes, qint64 length)
{
    StaticsDamage damage;
    damage.entries = length / StaticEntrySize;
    damage.partialBytes = length % StaticEntrySize;
    for (qint64 i = 0; i < damage.entries; ++i) {
        const char* entry = bytes + i * StaticEntrySize;
        if (insideBlock(entry))
            continue;
        if (damage.outside++ == 0) {
            damage.firstOutside = i;
            damage.x = quint8(entry[2]);
            damage.y = quint8(entry[3]);
        }
    }
    return damage;
}

QString StaticsDamage::reason() const
{
    QStringList reasons;
    if (partialBytes != 0)
        reasons << QStringLiteral("%1 bytes, not a whole number of %2-byte statics")
                       .arg(entries * StaticEntrySize + partialBytes)
                       .arg(StaticEntrySize);
    if (outside == 1)
        reasons << QStringLiteral("static %1 of %2 lies at x %3, y %4, outside its block")
                       .arg(firstOutside + 1)
                       .arg(entries)
                       .arg(x)
                       .arg(y);
    else if (outside > 1)
        reasons << QStringLiteral("%1 of its %2 statics lie outside their block (the first, static %3, at x "
                                  "%4, y %5)")
                       .arg(outside)
                       .arg(entries)
                       .arg(firstOutside + 1)
                       .arg(x)
                       .arg(y);
    return reasons.join(QLatin1String("; "));
}

ChangedBlock BlockChanges::summary(qint32 block, quint64 alsoTiles) const
{
    ChangedBlock changed{block,
                         quint32(added.size()),
                         quint32(removed.size()),
                         quint8(land.size()),
                         TilesPerSide,
                         TilesPerSide,
                         0,
                         0};
    for (int cell = 0; cell < CellsPerBlock; ++cell) {
        if (!((changedTiles | alsoTiles) & (quint64(1) << cell)))
            continue;
        const quint8 x = quint8(cell % TilesPerSide), y = quint8(cell / TilesPerSide);
        changed.firstX = qMin(changed.firstX, x);
        changed.firstY = qMin(changed.firstY, y);
        changed.lastX = qMax(changed.lastX, x);
        changed.lastY = qMax(changed.lastY, y);
    }
    return changed;
}

bool BlockComparer::cellsDiffer(const BlockBytes& bytes)
{
    return bytes.cellsBefore != bytes.cellsAfter
           && std::memcmp(bytes.cellsBefore, bytes.cellsAfter, size_t(CellsPerBlock) * LandCellSize) != 0;
}

const BlockChanges& BlockComparer::compare(const BlockBytes& bytes, qint64 left, qint64 top)
{
    m_changes.land.clear();
    m_changes.added.clear();
    m_changes.removed.clear();
    m_changes.changedTiles = 0;
    m_changes.tileReplaced = 0;
    m_changes.altitudeMoved = 0;
    m_changes.staticsAdded = 0;
    m_changes.staticsRemoved = 0;
    m_changes.damageBefore = StaticsDamage();
    m_changes.damageAfter = StaticsDamage();
    m_before.clear();
    m_after.clear();
    if (bytes.cellsBefore && bytes.cellsAfter && cellsDiffer(bytes))
        compareLand(bytes, left, top);
    if (bytes.staticsCompared)
        compareStatics(bytes, left, top);
    m_changes.changedTiles =
        m_changes.tileReplaced | m_changes.altitudeMoved | m_changes.staticsAdded | m_changes.staticsRemoved;
    return m_changes;
}

void BlockComparer::compareLand(const BlockBytes& bytes, qint64 left, qint64 top)
{
    BlockCells before, after;
    decodeCells(bytes.cellsBefore, before);
    decodeCells(bytes.cellsAfter, after);
    for (int i = 0; i < CellsPerBlock; ++i) {
        const LandCell& was = before[size_t(i)];
        const LandCell& is = after[size_t(i)];
        if (was == is)
            continue;
        m_changes.land.push_back({left + i % TilesPerSide, top + i / TilesPerSide, was, is});
        const quint64 bit = quint64(1) << i;
        if (was.tile != is.tile)
            m_changes.tileReplaced |= bit;
        if (was.z != is.z) {
            m_changes.altitudeMoved |= bit;
            m_changes.altitudeDelta[size_t(i)] = qint16(is.z - was.z);
        }
    }
}

// Both sides' entries compared as multisets; the damaged ones are left out.
void BlockComparer::compareStatics(const BlockBytes& bytes, qint64 left, qint64 top)
{
    m_changes.damageBefore = staticsDamage(bytes.staticsBefore, bytes.staticsBeforeLength);
    m_changes.damageAfter = staticsDamage(bytes.staticsAfter, bytes.staticsAfterLength);
    if (bytes.staticsBeforeLength == bytes.staticsAfterLength
        && (bytes.staticsBeforeLength == 0
            || std::memcmp(bytes.staticsBefore, bytes.staticsAfter, size_t(bytes.staticsBeforeLength)) == 0))
        return;
    decodeStatics(bytes.staticsBefore, bytes.staticsBeforeLength, 0, 0, m_before);
    decodeStatics(bytes.staticsAfter, bytes.staticsAfterLength, 0, 0, m_after);
    std::sort(m_before.begin(), m_before.end());
    std::sort(m_after.begin(), m_after.end());
    std::set_difference(m_after.begin(), m_after.end(), m_before.begin(), m_before.end(),
                        std::back_inserter(m_changes.added));
    std::set_difference(m_before.begin(), m_before.end(), m_after.begin(), m_after.end(),
                        std::back_inserter(m_changes.removed));
    for (auto [list, mask] : {std::pair{&m_changes.added, &m_changes.staticsAdded},
                              std::pair{&m_changes.removed, &m_changes.staticsRemoved}}) {
        for (StaticItem& item : *list) {
            *mask |= tileBit(item.x, item.y);
            item.x += left;
            item.y += top;
        }
    }
}

}  // namespace quillmark
