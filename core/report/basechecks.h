#pragma once

// The map and statics that difference files are reviewed on, checked
// against the manifests beside those files as a combination checks its
// base: block by block inside the report's one walk over the facet, so that
// the facet is read once; then the case each is in, and the blocks the patch
// replaces that hold something other than what it was made against.

#include "reportfacts.h"
#include "reportinputs.h"

#include "basecheck.h"

#include <memory>
#include <vector>

namespace quillmark {

class BaseChecks
{
public:
    // A check for each set of difference files whose manifest `inputs` read.
    explicit BaseChecks(const ReportInputs& inputs);

    // Whether the walk must read every block's reference statics: the
    // statics' content is the hash of them all.
    bool needsAllStatics() const { return m_statics != nullptr; }

    // Each block of the reference as the walk reads it, in ascending order,
    // read with every block's statics when needsAllStatics().
    void add(qint64 block, const BlockBytes& bytes);

    // The case of each set of difference files given (map first), once the
    // walk has added all of the reference's `blocks` blocks.
    std::vector<BaseFinding> conclude(qint64 blocks);

private:
    const ReportInputs& m_inputs;
    std::unique_ptr<BaseCheck> m_map;
    std::unique_ptr<BaseCheck> m_statics;
};

// A finding in the words a combination prints, after the kind of files it
// is about: "statics base fits: 3 other blocks differ from the patch's
// reference", its blocks placed in a grid `heightBlocks` high.
QString baseText(const BaseFinding& base, qint64 heightBlocks);

}  // namespace quillmark
