#include "mapoutput.h"

#include "stagedfile.h"
#include "uopmapwriter.h"

namespace quillmark {

std::unique_ptr<Output> makeMapOutput(const QString& target, MapFormat format, int facet, qint64 mapSize,
                                      FileSystem& files)
{
    if (format == MapFormat::Uop)
        return std::make_unique<UopMapWriter>(target, facet, mapSize, files);
    return std::make_unique<StagedFile>(target, files);
}

}  // namespace quillmark
