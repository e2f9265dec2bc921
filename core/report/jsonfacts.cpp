#include "jsonfacts.h"

#include "patchcheck.h"

namespace quillmark {

namespace {

// `text` as a JSON string: quotes, backslashes and control characters
// escaped, the rest as it is (the file is UTF-8).
QString jsonString(const QString& text)
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
    return quoted + QLatin1Char('"');
}

QString caseName(BaseCase found)
{
    switch (found) {
    case BaseCase::NotChecked:
        return QStringLiteral("notChecked");
    case BaseCase::Exact:
        return QStringLiteral("exact");
    case BaseCase::AlreadyApplied:
        return QStringLiteral("alreadyApplied");
    case BaseCase::Fits:
        return QStringLiteral("fits");
    case BaseCase::Conflict:
        return QStringLiteral("conflict");
    }
    return QString();
}

}  // namespace

void JsonFacts::begin(const ReportFacts& facts)
{
    m_out.write(QStringLiteral("{\"facet\": %1, \"widthBlocks\": %2, \"heightBlocks\": %3, "
                               "\"noOpRecords\": %4, \"recordsNotDrawn\": %5,\n")
                    .arg(facts.facet)
                    .arg(facts.widthBlocks)
                    .arg(facts.heightBlocks)
                    .arg(facts.noOpRecords)
                    .arg(facts.damagedRecords));
    for (const BaseFinding& found : facts.bases)
        base(found, facts);
    m_out.write("\"regions\": [");
}

void JsonFacts::base(const BaseFinding& base, const ReportFacts& facts)
{
    const BaseVerdict& verdict = base.verdict;
    m_out.write(
        QStringLiteral("\"%1\": {\"case\": \"%2\", \"text\": %3, \"manifest\": %4,\n \"conflicts\": [")
            .arg(base.kind == PatchKind::Map ? QLatin1String("mapBase") : QLatin1String("staticsBase"),
                 caseName(verdict.found), jsonString(baseCaseText(verdict, facts.heightBlocks)),
                 verdict.manifest.isEmpty() ? QStringLiteral("null") : jsonString(verdict.manifest)));
    m_firstInList = true;
    for (const qint64 block : verdict.conflicts) {
        separate();
        m_out.write(QStringLiteral("{\"block\": %1, \"x\": %2, \"y\": %3}")
                        .arg(block)
                        .arg(facts.blockX(block) * TilesPerSide)
                        .arg(facts.blockY(block) * TilesPerSide));
    }
    m_out.write("]},\n");
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
