#include "staticsmerger.h"

#include "mergemessages.h"

namespace quillmark {

namespace {

enum Side { Base, Ours, Theirs };

}  // namespace

Status StaticsMerger::merge(qint64 block, const StaticsBlock& base, const StaticsBlock& ours,
                            const StaticsBlock& theirs, const StaticsBlock*& merged)
{
    bool oursIsBase = false, theirsIsBase = false, sidesAgree = false;
    Status compared = ours.sameBlock(base, oursIsBase);
    if (compared.ok())
        compared = theirs.sameBlock(base, theirsIsBase);
    if (compared.ok() && !oursIsBase && !theirsIsBase)
        compared = ours.sameBlock(theirs, sidesAgree);
    if (compared.failed())
        return compared;
    const BlockChange change = oursIsBase     ? (theirsIsBase ? BlockChange::None : BlockChange::Theirs)
                               : theirsIsBase ? BlockChange::Ours
                                              : BlockChange::Both;
    countChange(change, m_figures);
    merged = oursIsBase ? &theirs : &ours;
    if (oursIsBase || theirsIsBase || sidesAgree)
        return Status();
    merged = &m_merged;
    if (const Status read = readCells(block, {&base, &ours, &theirs}); read.failed())
        return read;
    mergeCells(block, ours, theirs);
    mergeEntry(base, ours, theirs);
    return Status();
}

Status StaticsMerger::readCells(qint64 block, const StaticsBlock* const (&sides)[3])
{
    for (int side = Base; side <= Theirs; ++side) {
        const StaticsBlock& read = *sides[side];
        QString reason;
        if (read.length() > Input::MaxView)
            return Status::failure(
                Status::Kind::TooLarge, mergemessage::staticsTooLargeToMerge(block), read.data->path(),
                QStringLiteral("Both sides changed it, and it holds %1 bytes, more than the "
                               "%2 a merge parts tile by tile")
                    .arg(read.length())
                    .arg(Input::MaxView),
                block);
        if (!m_cells[side].read(read.bytes, read.length(), reason))
            return Status::failure(Status::Kind::Damaged, m_damaged[size_t(side)](block), read.data->path(),
                                   reason, block);
    }
    return Status();
}

// A block whose cells all come out as one side has them is that side's
// statics in that side's order; any other has its cells in cell order.
void StaticsMerger::mergeCells(qint64 block, const StaticsBlock& ours, const StaticsBlock& theirs)
{
    m_bytes.clear();
    const StaticsCells(&cells)[3] = m_cells;
    bool likeOurs = true, likeTheirs = true;
    for (int cell = 0; cell < StaticsCells::Cells; ++cell) {
        const Take take = threeWay([&] { return cells[Ours].sameCell(cell, cells[Base]); },
                                   [&] { return cells[Theirs].sameCell(cell, cells[Base]); },
                                   [&] { return cells[Ours].sameCell(cell, cells[Theirs]); });
        if (take == Take::Conflict) {
            m_conflicts.add(block, cell % StaticsCells::CellsPerRow, cell / StaticsCells::CellsPerRow, [&] {
                return ConflictList::Values{ConflictList::staticsCell(cells[Base].statics(cell)),
                                            ConflictList::staticsCell(cells[Ours].statics(cell)),
                                            ConflictList::staticsCell(cells[Theirs].statics(cell))};
            });
        }
        const bool fromOurs = takesOurs(take, m_prefer);
        likeOurs = likeOurs && (fromOurs || cells[Theirs].sameCell(cell, cells[Ours]));
        likeTheirs = likeTheirs && (!fromOurs || cells[Ours].sameCell(cell, cells[Theirs]));
        cells[fromOurs ? Ours : Theirs].appendCell(cell, m_bytes);
    }
    if (likeOurs || likeTheirs) {
        const StaticsBlock& like = likeOurs ? ours : theirs;
        m_bytes.assign(like.bytes, like.bytes + like.length());
    }
}

// An absent block keeps the length its entry had on the side it comes from.
void StaticsMerger::mergeEntry(const StaticsBlock& base, const StaticsBlock& ours, const StaticsBlock& theirs)
{
    const StaticsBlock& presence = ours.present() != base.present() ? ours : theirs;
    const qint32 extra = changedSide(base.entry.extra, ours.entry.extra, theirs.entry.extra);
    m_merged = StaticsBlock();
    m_merged.bytes = m_bytes.data();
    if (presence.present() || !m_bytes.empty())
        m_merged.entry = {0, qint32(m_bytes.size()), extra};
    else
        m_merged.entry = {difformat::EmptyOffset, presence.entry.length, extra};
}

}  // namespace quillmark
