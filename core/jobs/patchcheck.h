#pragma once

// What a combination (or a verification) does with the manifest beside its
// difference files: find it by the locator's name, refuse it when it does
// not hold together or does not describe the files, and, once the base has
// been walked, turn what the base check found into the job's outcome.

#include "basecheck.h"
#include "input.h"
#include "joboutcome.h"
#include "manifest.h"
#include "mapinput.h"

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>

namespace quillmark {

// The manifest a combination checks its base against, when there is one.
struct PatchManifest
{
    QString path;  // the manifest, or the name it would have; empty for a locator named otherwise
    std::unique_ptr<Manifest> manifest;  // none: the base is not checked

    // The check to run through the walk over the base; none without a manifest.
    std::unique_ptr<BaseCheck> startCheck(BaseCheck::Sketch sketch = BaseCheck::Sketch::InWalk) const
    {
        return manifest ? std::make_unique<BaseCheck>(*manifest, path, sketch) : nullptr;
    }
};

// Finds and reads the manifest of the difference files `difFiles` (open,
// in the order of the kind's roles, the locator first). A manifest that
// does not hold together fails with `openMessage` and the reason; difference
// files that are not the ones it describes fail with "Dif files do not match
// their manifest", and one that cannot be read with `readMessage`. Without a
// manifest there is nothing to check, and that is no failure.
Status loadPatchManifest(PatchKind kind, std::initializer_list<Input*> difFiles, const QString& openMessage,
                         const QString& readMessage, FileSystem& files, PatchManifest& patch);

// The base's blocks once more, for the sketch a check left out of the walk.
using SketchPass = std::function<Status(BaseCheck&)>;
Status sketchMapBase(MapInput& map, qint64 blocks, BaseCheck& check);
Status sketchStaticsBase(Input& index, Input& data, qint64 blocks, BaseCheck& check);

// How a combination treats the base check: a conflict fails the job unless
// it is forced, or, for a verification, is what it found.
struct BaseCheckRule
{
    bool forced = false;
    bool conflictIsFinding = false;
};

// Tells `check` (none without a manifest) the facet of the base, when one
// was chosen (else the manifest's is taken), and the height of its grid in
// blocks (0: the facet's).
void placeBase(BaseCheck* check, std::optional<int> facet, qint64 heightBlocks);

// What the base check found, once the walk over the base's `baseBlocks`
// blocks is over (and, when it asks for it, `sketchPass`): a conflict fails
// the job with `conflictMessage` naming `base`, as `rule` says; the result of
// a base that is the reference must have the content the patch was made
// for. `check` may be none (no manifest).
Status concludeBaseCheck(BaseCheck* check, const PatchManifest& patch, qint64 baseBlocks,
                         const BaseCheckRule& rule, const QString& conflictMessage, const QString& base,
                         const SketchPass& sketchPass, BaseVerdict& verdict);

// What a base check found, in the words the command-line tool prints after a
// combination's summary and the window shows beside its "Ready", e.g.
// "base fits: 3 other blocks differ from the patch's reference". Tiles lie
// in the verdict's grid.
QString baseCaseText(const BaseVerdict& verdict);
// The same, with the blocks in a grid `heightBlocks` high: a report's,
// which may be given a height.
QString baseCaseText(const BaseVerdict& verdict, qint64 heightBlocks);

// The reason a conflict gives: the facets, when the base is of another
// one than the patch; how many of the blocks the patch replaces hold
// something else, and where the first of them lie in the world.
QString conflictReason(const BaseVerdict& verdict);

}  // namespace quillmark
