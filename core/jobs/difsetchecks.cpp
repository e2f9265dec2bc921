#include "difsetchecks.h"

#include "counted.h"
#include "fileformat.h"
#include "jobchecks.h"
#include "jobmessages.h"
#include "replacementtable.h"

#include <QFileInfo>

#include <algorithm>

namespace quillmark {

using difformat::LocatorRecordSize;

namespace {

// No facet has more blocks than a block number can name, and a locator
// that a generation wrote lists each block once at most.
constexpr qint64 MostLocatorRecords = qint64(1) << 31;

enum class SetKind { Map, Statics };

const char* setName(SetKind kind)
{
    return kind == SetKind::Map ? "map" : "statics";
}

// Whether `path` bears the name a generation gives a file of the set of
// `kind`: "stadifl1.mul" and "stadif1.mul" are statics ones.
// Told without a regular expression: jobs run on many threads at once, and
// a shared one compiles and keeps its matching stack per thread behind the
// caller's back.
bool namedAs(SetKind kind, const QString& path)
{
    const QString fileName = QFileInfo(path).fileName();
    QStringView name = fileName;
    const QLatin1String prefix(kind == SetKind::Map ? "mapdif" : "stadif");
    const QLatin1String suffix(".mul");
    if (!name.startsWith(prefix) || !name.endsWith(suffix))
        return false;
    name = name.sliced(prefix.size(), name.size() - prefix.size() - suffix.size());
    const QLatin1String roles(kind == SetKind::Map ? "l" : "li");
    if (!name.isEmpty() && roles.contains(name.front()))
        name = name.sliced(1);
    return !name.isEmpty()
           && std::all_of(name.begin(), name.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

Status refuseSet(const Input& locator, const QString& reason)
{
    return Status::failure(Status::Kind::Usage, jobmessage::UnableToOpenDifFiles, locator.path(), reason);
}

// Files in the wrong places, told by their sizes: they do not fit the roles
// they were given, but fit the swapped ones, or those of the other kind's
// set; or both bear the other kind's names.
Status checkRoles(SetKind kind, const Input& locator, const Input& difFile, qint64 difRecordSize)
{
    const qint64 records = locator.size() / LocatorRecordSize;
    const bool fits = records <= difFile.size() / difRecordSize;
    const SetKind other = kind == SetKind::Map ? SetKind::Statics : SetKind::Map;
    const qint64 otherRecordSize =
        other == SetKind::Map ? difformat::MapBlockSize : difformat::IndexEntrySize;
    const char* second = kind == SetKind::Map ? "data file" : "index file";
    if (!fits && records > 0 && difFile.size() % LocatorRecordSize == 0
        && locator.size() == difFile.size() / LocatorRecordSize * difRecordSize)
        return refuseSet(locator, QStringLiteral("The locator and the %1 look swapped: %2, %3")
                                      .arg(QLatin1String(second), locator.sizeText(), difFile.sizeText()));
    const bool otherSizes =
        records > 0 && difFile.size() == records * otherRecordSize && locator.size() % LocatorRecordSize == 0;
    // A statics index holds three times its locator's bytes; a map's data,
    // 49 times: an index that large is a map's data whether it fits or not.
    if ((otherSizes && (!fits || kind == SetKind::Statics))
        || (namedAs(other, locator.path()) && namedAs(other, difFile.path())))
        return refuseSet(locator, QStringLiteral("These look like %1 difference files, not %2 ones: %3, %4")
                                      .arg(QLatin1String(setName(other)), QLatin1String(setName(kind)),
                                           locator.sizeText(), difFile.sizeText()));
    return Status();
}

}  // namespace

Status checkLocatorFits(Input& locator, const Input& difFile, qint64 difRecordSize, qint64 blocks)
{
    const SetKind kind = difRecordSize == difformat::MapBlockSize ? SetKind::Map : SetKind::Statics;
    if (const Status roles = checkRoles(kind, locator, difFile, difRecordSize); roles.failed())
        return roles;
    const qint64 held = difFile.size() / difRecordSize;
    const qint64 records = locator.size() / LocatorRecordSize;
    if (blocks == 0 || records <= held)
        return Status();
    if (records > MostLocatorRecords)
        return Status::failure(
            Status::Kind::TooLarge, jobmessage::UnableToOpenDifFiles, locator.path(),
            QStringLiteral("It holds %1, more than any facet has blocks").arg(counted(records, "record")));
    ReplacementTable table(blocks);
    if (const Status loaded = table.load(locator); loaded.failed())
        return loaded.withMessage(jobmessage::UnableToOpenDifFiles);
    const std::optional<ReplacementTable::Record> missing = table.firstRecordFrom(held);
    if (!missing)
        return Status();
    return Status::failure(Status::Kind::Damaged, jobmessage::difFilesDamaged(missing->block), difFile.path(),
                           missingRecord(held, missing->ordinal), missing->block);
}

}  // namespace quillmark
