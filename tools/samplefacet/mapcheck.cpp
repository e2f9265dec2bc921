#include "facetcheck.h"

#include "fileformat.h"
#include "mapinput.h"

#include <cstring>

namespace quillmark {

using namespace difformat;

FacetCheck checkCombinedMap(const QString& editedMap, const QString& combinedMap, FileSystem& files)
{
    FacetCheck check;
    // Either may be a plain map file or a container.
    MapInput edited(editedMap, files);
    MapInput combined(combinedMap, files);
    for (MapInput* file : {&edited, &combined}) {
        if (const Status opened = file->open(); opened.failed()) {
            check.status = opened.withAction(QStringLiteral("Unable to open"));
            return check;
        }
    }
    // Whole blocks only: a partial block at the end does not count.
    const qint64 blocks = edited.size() / MapBlockSize;
    if (combined.size() / MapBlockSize != blocks) {
        check.status = Status::failure(Status::Kind::Other,
                                       QStringLiteral("the combined map has %1 blocks, the edited map %2")
                                           .arg(combined.size() / MapBlockSize)
                                           .arg(blocks));
        return check;
    }
    qint64 firstMismatch = -1;
    for (qint64 block = 0; block < blocks; ++block) {
        const char* expected = nullptr;
        const char* actual = nullptr;
        Status viewed = edited.view(block * MapBlockSize, MapBlockSize, expected);
        if (viewed.ok())
            viewed = combined.view(block * MapBlockSize, MapBlockSize, actual);
        if (viewed.failed()) {
            check.status = Status::failure(
                viewed.kind(),
                QStringLiteral("Unable to read map block %1: %2").arg(block).arg(viewed.reason()));
            return check;
        }
        if (memcmp(expected + MapHeaderSize, actual + MapHeaderSize, MapPayloadSize) != 0) {
            if (check.mismatches++ == 0)
                firstMismatch = block;
        }
    }
    check.blocks = blocks;
    if (check.mismatches > 0)
        check.status =
            Status::failure(Status::Kind::Other,
                            QStringLiteral("map block %1 differs from the edited facet (%2 blocks differ)")
                                .arg(firstMismatch)
                                .arg(check.mismatches));
    return check;
}

}  // namespace quillmark
