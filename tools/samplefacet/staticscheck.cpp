#include "facetcheck.h"

#include "sequentialreader.h"

#include "diff/difformat.h"
#include "diff/indexentry.h"

#include <QFile>

using namespace difformat;

namespace {

// The data of a block with data, or a null array when it lies outside its
// file. Blocks of 0 bytes give an empty, non-null array.
QByteArray blockData(QFile& data, const IndexEntry& entry)
{
    if (!entry.fitsIn(data.size()) || !data.seek(entry.offset))
        return QByteArray();
    QByteArray bytes = data.read(entry.length);
    if (bytes.size() != entry.length)
        return QByteArray();
    return bytes.isNull() ? QByteArray("", 0) : bytes;
}

// Empty when block `block` agrees, else what is wrong with it.
QString compareBlock(qint64 block, const IndexEntry& expected, QFile& expectedData, const IndexEntry& actual,
                     QFile& actualData)
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
    const QByteArray want = blockData(expectedData, expected);
    if (want.isNull())
        return QStringLiteral("statics block %1 of the edited facet lies outside its data file").arg(block);
    const QByteArray got = blockData(actualData, actual);
    if (got.isNull())
        return QStringLiteral("statics block %1 of the combined facet lies outside its data file").arg(block);
    return got == want ? QString() : QStringLiteral("statics block %1 holds other bytes").arg(block);
}

}  // namespace

FacetCheck checkCombinedStatics(const QString& editedIndex, const QString& editedData,
                                const QString& combinedIndex, const QString& combinedData)
{
    FacetCheck check;
    SequentialReader expectedIndex(editedIndex, IndexEntrySize);
    SequentialReader actualIndex(combinedIndex, IndexEntrySize);
    QFile expectedData(editedData);
    QFile actualData(combinedData);
    const std::pair<bool, QString> opened[] = {{expectedIndex.open(), editedIndex},
                                               {actualIndex.open(), combinedIndex},
                                               {expectedData.open(QIODevice::ReadOnly), editedData},
                                               {actualData.open(QIODevice::ReadOnly), combinedData}};
    for (const auto& [ok, path] : opened) {
        if (!ok) {
            check.message = QStringLiteral("Unable to open %1").arg(path);
            return check;
        }
    }
    if (expectedIndex.records() != actualIndex.records()) {
        check.message = QStringLiteral("the combined statics index has %1 blocks, the edited index %2")
                            .arg(actualIndex.records())
                            .arg(expectedIndex.records());
        return check;
    }
    QString firstMismatch;
    for (qint64 block = 0; block < expectedIndex.records(); ++block) {
        const char* expected = expectedIndex.next();
        const char* actual = actualIndex.next();
        if (!expected || !actual) {
            check.message = QStringLiteral("Unable to read statics index entry %1").arg(block);
            return check;
        }
        const QString mismatch = compareBlock(block, IndexEntry::decode(expected), expectedData,
                                              IndexEntry::decode(actual), actualData);
        if (!mismatch.isEmpty() && check.mismatches++ == 0)
            firstMismatch = mismatch;
    }
    check.blocks = expectedIndex.records();
    check.ok = check.mismatches == 0;
    if (!check.ok)
        check.message = QStringLiteral("%1 (%2 blocks differ)").arg(firstMismatch).arg(check.mismatches);
    return check;
}
