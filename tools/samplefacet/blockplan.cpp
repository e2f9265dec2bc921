#include "blockplan.h"

#include "splitmix.h"

namespace {

// Among unchanged blocks: a quarter without statics, as in the game's own
// facets where open water and bare land carry none, and a little noise that
// a generation must see through.
constexpr double UnchangedEmptyShare = 0.25;
constexpr double HeaderOnlyShare = 0.02;
constexpr double ExtraOnlyShare = 0.03;
constexpr double ZeroLengthShare = 0.002;

constexpr quint64 PlanPurpose = 1;

} // namespace

BlockPlan planBlock(const SampleFacetOptions& options, qint64 block)
{
    SplitMix random = SplitMix::forBlock(options.seed, block, PlanPurpose);
    BlockPlan plan;
    const double draw = random.unit();
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
