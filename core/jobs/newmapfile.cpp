#include "newmapfile.h"

#include "difformat.h"
#include "jobchecks.h"
#include "jobmessages.h"
#include "mapinput.h"
#include "mapoutput.h"

StepFailure createNewMap(BlockWalk& walk, MapOutput& newMap)
{
    if (const StepFailure failure = walk.createOutputs(jobmessage::UnableToCreateNewMap))
        return failure;
    if (!newMap.start())
        return JobFailure{QLatin1String(jobmessage::UnableToCreateNewMap), newMap.target(),
                          newMap.errorString()};
    return std::nullopt;
}

namespace {

StepFailure completeNewMap(MapInput& map, qint64 blocks, MapOutput& newMap, const char* readFailure)
{
    const qint64 at = blocks * difformat::MapBlockSize;
    const qint64 fragment = map.size() - at;
    if (fragment > 0) {
        const char* tail = map.view(at, fragment);
        if (!tail)
            return inputFailure(QLatin1String(readFailure), map);
        newMap.append(tail, fragment);
    }
    if (!newMap.finish())
        return JobFailure{QLatin1String(jobmessage::UnableToWriteNewMap), newMap.target(),
                          newMap.errorString()};
    return std::nullopt;
}

}  // namespace

JobOutcome finishNewMap(BlockWalk& walk, bool walked, MapInput& map, MapOutput& newMap, JobResult result,
                        const char* readFailure, std::initializer_list<InputFile*> otherInputs)
{
    if (walked) {
        if (const StepFailure failure = completeNewMap(map, result.blocks, newMap, readFailure))
            walk.fail(*failure);
    }
    result.dataBytes = newMap.size();
    map.close();
    return walk.finish(otherInputs, result);
}
