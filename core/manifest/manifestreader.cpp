#include "manifestreader.h"

#include "blocksketch.h"
#include "facets.h"
#include "fileformat.h"
#include "fileoperations.h"
#include "json.h"
#include "locatorrecords.h"

#include <array>

namespace quillmark {

namespace {

// Room for everything but the records, and for each record far more than
// generation writes (about 45 bytes with its share of the sketch), for a
// locator of at most RoomedRecords records: about nine times as many as the
// largest facet has blocks, however long a stranger's locator is.
constexpr qint64 FixedRoom = qint64(4) << 20;
constexpr qint64 RoomPerRecord = 128;
constexpr qint64 RoomedRecords = qint64(1) << 22;
// No facet has more blocks than a block number can name.
constexpr qint64 MaxBlocks = qint64(1) << 31;

// What is wrong with a manifest, said once, so that every check reads as one line.
class Refusal
{
public:
    explicit Refusal(const QString& path) : m_path(path) {}

    Status operator()(const QString& reason) const
    {
        return Status::fileFailure(Status::Kind::Damaged, m_path, reason);
    }

private:
    const QString& m_path;
};

// A member that is missing reads as null, which no check accepts.
const JsonValue& member(const JsonValue& object, const char* name)
{
    static const JsonValue none;
    const JsonValue* value = object.member(name);
    return value ? *value : none;
}

Status readContent(const JsonValue& object, const char* name, const Refusal& refuse, FacetContent& content)
{
    const std::optional<qint64> blocks = member(object, "blocks").integer(0, MaxBlocks - 1);
    const std::optional<Hash128> hash = Hash128::fromHex(member(object, "content").text());
    if (!blocks || !hash)
        return refuse(QStringLiteral("its %1 has no block count or content hash").arg(QLatin1String(name)));
    content = {*blocks, *hash};
    return Status();
}

// The files of its own set, each once and in order, by their bare names.
Status readFiles(const JsonValue& array, const Refusal& refuse, Manifest& manifest)
{
    const std::vector<QString> roles = manifestformat::roles(manifest.kind);
    if (array.items.size() != roles.size())
        return refuse(
            QStringLiteral("it lists %1 files, its set has %2").arg(array.items.size()).arg(roles.size()));
    for (size_t i = 0; i < roles.size(); ++i) {
        const JsonValue& object = array.items[i];
        ManifestFile file{member(object, "role").text(), member(object, "name").text(), 0, {}};
        const QString expected = manifestformat::setFileName(manifest.kind, roles[i], manifest.facet);
        if (file.role != roles[i] || file.name != expected)
            return refuse(QStringLiteral("its file %1 is not %2, the %3 of its set")
                              .arg(i + 1)
                              .arg(expected, roles[i]));
        const std::optional<qint64> size =
            member(object, "size").integer(0, MaxBlocks * difformat::MapBlockSize);
        const std::optional<Hash128> hash = Hash128::fromHex(member(object, "hash").text());
        if (!size || !hash)
            return refuse(QStringLiteral("it gives %1 no size or hash").arg(expected));
        file.size = *size;
        file.hash = *hash;
        manifest.files.push_back(file);
    }
    return Status();
}

// The hexadecimal digits of a 64-bit hash at `at`, or nothing.
std::optional<quint64> hexHash(const char* at, const char* end)
{
    if (end - at < 16)
        return std::nullopt;
    // Each character's value as a hexadecimal digit, or 16.
    static const auto digits = [] {
        std::array<quint8, 256> table{};
        table.fill(16);
        for (quint8 c = 0; c < 10; ++c)
            table[size_t('0') + c] = c;
        for (quint8 c = 0; c < 6; ++c)
            table[size_t('a') + c] = table[size_t('A') + c] = quint8(10 + c);
        return table;
    }();
    quint64 value = 0;
    quint8 bad = 0;
    for (int i = 0; i < 16; ++i) {
        const quint8 digit = digits[static_cast<unsigned char>(at[i])];
        bad |= digit & 16;
        value = value << 4 | (digit & 15);
    }
    return bad ? std::nullopt : std::optional<quint64>(value);
}

// One "block:before:after" at `at`, which moves past it.
std::optional<ManifestRecord> parseRecord(const char*& at, const char* end)
{
    qint64 block = 0;
    const char* digits = at;
    for (; at < end && *at >= '0' && *at <= '9' && at - digits < 10; ++at)
        block = block * 10 + (*at - '0');
    if (at == digits || at == end || *at != ':' || block >= MaxBlocks)
        return std::nullopt;
    const std::optional<quint64> before = hexHash(++at, end);
    if (!before || (at += 16) == end || *at != ':')
        return std::nullopt;
    const std::optional<quint64> after = hexHash(++at, end);
    if (!after)
        return std::nullopt;
    at += 16;
    return ManifestRecord{qint32(block), *before, *after};
}

// Each record a block of the reference, in ascending order, with two block
// hashes; one space between two records.
Status readRecords(const JsonValue& value, const Refusal& refuse, Manifest& manifest)
{
    // Records are digits, colons and spaces: an escape there is no record.
    const std::optional<QByteArray> plain = value.plainBytes();
    if (!plain)
        return refuse(QStringLiteral("its records are not a string of records"));
    const QByteArray& text = *plain;
    const char* at = text.constData();
    const char* end = at + text.size();
    manifest.records.reserve(size_t(text.size() / 35 + 1));  // the shortest record and its space
    qint64 previous = -1;
    while (at < end) {
        if (!manifest.records.empty() && *at++ != ' ')
            return refuse(QStringLiteral("its records are not separated by single spaces"));
        const std::optional<ManifestRecord> record = parseRecord(at, end);
        if (!record || record->block <= previous || record->block >= manifest.reference.blocks)
            return refuse(
                QStringLiteral("its record %1 is not a block of its reference after the one before it, "
                               "with two block hashes")
                    .arg(manifest.records.size()));
        manifest.records.push_back(*record);
        previous = record->block;
    }
    return Status();
}

// The record count fits the sizes the manifest gives the files, and the
// sketch is as large as that count calls for.
Status checkCounts(const JsonValue& object, const Refusal& refuse, Manifest& manifest)
{
    const qint64 records = qint64(manifest.records.size());
    const bool map = manifest.kind == PatchKind::Map;
    const qint64 locator = manifest.files[0].size;
    const qint64 second = manifest.files[1].size;
    if (locator != records * difformat::LocatorRecordSize
        || (map && second != records * difformat::MapBlockSize)
        || (!map && second != records * difformat::IndexEntrySize))
        return refuse(QStringLiteral("its %1 records do not fit the sizes it gives its files").arg(records));
    const QByteArray::FromBase64Result sketch = QByteArray::fromBase64Encoding(
        member(object, "referenceSketch").text().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!sketch || sketch.decoded.size() != BlockSketch::byteSize(BlockSketch::cellsFor(records)))
        return refuse(QStringLiteral("its reference sketch is not the size its records call for"));
    manifest.referenceSketch = sketch.decoded;
    return Status();
}

Status readHeader(const JsonValue& object, PatchKind kind, const Refusal& refuse, Manifest& manifest)
{
    if (member(object, "format").text() != QLatin1String(manifestformat::FormatName))
        return refuse(QStringLiteral("it is not a manifest of difference files"));
    const std::optional<qint64> version = member(object, "version").integer(0, 1 << 30);
    if (version != manifestformat::Version)
        return refuse(QStringLiteral("its format version is %1; this program reads version %2")
                          .arg(version ? QString::number(*version) : QStringLiteral("missing"))
                          .arg(manifestformat::Version));
    const QString kindName = QLatin1String(kind == PatchKind::Map ? "map" : "statics");
    if (member(object, "kind").text() != kindName)
        return refuse(QStringLiteral("it is not the manifest of %1 difference files").arg(kindName));
    const std::optional<qint64> facet = member(object, "facet").integer(0, facets::Count - 1);
    if (!facet || member(object, "hashMethod").text() != QLatin1String(manifestformat::HashMethod))
        return refuse(QStringLiteral("it names no facet or a hash method this program does not know"));
    manifest.kind = kind;
    manifest.facet = int(*facet);
    manifest.program = member(object, "program").text();
    manifest.programVersion = member(object, "programVersion").text();
    if (Status read = readContent(member(object, "reference"), "reference", refuse, manifest.reference);
        read.failed())
        return read;
    if (Status read = readContent(member(object, "current"), "current copy", refuse, manifest.current);
        read.failed())
        return read;
    if (manifest.reference.blocks != manifest.current.blocks)
        return refuse(QStringLiteral("its reference and current copy differ in size"));
    return Status();
}

}  // namespace

Status readManifest(const QString& path, PatchKind kind, qint64 locatorRecords, FileSystem& files,
                    Manifest& manifest)
{
    manifest = Manifest();
    const Refusal refuse(path);
    QByteArray bytes;
    const qint64 room = FixedRoom + RoomPerRecord * qMin(locatorRecords, RoomedRecords);
    if (const Status read = readSmallFile(files, path, room, bytes); read.failed())
        return read;
    QString error;
    const std::optional<JsonValue> document = JsonValue::parse(bytes, error);
    if (!document)
        return refuse(QStringLiteral("it is not valid JSON: %1").arg(error));
    if (document->kind != JsonValue::Kind::Object)
        return refuse(QStringLiteral("it is not a JSON object"));
    if (Status read = readHeader(*document, kind, refuse, manifest); read.failed())
        return read;
    if (Status read = readFiles(member(*document, "files"), refuse, manifest); read.failed())
        return read;
    if (Status read = readRecords(member(*document, "records"), refuse, manifest); read.failed())
        return read;
    return checkCounts(*document, refuse, manifest);
}

Status checkPatchFiles(const Manifest& manifest, std::initializer_list<Input*> files, const QString& mismatch,
                       const QString& unreadable)
{
    size_t role = 0;
    for (Input* file : files) {
        const ManifestFile& expected = manifest.files.at(role++);
        if (file->size() != expected.size)
            return Status::failure(
                Status::Kind::Damaged, mismatch, file->path(),
                QStringLiteral("It has %1 bytes, its manifest says %2").arg(file->size()).arg(expected.size));
        Hash128 hash;
        if (const Status read = hashInput(*file, file->size(), hash); read.failed())
            return read.withMessage(unreadable);
        if (hash != expected.hash)
            return Status::failure(Status::Kind::Damaged, mismatch, file->path(),
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
        return Status::fileFailure(Status::Kind::Damaged, manifestPath,
                                   QStringLiteral("its records do not name the blocks its locator names"));
    return Status();
}

}  // namespace quillmark
