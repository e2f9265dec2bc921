#include "rebasecheck.h"

#include "mergemessages.h"

namespace quillmark {

Status concludeRebaseCheck(BaseCheck* check, const PatchManifest& patch, qint64 blocks,
                           const Input& reference, const char* readMessage, const SketchPass& sketchPass,
                           BaseVerdict& verdict)
{
    const SketchPass sketched = [&](BaseCheck& again) {
        const Status read = sketchPass(again);
        return read.failed() ? read.withMessage(QLatin1String(readMessage)) : read;
    };
    if (const Status concluded =
            concludeBaseCheck(check, patch, blocks, BaseCheckRule{}, mergemessage::NotThePatchsReference,
                              reference.path(), sketched, verdict);
        concluded.failed())
        return concluded;
    if (check && verdict.found != BaseCase::Exact)
        return Status::failure(Status::Kind::Conflict, mergemessage::NotThePatchsReference, reference.path(),
                               baseCaseText(verdict));
    return Status();
}

}  // namespace quillmark
