#include "mapoutput.h"

#include "stagedfile.h"
#include "uopmapwriter.h"

namespace quillmark {

std::unique_ptr<Output> makeMapOutput(const QString& target, MapFormat format, int facet, qint64 mapSize)
{
    if (format == MapFormat::Uop)
        return std::make_unique<UopMapWriter>(target, facet, mapSize);
    return std::make_unique<StagedFile>(target);
}

}  // namespace quillmark
