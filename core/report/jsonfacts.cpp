#include "jsonfacts.h"

namespace quillmark {

void JsonFacts::begin(const ReportFacts& facts)
{
    m_out.write(QStringLiteral("{\"facet\": %1, \"widthBlocks\": %2, \"heightBlocks\": %3, "
                               "\"noOpRecords\": %4, \"recordsNotDrawn\": %5,\n\"regions\": [")
                    .arg(facts.facet)
                    .arg(facts.widthBlocks)
                    .arg(facts.heightBlocks)
                    .arg(facts.noOpRecords)
                    .arg(facts.damagedRecords));
}

void JsonFacts::beginRegion(const Region& region)
{
    m_out.write(m_firstRegion ? "\n" : ",\n");
    m_firstRegion = false;
    m_out.write(QStringLiteral("{\"x\": %1, \"y\": %2, \"width\": %3, \"height\": %4, \"blocks\": %5,\n"
                               " \"landCells\": [")
                    .arg(region.x)
                    .arg(region.y)
                    .arg(region.width)
                    .arg(region.height)
                    .arg(region.blocks));
    m_firstInList = true;
}

void JsonFacts::separate()
{
    m_out.write(m_firstInList ? "\n  " : ",\n  ");
    m_firstInList = false;
}

void JsonFacts::landCell(const LandCellChange& change)
{
    separate();
    m_out.write(
        QStringLiteral(
            "{\"x\": %1, \"y\": %2, \"tileBefore\": %3, \"tileAfter\": %4, \"zBefore\": %5, \"zAfter\": %6}")
            .arg(change.x)
            .arg(change.y)
            .arg(change.before.tile)
            .arg(change.after.tile)
            .arg(int(change.before.z))
            .arg(int(change.after.z)));
}

void JsonFacts::beginStaticsAdded()
{
    m_out.write("],\n \"staticsAdded\": [");
    m_firstInList = true;
}

void JsonFacts::beginStaticsRemoved()
{
    m_out.write("],\n \"staticsRemoved\": [");
    m_firstInList = true;
}

void JsonFacts::staticItem(const StaticItem& item)
{
    separate();
    m_out.write(QStringLiteral("{\"id\": %1, \"x\": %2, \"y\": %3, \"z\": %4, \"hue\": %5}")
                    .arg(item.id)
                    .arg(item.x)
                    .arg(item.y)
                    .arg(int(item.z))
                    .arg(item.hue));
}

void JsonFacts::endRegion()
{
    m_out.write("]}");
}

void JsonFacts::end()
{
    m_out.write(m_firstRegion ? "]}\n" : "\n]}\n");
}

}  // namespace quillmark
