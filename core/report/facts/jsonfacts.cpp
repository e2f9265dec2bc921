#include "jsonfacts.h"

#include "patchcheck.h"

namespace quillmark {

namespace {

const char* caseName(BaseCase found)
{
    switch (found) {
    case BaseCase::NotChecked:
        return "notChecked";
    case BaseCase::Exact:
        return "exact";
    case BaseCase::AlreadyApplied:
        return "alreadyApplied";
    case BaseCase::Fits:
        return "fits";
    case BaseCase::Conflict:
        return "conflict";
    }
    return "";
}

}  // namespace

// `text` as a JSON string: quotes, backslashes and control characters
// escaped, the rest as it is (the file is UTF-8).
void JsonFacts::string(const QString& text)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\') + c;
        else if (c.unicode() < 0x20)
            quoted += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            quoted += c;
    }
    m_out.utf8(quoted + QLatin1Char('"'));
}

void JsonFacts::begin(const ReportFacts& facts)
{
    m_out.raw("{\"formatVersion\": ").number(FormatVersion).raw(", \"facet\": ").number(facts.facet);
    m_out.raw(", \"widthBlocks\": ")
        .number(facts.widthBlocks)
        .raw(", \"heightBlocks\": ")
        .number(facts.heightBlocks);
    m_out.raw(", \"noOpRecords\": ").number(facts.noOpRecords);
    m_out.raw(", \"recordsNotDrawn\": ").number(facts.damagedRecords).raw(",\n");
    for (const BaseFinding& found : facts.bases)
        base(found, facts);
    m_out.raw("\"regions\": [");
}

void JsonFacts::base(const BaseFinding& base, const ReportFacts& facts)
{
    const BaseVerdict& verdict = base.verdict;
    m_out.raw(base.kind == PatchKind::Map ? "\"mapBase\"" : "\"staticsBase\"");
    m_out.raw(": {\"case\": \"").raw(caseName(verdict.found)).raw("\", \"text\": ");
    string(baseCaseText(verdict, facts.heightBlocks));
    m_out.raw(", \"manifest\": ");
    if (verdict.manifest.isEmpty())
        m_out.raw("null");
    else
        string(verdict.manifest);
    m_out.raw(",\n \"conflicts\": [");
    m_firstInList = true;
    for (const qint64 block : verdict.conflicts) {
        separate();
        const TileRect tiles = facts.tilesOf(block);
        m_out.raw("{\"block\": ")
            .number(block)
            .raw(", \"x\": ")
            .number(tiles.x)
            .raw(", \"y\": ")
            .number(tiles.y);
        m_out.raw("}");
    }
    m_out.raw("]},\n");
}

void JsonFacts::beginRegion(const Region& region)
{
    m_out.raw(m_firstRegion ? "\n" : ",\n");
    m_firstRegion = false;
    m_out.raw("{\"x\": ").number(region.x).raw(", \"y\": ").number(region.y);
    m_out.raw(", \"width\": ").number(region.width).raw(", \"height\": ").number(region.height);
    m_out.raw(", \"blocks\": ").number(region.blocks);
    const TileRect& tiles = region.changedTiles;
    m_out.raw(",\n \"changedTiles\": {\"x\": ").number(tiles.x).raw(", \"y\": ").number(tiles.y);
    m_out.raw(", \"width\": ").number(tiles.width).raw(", \"height\": ").number(tiles.height);
    m_out.raw("},\n \"landCells\": [");
    m_firstInList = true;
}

void JsonFacts::separate()
{
    m_out.raw(m_firstInList ? "\n  " : ",\n  ");
    m_firstInList = false;
}

void JsonFacts::landCell(const LandCellChange& change)
{
    separate();
    m_out.raw("{\"x\": ").number(change.x).raw(", \"y\": ").number(change.y);
    m_out.raw(", \"tileBefore\": ")
        .number(change.before.tile)
        .raw(", \"tileAfter\": ")
        .number(change.after.tile);
    m_out.raw(", \"zBefore\": ")
        .number(change.before.z)
        .raw(", \"zAfter\": ")
        .number(change.after.z)
        .raw("}");
}

void JsonFacts::beginStaticsAdded()
{
    m_out.raw("],\n \"staticsAdded\": [");
    m_firstInList = true;
}

void JsonFacts::beginStaticsRemoved()
{
    m_out.raw("],\n \"staticsRemoved\": [");
    m_firstInList = true;
}

void JsonFacts::staticItem(const StaticItem& item)
{
    separate();
    m_out.raw("{\"id\": ").number(item.id).raw(", \"x\": ").number(item.x).raw(", \"y\": ").number(item.y);
    m_out.raw(", \"z\": ").number(item.z).raw(", \"hue\": ").number(item.hue).raw("}");
}

void JsonFacts::beginConflicts()
{
    m_out.raw("],\n \"conflicts\": [");
    m_firstConflict = true;
}

void JsonFacts::beginConflictBlock(PatchKind files, qint64 block, const TileRect& tiles)
{
    m_out.raw(m_firstConflict ? "\n  " : ",\n  ");
    m_firstConflict = false;
    m_out.raw(files == PatchKind::Map ? "{\"files\": \"map\"" : "{\"files\": \"statics\"");
    m_out.raw(", \"block\": ")
        .number(block)
        .raw(", \"x\": ")
        .number(tiles.x)
        .raw(", \"y\": ")
        .number(tiles.y);
    m_out.raw(files == PatchKind::Map ? ", \"cells\": [" : ", \"tiles\": [");
    m_firstInList = true;
}

void JsonFacts::conflictCell(const LandCellChange& change)
{
    separate();
    m_out.raw("{\"x\": ").number(change.x).raw(", \"y\": ").number(change.y);
    m_out.raw(", \"tileBase\": ").number(change.before.tile).raw(", \"zBase\": ").number(change.before.z);
    m_out.raw(", \"tilePatch\": ")
        .number(change.after.tile)
        .raw(", \"zPatch\": ")
        .number(change.after.z)
        .raw("}");
}

void JsonFacts::items(const std::vector<StaticItem>& list)
{
    m_out.raw("[");
    for (size_t i = 0; i < list.size(); ++i) {
        m_out.raw(i == 0 ? "{\"id\": " : ", {\"id\": ").number(list[i].id);
        m_out.raw(", \"z\": ").number(list[i].z).raw(", \"hue\": ").number(list[i].hue).raw("}");
    }
    m_out.raw("]");
}

void JsonFacts::conflictTile(qint64 x, qint64 y, const std::vector<StaticItem>& base,
                             const std::vector<StaticItem>& patch)
{
    separate();
    m_out.raw("{\"x\": ").number(x).raw(", \"y\": ").number(y).raw(", \"base\": ");
    items(base);
    m_out.raw(", \"patch\": ");
    items(patch);
    m_out.raw("}");
}

void JsonFacts::endConflictBlock()
{
    m_out.raw("]}");
}

void JsonFacts::endRegion()
{
    m_out.raw("]}");
}

void JsonFacts::endRegions(const QStringList& pages)
{
    m_out.raw(m_firstRegion ? "],\n\"pages\": [" : "\n],\n\"pages\": [");
    for (qsizetype i = 0; i < pages.size(); ++i) {
        if (i > 0)
            m_out.raw(", ");
        string(pages[i]);
    }
    m_out.raw("]");
}

Output& JsonFacts::beginMergeConflicts()
{
    m_out.raw(",\n\"conflicts\": [");
    m_out.flush();
    return m_output;
}

void JsonFacts::endMergeConflicts(qint64 written)
{
    m_out.raw(written > 0 ? "\n]" : "]");
}

void JsonFacts::end()
{
    m_out.raw("}\n");
    m_out.flush();
}

}  // namespace quillmark
