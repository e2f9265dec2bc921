// generateMapDiff on fuzzed map files. The current file is the reference with
// fuzzer-chosen bytes laid over it, so that most blocks agree and some differ.
// Properties: success with exactly its two outputs and their manifest, or a
// documented failure leaving nothing; inputs unchanged; the generated pair
// combined with the reference, which its manifest finds to be exactly the
// map it was made from, gives back the current file's payloads, block by block.

#include "jobfuzz.h"

#include "fileformat.h"
#include "jobmessages.h"
#include "jobs.h"

using namespace quillmark;
using namespace difformat;
using jobfuzz::require;

namespace {

// The fuzzer's bytes may make either file a package container (they begin
// with its mark); the properties then hold for the maps the containers hold.
void checkRoundTrip(const jobfuzz::Folder& folder, const QByteArray& reference, const QByteArray& current)
{
    SilentProgress silent;
    const QString combined = folder.path("combined");
    QDir().mkdir(combined);
    const JobOutcome outcome = combineMapDiff(
        {folder.inputs()[0], folder.outFile("mapdif0.mul"), folder.outFile("mapdifl0.mul"), combined, 0},
        silent);
    require(outcome.succeeded(), "a generated pair combines", outcome.message());
    require(outcome.result().base.found == BaseCase::Exact, "the reference is the base the manifest names");
    const QByteArray map = jobfuzz::read(combined + QStringLiteral("/map0.mul"));
    require(map.size() == reference.size(), "the combined map has the reference's size");
    for (qint64 block = 0; block < current.size() / MapBlockSize; ++block) {
        const qint64 payload = block * MapBlockSize + MapHeaderSize;
        require(map.mid(payload, MapPayloadSize) == current.mid(payload, MapPayloadSize),
                "the combined map has the current payloads", QString::number(block));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QList<QByteArray> parts = jobfuzz::splitInput(data, size, 3);
    const QByteArray reference = parts[0];
    // The second part is a list of patches over the reference; a third part,
    // when present, makes the current file that long instead.
    QByteArray current = jobfuzz::patched(reference, parts[1]);
    if (!parts[2].isEmpty())
        current = current.left(parts[2].size()) + parts[2].mid(current.size());
    jobfuzz::Folder folder({reference, current});
    SilentProgress silent;
    const JobOutcome outcome =
        generateMapDiff({folder.inputs()[0], folder.inputs()[1], folder.out(), 0}, silent);
    folder.checkOutcome(outcome,
                        {jobmessage::UnableToOpenReferenceData, jobmessage::UnableToOpenMapData,
                         jobmessage::MapSizesDiffer, jobmessage::UnableToReadMapData,
                         jobmessage::UnableToWriteDiffFiles},
                        {}, {"mapdif0.manifest.json", "mapdif0.mul", "mapdifl0.mul"});
    if (folder.refusedSpecialInput(outcome))
        return 0;
    const std::optional<QByteArray> referenceMap = jobfuzz::logicalMap(folder.inputs()[0]);
    const std::optional<QByteArray> currentMap = jobfuzz::logicalMap(folder.inputs()[1]);
    if (!referenceMap || !currentMap) {
        require(!outcome.succeeded(), "a map that cannot be read is refused");
        return 0;
    }
    require(outcome.succeeded() == (referenceMap->size() == currentMap->size()),
            "only equal sizes are compared", outcome.message());
    if (outcome.succeeded())
        checkRoundTrip(folder, *referenceMap, *currentMap);
    return 0;
}
