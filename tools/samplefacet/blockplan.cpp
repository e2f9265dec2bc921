#include "blockplan.h"

#include "splitmix.h"

namespace quillmark {

namespace {

// Among unchanged blocks: a quarter without statics, as in the game's own
// facets where open water and bare land carry none, and a little noise that
// a generation must see through.
constexpr double UnchangedEmptyShare = 0.25;
constexpr double HeaderOnlyShare = 0.02;
constexpr double ExtraOnlyShare = 0.03;
constexpr double ZeroLengthShare = 0.002;

// Map makers rework a few areas of a facet, not blocks strewn evenly across
// it: a quarter of the areas of 8 x 8 blocks take four fifths of the changes.
// The weights keep the average share of changes as asked.
constexpr int AreaSide = 8;
constexpr double WorkedAreaShare = 0.25;
constexpr double WorkedAreaWeight = 0.8 / WorkedAreaShare;
constexpr double QuietAreaWeight = 0.2 / (1 - WorkedAreaShare);

constexpr quint64 PlanPurpose = 1;
constexpr quint64 AreaPurpose = 9;

double areaWeight(const SampleFacetOptions& options, qint64 block)
{
    const qint64 areaColumn = block / options.heightBlocks / AreaSide;
    const qint64 areaRow = block % options.heightBlocks / AreaSide;
    SplitMix area = SplitMix::forBlock(options.seed, (areaColumn << 20) ^ areaRow, AreaPurpose);
    return area.chance(WorkedAreaShare) ? WorkedAreaWeight : QuietAreaWeight;
}

}  // namespace

BlockPlan planBlock(const SampleFacetOptions& options, qint64 block)
{
    SplitMix random = SplitMix::forBlock(options.seed, block, PlanPurpose);
    BlockPlan plan;
    const double draw = random.unit() / areaWeight(options, block);
    if (draw < options.newShare) {
        plan.change = BlockChange::Added;
        plan.referenceEmpty = true;
    } else if (draw < options.newShare + options.emptiedShare) {
        plan.change = BlockChange::Emptied;
    } else if (draw < options.newShare + options.emptiedShare + options.changedShare) {
        plan.change = BlockChange::Edited;
    } else {
        plan.referenceEmpty = random.chance(UnchangedEmptyShare);
        plan.headerOnly = random.chance(HeaderOnlyShare);
        plan.extraOnly = !plan.referenceEmpty && random.chance(ExtraOnlyShare);
        plan.zeroLength = !plan.referenceEmpty && random.chance(ZeroLengthShare);
    }
    return plan;
}

}  // namespace quillmark
