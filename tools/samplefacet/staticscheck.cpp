#include "facetcheck.h"

#include "fileformat.h"
#include "indexentry.h"
#include "inputfile.h"
#include "runs.h"

namespace quillmark {

using namespace difformat;

namespace {

// Whether block `block` of the combined facet agrees with the edited facet.
Status compareBlock(qint64 block, const IndexEntry& expected, InputFile& expectedData,
                    const IndexEntry& actual, InputFile& actualData)
{
    const auto mismatch = [block](const QString& what) {
        return Status::failure(Status::Kind::Other,
                               QStringLiteral("statics block %1 %2").arg(block).arg(what));
    };
    if (expected.isEmpty())
        return actual.isEmpty() ? Status() : mismatch(QStringLiteral("should be empty"));
    if (actual.isEmpty())
        return mismatch(QStringLiteral("is empty but should hold %1 bytes").arg(expected.length));
    if (actual.length != expected.length)
        return mismatch(
            QStringLiteral("holds %1 bytes instead of %2").arg(actual.length).arg(expected.length));
    if (!expected.fitsIn(expectedData.size()))
        return mismatch(QStringLiteral("of the edited facet lies outside its data file"));
    if (!actual.fitsIn(actualData.size()))
        return mismatch(QStringLiteral("of the combined facet lies outside its data file"));
    RunComparison comparison = RunComparison::Different;
    if (compareRuns(expectedData, expected.offset, actualData, actual.offset, expected.length, comparison)
            .failed())
        return mismatch(QStringLiteral("could not be read"));
    return comparison == RunComparison::Equal ? Status() : mismatch(QStringLiteral("holds other bytes"));
}

}  // namespace

FacetCheck checkCombinedStatics(const QString& editedIndex, const QString& editedData,
                                const QString& combinedIndex, const QString& combinedData,
                                FileSystem& fileSystem)
{
    FacetCheck check;
    InputFile expectedIndex(editedIndex, fileSystem);
    InputFile actualIndex(combinedIndex, fileSystem);
    InputFile expectedData(editedData, fileSystem);
    InputFile actualData(combinedData, fileSystem);
    const std::pair<InputFile*, QString> files[] = {{&expectedIndex, editedIndex},
                                                    {&actualIndex, combinedIndex},
                                                    {&expectedData, editedData},
                                                    {&actualData, combinedData}};
    for (const auto& [file, path] : files) {
        if (const Status opened = file->open(); opened.failed()) {
            check.status = Status::failure(opened.kind(), QStringLiteral("Unable to open %1").arg(path));
            return check;
        }
    }
    // Whole entries only: a partial entry at the end does not count.
    const qint64 blocks = expectedIndex.size() / IndexEntrySize;
    if (actualIndex.size() / IndexEntrySize != blocks) {
        check.status =
            Status::failure(Status::Kind::Other,
                            QStringLiteral("the combined statics index has %1 blocks, the edited index %2")
                                .arg(actualIndex.size() / IndexEntrySize)
                                .arg(blocks));
        return check;
    }
    Status firstMismatch = Status();
    for (qint64 block = 0; block < blocks; ++block) {
        const char* expected = nullptr;
        const char* actual = nullptr;
        Status viewed = expectedIndex.view(block * IndexEntrySize, IndexEntrySize, expected);
        if (viewed.ok())
            viewed = actualIndex.view(block * IndexEntrySize, IndexEntrySize, actual);
        if (viewed.failed()) {
            check.status = Status::failure(
                viewed.kind(), QStringLiteral("Unable to read statics index entry %1").arg(block));
            return check;
        }
        const Status agrees = compareBlock(block, IndexEntry::decode(expected), expectedData,
                                           IndexEntry::decode(actual), actualData);
        if (!agrees.ok() && check.mismatches++ == 0)
            firstMismatch = agrees;
    }
    check.blocks = blocks;
    if (check.mismatches > 0)
        check.status = Status::failure(
            Status::Kind::Other,
            QStringLiteral("%1 (%2 blocks differ)").arg(firstMismatch.message()).arg(check.mismatches));
    return check;
}

}  // namespace quillmark
