#include "basechecks.h"

#include "fileformat.h"
#include "hashes.h"

namespace quillmark {

BaseChecks::BaseChecks(const ReportInputs& inputs) : m_inputs(inputs)
{
    // The sketch of the other blocks is made in the walk: a second pass
    // over the facet would cost more than the sketch does.
    if (const PatchManifest* map = inputs.patchManifest(PatchKind::Map))
        m_map = map->startCheck(BaseCheck::Sketch::InWalk);
    if (const PatchManifest* statics = inputs.patchManifest(PatchKind::Statics))
        m_statics = statics->startCheck(BaseCheck::Sketch::InWalk);
}

void BaseChecks::add(qint64 block, const BlockBytes& bytes)
{
    if (m_map)
        m_map->addBaseBlock(block, blockHash(bytes.cellsBefore, difformat::MapPayloadSize));
    // An empty block hashes to 0, which tells it from a present block of no bytes.
    if (m_statics)
        m_statics->addBaseBlock(block, bytes.staticsBeforePresent
                                           ? blockHash(bytes.staticsBefore, bytes.staticsBeforeLength)
                                           : 0);
}

std::vector<BaseFinding> BaseChecks::conclude(qint64 blocks)
{
    std::vector<BaseFinding> found;
    for (const PatchKind kind : {PatchKind::Map, PatchKind::Statics}) {
        const PatchManifest* patch = m_inputs.patchManifest(kind);
        if (!patch)
            continue;
        BaseCheck* check = kind == PatchKind::Map ? m_map.get() : m_statics.get();
        BaseFinding finding{kind, {}};
        if (check)
            finding.verdict = check->conclude(blocks);
        finding.verdict.manifest = patch->path;
        found.push_back(std::move(finding));
    }
    return found;
}

QString baseText(const BaseFinding& base, qint64 heightBlocks)
{
    return (base.kind == PatchKind::Map ? QStringLiteral("map ") : QStringLiteral("statics "))
           + baseCaseText(base.verdict, heightBlocks);
}

}  // namespace quillmark
