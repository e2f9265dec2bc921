#include "patchcheck.h"

#include "facets.h"
#include "fileformat.h"
#include "indexentry.h"
#include "jobmessages.h"
#include "manifestreader.h"

#include <QFileInfo>
#include <QStringList>

namespace quillmark {

namespace {

// Blocks named in a conflict's message, beyond which "..." stands for the rest.
constexpr size_t ConflictsNamed = 5;

qint64 gridHeight(const BaseVerdict& verdict)
{
    return verdict.heightBlocks > 0 ? verdict.heightBlocks : facets::geometry(verdict.facet).heightBlocks;
}

QString facetName(int facet)
{
    return QStringLiteral("%1 (facet %2)").arg(QLatin1String(facets::geometry(facet).name)).arg(facet);
}

}  // namespace

Status loadPatchManifest(PatchKind kind, std::initializer_list<Input*> difFiles, const QString& openMessage,
                         const QString& readMessage, FileSystem& files, PatchManifest& patch)
{
    Input& locator = **difFiles.begin();
    patch = PatchManifest();
    const std::optional<QString> path = manifestformat::manifestBeside(locator.path(), kind);
    if (!path)
        return Status();
    patch.path = *path;
    // Nothing there at all (not even a link) is a set made without one.
    EntryKind standing = EntryKind::Missing;
    if (const Status looked = files.entryKind(*path, standing); looked.failed())
        return looked.withMessage(openMessage);
    if (standing == EntryKind::Missing)
        return Status();
    auto manifest = std::make_unique<Manifest>();
    const qint64 records = locator.size() / difformat::LocatorRecordSize;
    if (const Status read = readManifest(*path, kind, records, files, *manifest); read.failed())
        return read.withMessage(openMessage);
    // The set's names say its facet: a manifest of another facet's set,
    // copied or renamed, describes some other patch.
    const QString locatorName = QFileInfo(locator.path()).fileName();
    if (manifest->files.front().name != locatorName)
        return Status::failure(
            Status::Kind::Damaged, jobmessage::DifFilesDoNotMatchManifest, *path,
            QStringLiteral("It is the manifest of %1, a set for %2, not of %3 beside it")
                .arg(manifest->files.front().name, facetName(manifest->facet), locatorName));
    if (const Status matched =
            checkPatchFiles(*manifest, difFiles, jobmessage::DifFilesDoNotMatchManifest, readMessage);
        matched.failed())
        return matched;
    if (const Status named = checkRecordsNameLocator(*manifest, *path, locator); named.failed())
        return named.withMessage(openMessage);
    patch.manifest = std::move(manifest);
    return Status();
}

QString conflictReason(const BaseVerdict& verdict)
{
    QStringList parts;
    if (verdict.otherFacet >= 0)
        parts << QStringLiteral("the patch is for %1, not for %2")
                     .arg(facetName(verdict.facet), facetName(verdict.otherFacet));
    if (!verdict.conflicts.empty() || parts.isEmpty()) {
        const bool one = verdict.conflicts.size() == 1;
        parts << QStringLiteral("%1 of the %2 %3 it replaces %4 something else, at %5 %6")
                     .arg(verdict.conflicts.size())
                     .arg(verdict.records)
                     .arg(verdict.records == 1 ? QLatin1String("block") : QLatin1String("blocks"))
                     .arg(one ? QLatin1String("holds") : QLatin1String("hold"))
                     .arg(one ? QLatin1String("tile") : QLatin1String("tiles"))
                     .arg(worldTiles(verdict.conflicts, gridHeight(verdict), ConflictsNamed));
    }
    return parts.join(QLatin1String("; "));
}

namespace {

QString otherBlocksText(const BaseVerdict& verdict)
{
    const QString counted =
        QStringLiteral("%1 other %2 from the patch's reference")
            .arg(verdict.otherBlocks)
            .arg(verdict.otherBlocks == 1 ? QLatin1String("block differs") : QLatin1String("blocks differ"));
    if (!verdict.otherBlocksExact)
        return QLatin1String("at least ") + counted + QLatin1String(", more than its manifest can count");
    return counted;
}

}  // namespace

QString baseCaseText(const BaseVerdict& verdict, qint64 heightBlocks)
{
    BaseVerdict placed = verdict;
    placed.heightBlocks = heightBlocks;
    return baseCaseText(placed);
}

QString baseCaseText(const BaseVerdict& verdict)
{
    switch (verdict.found) {
    case BaseCase::NotChecked:
        if (verdict.manifest.isEmpty())
            return QStringLiteral("base not checked: a locator of that name has no manifest");
        return QStringLiteral("base not checked: no manifest %1").arg(verdict.manifest);
    case BaseCase::Exact:
        return QStringLiteral("base exact: it is the patch's reference");
    case BaseCase::AlreadyApplied:
        return QStringLiteral("base already patched: it is the patch's result");
    case BaseCase::Fits:
        if (verdict.alreadyPatched == 0)
            return QStringLiteral("base fits: ") + otherBlocksText(verdict);
        return QStringLiteral("base fits: %1; %2 of the blocks it replaces %3 the patch already")
            .arg(otherBlocksText(verdict))
            .arg(verdict.alreadyPatched)
            .arg(verdict.alreadyPatched == 1 ? QLatin1String("holds") : QLatin1String("hold"));
    case BaseCase::Conflict:
        return (verdict.forced ? QStringLiteral("base does not fit, forced: ")
                               : QStringLiteral("base does not fit: "))
               + conflictReason(verdict);
    }
    return QString();
}

Status sketchMapBase(MapInput& map, qint64 blocks, BaseCheck& check)
{
    using namespace difformat;
    for (qint64 block = 0; block < blocks; ++block) {
        const char* bytes = nullptr;
        if (const Status viewed = map.view(block * MapBlockSize, MapBlockSize, bytes); viewed.failed())
            return viewed;
        check.addSketchBlock(block, blockHash(bytes + MapHeaderSize, MapPayloadSize));
    }
    return Status();
}

// A damaged entry here is one a record replaces (the walk failed on any
// other), which the sketch leaves out.
Status sketchStaticsBase(Input& index, Input& data, qint64 blocks, BaseCheck& check)
{
    using namespace difformat;
    for (qint64 block = 0; block < blocks; ++block) {
        const char* bytes = nullptr;
        if (const Status viewed = index.view(block * IndexEntrySize, IndexEntrySize, bytes); viewed.failed())
            return viewed;
        const IndexEntry entry = IndexEntry::decode(bytes);
        quint64 hash = 0;
        if (!entry.isEmpty() && entry.fitsIn(data.size())) {
            if (const Status read = hashRun(data, entry.offset, entry.length, hash); read.failed())
                return read;
        }
        check.addSketchBlock(block, hash);
    }
    return Status();
}

void placeBase(BaseCheck* check, std::optional<int> facet, qint64 heightBlocks)
{
    if (check)
        check->placeBase(facet.value_or(check->manifestFacet()), heightBlocks);
}

Status concludeBaseCheck(BaseCheck* check, const PatchManifest& patch, qint64 baseBlocks,
                         const BaseCheckRule& rule, const QString& conflictMessage, const QString& base,
                         const SketchPass& sketchPass, BaseVerdict& verdict)
{
    verdict = BaseVerdict();
    verdict.manifest = patch.path;
    if (!check)
        return Status();
    verdict = check->conclude(baseBlocks);
    if (check->needsSketch()) {
        if (const Status sketched = sketchPass(*check); sketched.failed())
            return sketched;
        verdict = check->concludeSketch(baseBlocks);
    }
    if (verdict.found == BaseCase::Conflict && !rule.forced && !rule.conflictIsFinding)
        return Status::failure(Status::Kind::Conflict, conflictMessage, base, conflictReason(verdict));
    verdict.forced = verdict.found == BaseCase::Conflict && rule.forced;
    if (check->baseIsReference() && !check->resultIsCurrent())
        return Status::failure(
            Status::Kind::Damaged, jobmessage::DifFilesDoNotMatchManifest, patch.path,
            QStringLiteral("What the patch makes of its reference is not what it was made for"));
    return Status();
}

}  // namespace quillmark
