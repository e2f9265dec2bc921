#include "facetcheck.h"

#include "sequentialreader.h"

#include "diff/difformat.h"

#include <cstring>

using namespace difformat;

FacetCheck checkCombinedMap(const QString& editedMap, const QString& combinedMap)
{
    FacetCheck check;
    SequentialReader edited(editedMap, MapBlockSize);
    SequentialReader combined(combinedMap, MapBlockSize);
    for (SequentialReader* file : {&edited, &combined}) {
        if (!file->open()) {
            check.message =
                QStringLiteral("Unable to open %1").arg(file == &edited ? editedMap : combinedMap);
            return check;
        }
    }
    if (edited.records() != combined.records()) {
        check.message = QStringLiteral("the combined map has %1 blocks, the edited map %2")
                            .arg(combined.records())
                            .arg(edited.records());
        return check;
    }
    qint64 firstMismatch = -1;
    for (qint64 block = 0; block < edited.records(); ++block) {
        const char* expected = edited.next();
        const char* actual = combined.next();
        if (!expected || !actual) {
            check.message = QStringLiteral("Unable to read map block %1").arg(block);
            return check;
        }
        if (memcmp(expected + MapHeaderSize, actual + MapHeaderSize, MapPayloadSize) != 0) {
            if (check.mismatches++ == 0)
                firstMismatch = block;
        }
    }
    check.blocks = edited.records();
    check.ok = check.mismatches == 0;
    if (!check.ok)
        check.message = QStringLiteral("map block %1 differs from the edited facet (%2 blocks differ)")
                            .arg(firstMismatch)
                            .arg(check.mismatches);
    return check;
}
