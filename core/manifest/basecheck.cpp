#include "basecheck.h"

#include "facets.h"

#include <QStringList>

namespace quillmark {

QString worldTiles(const std::vector<qint64>& blocks, qint64 heightBlocks, size_t most)
{
    const qint64 height = qMax<qint64>(1, heightBlocks);
    QStringList tiles;
    for (size_t i = 0; i < blocks.size() && i < most; ++i)
        tiles << QStringLiteral("%1,%2").arg(blocks[i] / height * 8).arg(blocks[i] % height * 8);
    if (blocks.size() > most)
        tiles << QStringLiteral("...");
    return tiles.join(QLatin1Char(' '));
}

BaseCheck::BaseCheck(const Manifest& manifest, const QString& manifestPath, Sketch sketch)
    : m_manifest(manifest),
      m_sketch(BlockSketch::cellsFor(qint64(manifest.records.size()))),
      m_sketchInWalk(sketch == Sketch::InWalk)
{
    m_verdict.manifest = manifestPath;
    m_verdict.facet = manifest.facet;
    m_verdict.records = qint64(manifest.records.size());
}

void BaseCheck::placeBase(int facet, qint64 heightBlocks)
{
    m_verdict.otherFacet = facet == m_manifest.facet ? -1 : facet;
    m_verdict.heightBlocks = heightBlocks;
}

void BaseCheck::addDamagedBlock(qint64 block)
{
    // Stands for no content at all: never a reference's or a current copy's
    // block, and so never the same base as either.
    constexpr quint64 Damaged = 0xda3a9edb10c0ffeeULL;
    m_base.add(Damaged);
    if (replaces(block)) {
        ++m_next;
        m_verdict.conflicts.push_back(block);
    } else if (m_sketchInWalk) {
        m_sketch.add(block, Damaged);
    }
}

void BaseCheck::checkReplaced(qint64 block, quint64 hash)
{
    const ManifestRecord& record = m_manifest.records[m_next++];
    if (hash == record.after)
        ++m_verdict.alreadyPatched;
    else if (hash != record.before)
        m_verdict.conflicts.push_back(block);
}

// The reference's sketch less the blocks the patch replaces, as they were
// there, against the base's sketch of the others: what is left is the other
// blocks in which the two differ.
void BaseCheck::countOthers(qint64 baseBlocks)
{
    std::optional<BlockSketch> reference =
        BlockSketch::fromBytes(m_manifest.referenceSketch, m_sketch.cells());
    if (!reference)
        return;
    for (const ManifestRecord& record : m_manifest.records)
        reference->remove(record.block, record.before);
    BlockSketch difference = m_sketch;
    difference.subtract(*reference);
    BlockSketch::Remaining others = difference.blocks(qMax(baseBlocks, m_manifest.reference.blocks));
    m_verdict.otherBlocks = others.atLeast;
    m_verdict.otherBlocksExact = others.complete;
    m_verdict.others = std::move(others.blocks);
}

BaseVerdict BaseCheck::conclude(qint64 baseBlocks)
{
    // Records past the base's end replace blocks it does not have.
    for (; m_next < m_manifest.records.size(); ++m_next)
        m_verdict.conflicts.push_back(m_manifest.records[m_next].block);
    const Hash128 content = m_base.digest();
    m_baseIsReference = content == m_manifest.reference.content;
    if (m_baseIsReference) {
        m_verdict.found = BaseCase::Exact;
    } else if (content == m_manifest.current.content) {
        m_verdict.found = BaseCase::AlreadyApplied;
    } else {
        m_verdict.found = m_verdict.conflicts.empty() ? BaseCase::Fits : BaseCase::Conflict;
        if (m_sketchInWalk)
            countOthers(baseBlocks);
        m_sketchAsked = !m_sketchInWalk;
        m_next = 0;
    }
    if (m_verdict.otherFacet >= 0)
        m_verdict.found = BaseCase::Conflict;
    return m_verdict;
}

void BaseCheck::addSketchBlock(qint64 block, quint64 hash)
{
    if (replaces(block))
        ++m_next;
    else
        m_sketch.add(block, hash);
}

BaseVerdict BaseCheck::concludeSketch(qint64 baseBlocks)
{
    countOthers(baseBlocks);
    m_sketchAsked = false;
    return m_verdict;
}

}  // namespace quillmark
