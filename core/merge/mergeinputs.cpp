#include "mergeinputs.h"

#include "fileformat.h"
#include "jobchecks.h"

namespace quillmark {

using namespace difformat;

namespace {

// One input opened and counted in records of `recordSize`, held against the
// size of the first side's, `first`.
Status openSide(std::initializer_list<Input*> files, Input& counted, qint64 recordSize,
                const char* cannotOpen, const Input* first, const char* sizesMessage,
                const CommitOptions& options)
{
    if (const Status opened = openInputs(files, QLatin1String(cannotOpen), options); opened.failed())
        return opened;
    if (const Status checked = checkRecordCount(counted, recordSize, QLatin1String(cannotOpen));
        checked.failed())
        return checked;
    if (first && first->size() != counted.size())
        return sizesDiffer(QLatin1String(sizesMessage), *first, counted);
    return Status();
}

}  // namespace

Status openMaps(std::initializer_list<SideInput> maps, const char* sizesMessage, const CommitOptions& options)
{
    const Input* first = nullptr;
    for (const SideInput& map : maps) {
        if (const Status opened =
                openSide({map.input}, *map.input, MapBlockSize, map.cannotOpen, first, sizesMessage, options);
            opened.failed())
            return opened;
        first = first ? first : map.input;
    }
    return Status();
}

Status openStaticsPairs(std::initializer_list<SidePair> pairs, const char* sizesMessage,
                        const CommitOptions& options)
{
    const Input* first = nullptr;
    for (const SidePair& pair : pairs) {
        if (const Status opened = openSide({pair.data, pair.index}, *pair.index, IndexEntrySize,
                                           pair.cannotOpen, first, sizesMessage, options);
            opened.failed())
            return opened;
        first = first ? first : pair.index;
    }
    return Status();
}

}  // namespace quillmark
