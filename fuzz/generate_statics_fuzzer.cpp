// generateStaticsDiff on fuzzed statics pairs. The current pair is the
// reference with fuzzer-chosen bytes laid over its index and data, so that
// most blocks agree and some differ, move, empty or break. Properties:
// success with exactly its three outputs and their manifest, or a documented
// failure leaving nothing; inputs unchanged; the generated set combined with
// the reference, which its manifest finds to be exactly the statics it was
// made from, gives every block of the current pair its bytes, and keeps empty
// blocks empty.

#include "jobfuzz.h"
#include "staticsmodel.h"

#include "fileformat.h"
#include "jobmessages.h"
#include "jobs.h"

using namespace quillmark;
using namespace difformat;
using jobfuzz::require;

namespace {

void checkRoundTrip(const jobfuzz::Folder& folder, const QByteArray& index, const QByteArray& data)
{
    SilentProgress silent;
    const QString combined = folder.path("combined");
    QDir().mkdir(combined);
    const JobOutcome outcome =
        combineStaticsDiff({folder.inputs()[0], folder.inputs()[1], folder.outFile("stadif0.mul"),
                            folder.outFile("stadifi0.mul"), folder.outFile("stadifl0.mul"), combined, 0},
                           silent);
    require(outcome.succeeded(), "a generated set combines", outcome.message());
    require(outcome.result().base.found == BaseCase::Exact, "the reference is the base the manifest names");
    const QByteArray newIndex = jobfuzz::read(combined + QStringLiteral("/staidx0.mul"));
    const QByteArray newData = jobfuzz::read(combined + QStringLiteral("/statics0.mul"));
    require(staticsmodel::count(newIndex) == staticsmodel::count(index), "one entry per block");
    for (qint64 block = 0; block < staticsmodel::count(index); ++block) {
        const staticsmodel::Entry want = staticsmodel::entryAt(index, block);
        const staticsmodel::Entry got = staticsmodel::entryAt(newIndex, block);
        require(got.empty() == want.empty(), "empty blocks stay empty", QString::number(block));
        require(got.bytes(newData) == want.bytes(data), "blocks keep their bytes", QString::number(block));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QList<QByteArray> parts = jobfuzz::splitInput(data, size, 5);
    const QByteArray& referenceIndex = parts[0];
    const QByteArray& referenceData = parts[1];
    QByteArray currentIndex = jobfuzz::patched(referenceIndex, parts[2]);
    // A fifth part, when present, makes the current index that long instead.
    if (!parts[4].isEmpty())
        currentIndex = currentIndex.left(parts[4].size()) + parts[4].mid(currentIndex.size());
    const QByteArray currentData = jobfuzz::patched(referenceData, parts[3]);
    jobfuzz::Folder folder({referenceIndex, referenceData, currentIndex, currentData});
    const QStringList& in = folder.inputs();
    SilentProgress silent;
    const JobOutcome outcome = generateStaticsDiff({in[0], in[1], in[2], in[3], folder.out(), 0}, silent);
    folder.checkOutcome(outcome,
                        {jobmessage::UnableToOpenReferenceOrIndex, jobmessage::UnableToOpenStaticsDataOrIndex,
                         jobmessage::IndexSizesDiffer, jobmessage::UnableToReadStatics,
                         jobmessage::UnableToWriteDiffFiles},
                        {jobmessage::referenceStaticsDamaged, jobmessage::currentStaticsDamaged},
                        {"stadif0.manifest.json", "stadif0.mul", "stadifi0.mul", "stadifl0.mul"});
    if (folder.refusedSpecialInput(outcome))
        return 0;
    if (outcome.succeeded())
        checkRoundTrip(folder, currentIndex, currentData);
    return 0;
}
