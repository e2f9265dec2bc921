#include "facetcheck.h"

#include "difformat.h"
#include "indexentry.h"
#include "inputfile.h"
#include "runs.h"

using namespace difformat;

namespace {

// Empty when block `block` agrees, else what is wrong with it.
QString compareBlock(qint64 block, const IndexEntry& expected, InputFile& expectedData,
                     const IndexEntry& actual, InputFile& actualData)
{
    if (expected.isEmpty())
        return actual.isEmpty() ? QString() : QStringLiteral("statics block %1 should be empty").arg(block);
    if (actual.isEmpty())
        return QStringLiteral("statics block %1 is empty but should hold %2 bytes")
            .arg(block)
            .arg(expected.length);
    if (actual.length != expected.length)
        return QStringLiteral("statics block %1 holds %2 bytes instead of %3")
            .arg(block)
            .arg(actual.length)
            .arg(expected.length);
    if (!expected.fitsIn(expectedData.size()))
        return QStringLiteral("statics block %1 of the edited facet lies outside its data file").arg(block);
    if (!actual.fitsIn(actualData.size()))
        return QStringLiteral("statics block %1 of the combined facet lies outside its data file").arg(block);
    switch (compareRuns(expectedData, expected.offset, actualData, actual.offset, expected.length)) {
    case RunComparison::Equal:
        return QString();
    case RunComparison::Different:
        break;
    case RunComparison::Unreadable:
        return QStringLiteral("statics block %1 could not be read").arg(block);
    }
    return QStringLiteral("statics block %1 holds other bytes").arg(block);
}

}  // namespace

FacetCheck checkCombinedStatics(const QString& editedIndex, const QString& editedData,
                                const QString& combinedIndex, const QString& combinedData)
{
    FacetCheck check;
    InputFile expectedIndex(editedIndex);
    InputFile actualIndex(combinedIndex);
    InputFile expectedData(editedData);
    InputFile actualData(combinedData);
    const std::pair<InputFile*, QString> files[] = {{&expectedIndex, editedIndex},
                                                    {&actualIndex, combinedIndex},
                                                    {&expectedData, editedData},
                                                    {&actualData, combinedData}};
    for (const auto& [file, path] : files) {
        if (!file->open()) {
            check.message = QStringLiteral("Unable to open %1").arg(path);
            return check;
        }
    }
    // Whole entries only: a partial entry at the end does not count.
    const qint64 blocks = expectedIndex.size() / IndexEntrySize;
    if (actualIndex.size() / IndexEntrySize != blocks) {
        check.message = QStringLiteral("the combined statics index has %1 blocks, the edited index %2")
                            .arg(actualIndex.size() / IndexEntrySize)
                            .arg(blocks);
        return check;
    }
    QString firstMismatch;
    for (qint64 block = 0; block < blocks; ++block) {
        const char* expected = expectedIndex.view(block * IndexEntrySize, IndexEntrySize);
        const char* actual = actualIndex.view(block * IndexEntrySize, IndexEntrySize);
        if (!expected || !actual) {
            check.message = QStringLiteral("Unable to read statics index entry %1").arg(block);
            return check;
        }
        const QString mismatch = compareBlock(block, IndexEntry::decode(expected), expectedData,
                                              IndexEntry::decode(actual), actualData);
        if (!mismatch.isEmpty() && check.mismatches++ == 0)
            firstMismatch = mismatch;
    }
    check.blocks = blocks;
    check.ok = check.mismatches == 0;
    if (!check.ok)
        check.message = QStringLiteral("%1 (%2 blocks differ)").arg(firstMismatch).arg(check.mismatches);
    return check;
}
