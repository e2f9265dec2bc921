#include "regionwriter.h"

#include "pagelimits.h"

#include <algorithm>

namespace quillmark {

namespace {

template <typename Item>
bool keep(std::vector<Item>& list, const Item& item)
{
    if (qint64(list.size()) < ListedChanges)
        list.push_back(item);
    return qint64(list.size()) < ListedChanges;
}

// The statics of a tile, the first few of them.
QString itemsText(const std::vector<StaticItem>& items)
{
    constexpr size_t Listed = 8;
    if (items.empty())
        return QStringLiteral("no statics");
    QStringList each;
    for (size_t i = 0; i < items.size() && i < Listed; ++i)
        each << QStringLiteral("%1 at altitude %2, hue %3")
                    .arg(hexNumber(items[i].id))
                    .arg(int(items[i].z))
                    .arg(items[i].hue);
    if (items.size() > Listed)
        each << QStringLiteral("… and %1 more").arg(items.size() - Listed);
    return each.join(QLatin1String("; "));
}

QString cellText(const LandCell& cell)
{
    return QStringLiteral("tile %1 at altitude %2").arg(hexNumber(cell.tile)).arg(int(cell.z));
}

// The statics of the tile at (x, y) of a block, from its sorted entries placed within it.
std::vector<StaticItem> onTile(const std::vector<StaticItem>& items, int x, int y)
{
    std::vector<StaticItem> found;
    for (const StaticItem& item : items) {
        if (item.x == x && item.y == y)
            found.push_back(item);
    }
    return found;
}

}  // namespace

std::vector<qint64> mergeTilesByRegion(const ReportFacts& facts)
{
    std::vector<qint64> tiles(facts.regions.size(), 0);
    const RegionFinder finder(facts);
    for (const ConflictingBlock& block : facts.conflictingBlocks) {
        if (const qint64 region = finder.regionOf(block.block); region >= 0)
            tiles[size_t(region)] +=
                qPopulationCount(block.mapConflicts) + qPopulationCount(block.staticsConflicts);
    }
    return tiles;
}

RegionWriter::RegionWriter(ReportInputs& inputs, const ReportFacts& facts, const PictureStyle& style,
                           JsonFacts* json, QString firstPage)
    : m_inputs(inputs),
      m_facts(facts),
      m_style(style),
      m_json(json),
      m_firstPage(std::move(firstPage)),
      m_painter(facts, style, inputs)
{
    const RegionFinder finder(facts);
    for (const BaseFinding& base : facts.bases) {
        for (const qint64 block : base.verdict.conflicts) {
            if (const qint64 region = finder.regionOf(block); region >= 0)
                m_conflicts.emplace_back(region, base.kind, block);
        }
    }
    std::sort(m_conflicts.begin(), m_conflicts.end());
    m_mergeTiles = mergeTilesByRegion(facts);
}

// visit(block, changes) for each changed block of the region, in block
// order, until it returns false.
Status RegionWriter::visit(const Region& region, const Visit& visitBlock)
{
    for (qint64 i = region.firstBlock; i < region.firstBlock + region.blocks; ++i) {
        const qint64 block = m_facts.regionBlocks[size_t(i)];
        if (const Status read = m_inputs.read(block, Access::Anywhere, false, m_bytes); read.failed())
            return read;
        const TileRect tiles = m_facts.tilesOf(block);
        if (!visitBlock(block, m_comparer.compare(m_bytes, tiles.x, tiles.y)))
            break;
    }
    return Status();
}

// Every change of a region as its first part's drawing finds it: into the
// JSON facts, and the first of each kind into `lists`. The facts list the
// land cells first, so the statics added and removed are held meanwhile,
// unless there are more than a bounded number of them.
ChangesSeen RegionWriter::collector(RegionLists& lists)
{
    m_added.clear();
    m_removed.clear();
    m_heldAll = true;
    return [this, &lists](const BlockChanges& changes) {
        for (const LandCellChange& change : changes.land) {
            keep(lists.land, change);
            if (m_json)
                m_json->landCell(change);
        }
        for (const StaticItem& item : changes.added)
            keep(lists.added, item);
        for (const StaticItem& item : changes.removed)
            keep(lists.removed, item);
        if (m_json && m_heldAll) {
            m_added.insert(m_added.end(), changes.added.begin(), changes.added.end());
            m_removed.insert(m_removed.end(), changes.removed.begin(), changes.removed.end());
            m_heldAll = m_added.size() + m_removed.size() <= MaxHeldStatics;
        }
    };
}

// The statics added, then removed, into the JSON facts: those held, or,
// when there were too many to hold, each kind read again.
Status RegionWriter::writeStatics(const Region& region)
{
    Status written;
    for (const auto& [member, held] :
         {std::pair{&BlockChanges::added, &m_added}, std::pair{&BlockChanges::removed, &m_removed}}) {
        if (member == &BlockChanges::added)
            m_json->beginStaticsAdded();
        else
            m_json->beginStaticsRemoved();
        if (m_heldAll) {
            for (const StaticItem& item : *held)
                m_json->staticItem(item);
        } else if (written.ok()) {
            written = visit(region, [this, member = member](qint64, const BlockChanges& changes) {
                for (const StaticItem& item : changes.*member)
                    m_json->staticItem(item);
                return true;
            });
        }
    }
    return written;
}

// The cells of a block that does not fit where the base and the patch differ,
// or its tiles whose statics differ, as the comparer last found them.
void RegionWriter::conflictRows(PatchKind files, const TileRect& block, RegionConflicts& found)
{
    const BlockChanges& changes = m_comparer.compare(m_bytes, block.x, block.y);
    const auto row = [&found](ConflictRow conflict) {
        if (++found.rows <= ListedChanges)
            found.shown.push_back(std::move(conflict));
    };
    if (files == PatchKind::Map) {
        for (const LandCellChange& cell : changes.land) {
            row({files, cell.x, cell.y, cellText(cell.before), cellText(cell.after)});
            if (m_json)
                m_json->conflictCell(cell);
        }
        return;
    }
    for (int cell = 0; cell < CellsPerBlock; ++cell) {
        if (!((changes.staticsAdded | changes.staticsRemoved) & (quint64(1) << cell)))
            continue;
        const int x = cell % TilesPerSide, y = cell / TilesPerSide;
        const std::vector<StaticItem> base = onTile(m_comparer.staticsBefore(), x, y);
        const std::vector<StaticItem> patch = onTile(m_comparer.staticsAfter(), x, y);
        row({files, block.x + x, block.y + y, itemsText(base), itemsText(patch)});
        if (m_json)
            m_json->conflictTile(block.x + x, block.y + y, base, patch);
    }
}

Status RegionWriter::conflicts(size_t index, RegionConflicts& found)
{
    if (m_json)
        m_json->beginConflicts();
    const auto first =
        std::lower_bound(m_conflicts.begin(), m_conflicts.end(),
                         std::tuple<qint64, PatchKind, qint64>(qint64(index), PatchKind::Map, 0));
    for (auto at = first; at != m_conflicts.end() && std::get<0>(*at) == qint64(index); ++at) {
        const PatchKind files = std::get<1>(*at);
        const qint64 block = std::get<2>(*at);
        const TileRect tiles = m_facts.tilesOf(block);
        found.blocks.push_back(tiles);
        if (const Status read = m_inputs.read(block, Access::Anywhere, false, m_bytes); read.failed())
            return read;
        if (m_json)
            m_json->beginConflictBlock(files, block, tiles);
        conflictRows(files, tiles, found);
        if (m_json)
            m_json->endConflictBlock();
    }
    return Status();
}

Status RegionWriter::write(size_t index, PageSet& pages)
{
    const Region& region = m_facts.regions[index];
    const std::vector<PicturePart> parts = partsOf(region, m_facts, m_style.outline);
    RegionLists lists;
    RegionConflicts conflicts;
    conflicts.mergeTiles = m_mergeTiles[index];
    if (m_json)
        m_json->beginRegion(region);
    const ChangesSeen seen = collector(lists);
    PartImages images;
    if (const Status painted = m_painter.paint(region, parts.front(), images, &seen); painted.failed())
        return painted;
    if (m_json) {
        if (const Status written = writeStatics(region); written.failed())
            return written;
    }
    if (const Status found = this->conflicts(index, conflicts); found.failed())
        return found;
    if (m_json)
        m_json->endRegion();
    const qint64 number = qint64(index) + 1;
    const RegionPage page{number, region, lists, conflicts, m_firstPage, qint64(parts.size()) - 1};
    for (size_t p = 0; p < parts.size(); ++p) {
        if (p > 0) {
            if (const Status painted = m_painter.paint(region, parts[p], images); painted.failed())
                return painted;
        }
        const bool detail = parts[p].kind == PicturePart::Kind::Detail;
        const QString id = detail ? QStringLiteral("region-%1-detail-%2").arg(number).arg(p)
                                  : QStringLiteral("region-%1").arg(number);
        std::vector<TileRect> framed;
        for (const TileRect& block : conflicts.blocks) {
            if (!block.intersected(parts[p].area).isEmpty())
                framed.push_back(block);
        }
        const QString caption = detail ? QStringLiteral("Region %1, detail %2").arg(number).arg(p)
                                       : QStringLiteral("Region %1").arg(number);
        const PartViews views{
            id, caption, number, parts[p], images, std::move(framed), conflictCells(m_facts, parts[p])};
        Html html;
        if (detail)
            writeDetailSection(html, page, views, qint64(p));
        else
            writeRegionSection(html, page, views);
        if (const Status added = pages.add(index, html.takeBytes()); added.failed())
            return added;
    }
    return Status();
}

}  // namespace quillmark
