#include "manifestreader.h"

#include "blocksketch.h"
#include "difformat.h"
#include "facets.h"
#include "locatorrecords.h"
#include "platformfile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace quillmark {

namespace {

// Room for everything but the records, and for each record far more than
// generation writes (about 64 bytes with its share of the sketch).
constexpr qint64 FixedRoom = qint64(4) << 20;
constexpr qint64 RoomPerRecord = 128;
// No facet has more blocks than a block number can name.
constexpr qint64 MaxBlocks = qint64(1) << 31;

// What is wrong with a manifest, said once, so that every check reads as one line.
class Refusal
{
public:
    explicit Refusal(const QString& path) : m_path(path) {}

    Status operator()(const QString& reason) const { return Status::fileFailure(m_path, reason); }

private:
    const QString& m_path;
};

std::optional<qint64> integer(const QJsonValue& value, qint64 min, qint64 max)
{
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (std::floor(number) != number || number < double(min) || number > double(max))
        return std::nullopt;
    return qint64(number);
}

Status readContent(const QJsonValue& value, const char* name, const Refusal& refuse, FacetContent& content)
{
    const QJsonObject object = value.toObject();
    const std::optional<qint64> blocks = integer(object.value(QLatin1String("blocks")), 0, MaxBlocks - 1);
    const std::optional<Hash128> hash = Hash128::fromHex(object.value(QLatin1String("content")).toString());
    if (!blocks || !hash)
        return refuse(QStringLiteral("its %1 has no block count or content hash").arg(QLatin1String(name)));
    content = {*blocks, *hash};
    return Status();
}

// The files of its own set, each once and in order, by their bare names.
Status readFiles(const QJsonArray& array, const Refusal& refuse, Manifest& manifest)
{
    const std::vector<QString> roles = manifestformat::roles(manifest.kind);
    if (size_t(array.size()) != roles.size())
        return refuse(
            QStringLiteral("it lists %1 files, its set has %2").arg(array.size()).arg(roles.size()));
    for (size_t i = 0; i < roles.size(); ++i) {
        const QJsonObject object = array.at(qsizetype(i)).toObject();
        ManifestFile file{object.value(QLatin1String("role")).toString(),
                          object.value(QLatin1String("name")).toString(),
                          0,
                          {}};
        const QString expected = manifestformat::setFileName(manifest.kind, roles[i], manifest.facet);
        if (file.role != roles[i] || file.name != expected)
            return refuse(QStringLiteral("its file %1 is not %2, the %3 of its set")
                              .arg(i + 1)
                              .arg(expected, roles[i]));
        const std::optional<qint64> size = integer(object.value(QLatin1String("size")), 0, MaxBlocks * 196);
        const std::optional<Hash128> hash = Hash128::fromHex(object.value(QLatin1String("hash")).toString());
        if (!size || !hash)
            return refuse(QStringLiteral("it gives %1 no size or hash").arg(expected));
        file.size = *size;
        file.hash = *hash;
        manifest.files.push_back(file);
    }
    return Status();
}

// Each record a block of the reference, in ascending order, with two block hashes.
Status readRecords(const QJsonArray& array, const Refusal& refuse, Manifest& manifest)
{
    manifest.records.reserve(size_t(array.size()));
    qint64 previous = -1;
    for (const QJsonValue& value : array) {
        const QJsonArray fields = value.toArray();
        const std::optional<qint64> block =
            fields.size() == 3 ? integer(fields.at(0), 0, manifest.reference.blocks - 1) : std::nullopt;
        const std::optional<quint64> before = hash64FromHex(fields.at(1).toString());
        const std::optional<quint64> after = hash64FromHex(fields.at(2).toString());
        const qint64 number = block.value_or(-1);
        if (number <= previous || !before || !after)
            return refuse(
                QStringLiteral("its record %1 is not a block of its reference after the one before it, "
                               "with two block hashes")
                    .arg(manifest.records.size()));
        manifest.records.push_back({qint32(number), *before, *after});
        previous = number;
    }
    return Status();
}

// The record count fits the sizes the manifest gives the files, and the
// sketch is as large as that count calls for.
Status checkCounts(const QJsonObject& object, const Refusal& refuse, Manifest& manifest)
{
    const qint64 records = qint64(manifest.records.size());
    const bool map = manifest.kind == PatchKind::Map;
    const qint64 locator = manifest.files[0].size;
    const qint64 second = manifest.files[1].size;
    if (locator != records * difformat::LocatorRecordSize
        || (map && second != records * difformat::MapBlockSize)
        || (!map && second != records * difformat::IndexEntrySize))
        return refuse(QStringLiteral("its %1 records do not fit the sizes it gives its files").arg(records));
    const QByteArray::FromBase64Result sketch =
        QByteArray::fromBase64Encoding(object.value(QLatin1String("referenceSketch")).toString().toLatin1(),
                                       QByteArray::AbortOnBase64DecodingErrors);
    if (!sketch || sketch.decoded.size() != BlockSketch::byteSize(BlockSketch::cellsFor(records)))
        return refuse(QStringLiteral("its reference sketch is not the size its records call for"));
    manifest.referenceSketch = sketch.decoded;
    return Status();
}

Status readHeader(const QJsonObject& object, PatchKind kind, const Refusal& refuse, Manifest& manifest)
{
    if (object.value(QLatin1String("format")).toString() != QLatin1String(manifestformat::FormatName))
        return refuse(QStringLiteral("it is not a manifest of difference files"));
    const std::optional<qint64> version = integer(object.value(QLatin1String("version")), 0, 1 << 30);
    if (version != manifestformat::Version)
        return refuse(QStringLiteral("its format version is %1; this program reads version %2")
                          .arg(version ? QString::number(*version) : QStringLiteral("missing"))
                          .arg(manifestformat::Version));
    const QString kindName = QLatin1String(kind == PatchKind::Map ? "map" : "statics");
    if (object.value(QLatin1String("kind")).toString() != kindName)
        return refuse(QStringLiteral("it is not the manifest of %1 difference files").arg(kindName));
    const std::optional<qint64> facet = integer(object.value(QLatin1String("facet")), 0, facets::Count - 1);
    if (!facet
        || object.value(QLatin1String("hashMethod")).toString() != QLatin1String(manifestformat::HashMethod))
        return refuse(QStringLiteral("it names no facet or a hash method this program does not know"));
    manifest.kind = kind;
    manifest.facet = int(*facet);
    manifest.program = object.value(QLatin1String("program")).toString();
    manifest.programVersion = object.value(QLatin1String("programVersion")).toString();
    if (Status read =
            readContent(object.value(QLatin1String("reference")), "reference", refuse, manifest.reference);
        read.failed())
        return read;
    if (Status read =
            readContent(object.value(QLatin1String("current")), "current copy", refuse, manifest.current);
        read.failed())
        return read;
    if (manifest.reference.blocks != manifest.current.blocks)
        return refuse(QStringLiteral("its reference and current copy differ in size"));
    return Status();
}

}  // namespace

Status readManifest(const QString& path, PatchKind kind, qint64 locatorRecords, Manifest& manifest)
{
    manifest = Manifest();
    const Refusal refuse(path);
    QByteArray bytes;
    const qint64 room = FixedRoom + RoomPerRecord * qMin(locatorRecords, MaxBlocks);
    if (const Status read = platformfile::readSmallFile(path, room, bytes); read.failed())
        return read;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    bytes.clear();
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return refuse(QStringLiteral("it is not a JSON object (%1 at byte %2)")
                          .arg(error.error != QJsonParseError::NoError ? error.errorString()
                                                                       : QStringLiteral("not an object"))
                          .arg(error.offset));
    const QJsonObject object = document.object();
    if (Status read = readHeader(object, kind, refuse, manifest); read.failed())
        return read;
    if (Status read = readFiles(object.value(QLatin1String("files")).toArray(), refuse, manifest);
        read.failed())
        return read;
    if (Status read = readRecords(object.value(QLatin1String("records")).toArray(), refuse, manifest);
        read.failed())
        return read;
    return checkCounts(object, refuse, manifest);
}

Status checkPatchFiles(const Manifest& manifest, std::initializer_list<Input*> files)
{
    size_t role = 0;
    for (Input* file : files) {
        const ManifestFile& expected = manifest.files.at(role++);
        if (file->size() != expected.size)
            return Status::fileFailure(
                file->path(),
                QStringLiteral("It has %1 bytes, its manifest says %2").arg(file->size()).arg(expected.size));
        Hash128 hash;
        if (const Status read = hashInput(*file, file->size(), hash); read.failed())
            return read;
        if (hash != expected.hash)
            return Status::fileFailure(file->path(),
                                       QStringLiteral("Its bytes are not those its manifest names"));
    }
    return Status();
}

Status checkRecordsNameLocator(const Manifest& manifest, const QString& manifestPath, Input& locator)
{
    bool same = true;
    const Status read = forEachLocatorRecord(locator, [&](qint64 ordinal, qint32 block) {
        same = same && size_t(ordinal) < manifest.records.size()
               && manifest.records[size_t(ordinal)].block == block;
    });
    if (read.failed())
        return read;
    if (!same)
        return Status::fileFailure(manifestPath,
                                   QStringLiteral("its records do not name the blocks its locator names"));
    return Status();
}

}  // namespace quillmark
