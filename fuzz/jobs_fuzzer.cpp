// One of the four jobs, the one QUILLMARK_FUZZED_JOB names, on inputs cut
// from the fuzzer's bytes; each job is a target of its own, with its own
// corpus. Properties: success with exactly the job's outputs, or a documented
// failure leaving nothing; inputs unchanged; a FIFO among them refused.
//
// Input layout: one little-endian 16-bit length per file, then the files'
// bytes back to back. The fuzzer chooses every size, record multiple or not;
// a file whose bytes run out is cut short there. A file whose bytes are
// exactly "FIFO" is made a FIFO instead, which no job may wait on. The jobs
// run on a file system in memory, fresh for each input.
//
// Generation: the current files are the reference with fuzzer-chosen bytes
// laid over them, so that most blocks agree and some differ, move, empty or
// break. The generated set, combined with the reference, which its manifest
// finds to be exactly what it was made from, gives back the current map's
// payloads, or every current statics block its bytes, empty ones kept empty.
//
// Combination: the outcome is the one a plain model predicts: every block
// taken from the first locator record that names it (or from the base), a
// map's fragment past its last block carried over, statics written compactly
// in block order; a failure at the block of the first record looked for past
// the difference data; a statics entry that cannot be read a failure at its
// block, the message naming its side; files sized for other roles (swapped,
// the other kind's, a map as statics data) refused before they are read.

#include "fileformat.h"
#include "jobmessages.h"
#include "jobrun.h"
#include "mapinput.h"
#include "memoryfilesystem.h"
#include "replay.h"
#include "require.h"
#include "viewing.h"

#include <QRandomGenerator>
#include <QtEndian>

#include <initializer_list>
#include <map>
#include <optional>

using namespace quillmark;
using namespace difformat;

namespace {

// What a job names as damaged where it finds damage at a block: "Dif files",
// "Current statics", ...; its message says so and names the block.
using DamageMessage = const char*;

QList<QByteArray> splitInput(const uint8_t* data, size_t size, int count)
{
    const char* bytes = reinterpret_cast<const char*>(data);
    size_t at = size_t(count) * 2;  // past the lengths
    QList<QByteArray> files;
    for (int i = 0; i < count; ++i) {
        const size_t wanted = 2 * size_t(i) + 2 <= size ? qFromLittleEndian<quint16>(bytes + 2 * i) : 0;
        const size_t length = at < size ? qMin(wanted, size - at) : 0;
        files << QByteArray(bytes + qMin(at, size), qsizetype(length));
        at += length;
    }
    return files;
}

// A copy of `bytes` with the fuzzer's patches laid over it, so that most of
// a current file agrees with its reference and some of it differs. Patches:
// 2 bytes offset, 1 byte length, then that many bytes.
QByteArray patched(const QByteArray& bytes, const QByteArray& patches)
{
    QByteArray result = bytes;
    for (qsizetype at = 0; at + 3 <= patches.size();) {
        const qsizetype offset = qFromLittleEndian<quint16>(patches.constData() + at);
        const qsizetype length = qMin<qsizetype>(quint8(patches[at + 2]), patches.size() - at - 3);
        if (offset + length <= result.size())
            result.replace(offset, length, patches.mid(at + 3, length));
        at += 3 + length;
    }
    return result;
}

qint32 int32At(const QByteArray& bytes, qint64 at)
{
    return qFromLittleEndian<qint32>(bytes.constData() + at);
}

// The map a map file holds as the jobs read it: its own bytes, or the chunks
// of a package container laid end to end; nothing when it cannot be opened
// or read (a damaged container).
std::optional<QByteArray> logicalMap(const QString& path, FileSystem& files)
{
    MapInput map(path, files);
    if (map.open().failed())
        return std::nullopt;
    QByteArray bytes;
    for (qint64 at = 0; at < map.size(); at += InputFile::MaxView) {
        const qint64 piece = qMin(InputFile::MaxView, map.size() - at);
        const char* view = viewed(map, at, piece);
        if (!view)
            return std::nullopt;
        bytes.append(view, qsizetype(piece));
    }
    return bytes;
}

// A fresh file system in memory with the inputs in it and an empty output
// folder "/out"; the jobs run on it.
class Folder
{
public:
    explicit Folder(const QList<QByteArray>& contents) : m_contents(contents)
    {
        files.makeFolder(QStringLiteral("/out"));
        for (const QByteArray& bytes : contents) {
            inputs << QStringLiteral("/in%1.mul").arg(inputs.size());
            if (bytes == SpecialInput)
                files.makeSpecial(inputs.last());
            else
                files.writeFile(inputs.last(), bytes);
            m_special = m_special || bytes == SpecialInput;
        }
    }

    QString out(const char* name) const { return QStringLiteral("/out/") + QLatin1String(name); }
    QByteArray read(const QString& path) const { return files.contents(path); }
    JobOutcome run(Job job, const QStringList& in, const QString& folder = QStringLiteral("/out"))
    {
        RunSettings settings;
        settings.commit.files = &files;
        return runJob(job, in, folder, settings);
    }

    // A job succeeds, leaving exactly its outputs (no temporary file, lock or
    // record), or fails with one of its messages, leaving nothing: a fixed
    // one, or, for damage found at a block, one of `damaged` for that block.
    // Its inputs stay as they were either way. With a FIFO among them, it
    // fails at its opening, as for anything but a regular file, and there is
    // nothing more to judge: false.
    bool checkOutcome(const JobOutcome& outcome, std::initializer_list<const char*> messages,
                      std::initializer_list<DamageMessage> damaged, const QStringList& outputs) const
    {
        require(!outcome.stopped(), "nobody stops the job");
        const QString left = files.folder(QStringLiteral("/out")).keys().join(' ');
        if (outcome.succeeded()) {
            require(left == outputs.join(' '), "exactly the outputs are left", left);
        } else {
            const Status& failure = outcome.failure();
            bool known = false;
            if (failure.block() != Status::NoBlock) {
                require(failure.is(Status::Kind::Damaged), "only damage names a block", failure.text());
                for (const DamageMessage what : damaged)
                    known =
                        known
                        || failure.message()
                               == QStringLiteral("%1 are damaged at block %2").arg(what).arg(failure.block());
            } else {
                for (const char* message : messages)
                    known = known || failure.message() == QLatin1String(message);
            }
            require(known, "a documented message", failure.text());
            require(left.isEmpty(), "a failed job leaves nothing", left);
        }
        for (int i = 0; i < inputs.size(); ++i) {
            if (m_contents[i] != SpecialInput)
                require(read(inputs[i]) == m_contents[i], "inputs unchanged");
        }
        require(!m_special || outcome.failure().is(Status::Kind::NotRegularFile), "a FIFO is refused",
                outcome.failure().text());
        return !m_special;
    }

    MemoryFileSystem files;
    QStringList inputs;

private:
    static constexpr char SpecialInput[] = "FIFO";

    QList<QByteArray> m_contents;
    bool m_special = false;
};

constexpr Job Fuzzed = Job::QUILLMARK_FUZZED_JOB;

// A statics index entry, read apart from the engine's own reading so that
// the two can disagree.
struct Entry
{
    qint32 offset, length, extra;

    bool empty() const { return offset == EmptyOffset; }
    // Whether the entry may be read: empty, of length 0, or inside the data.
    bool readable(qint64 dataSize) const
    {
        return empty() || length == 0 || (offset >= 0 && length > 0 && qint64(offset) + length <= dataSize);
    }
    QByteArray bytes(const QByteArray& data) const
    {
        return empty() || length == 0 ? QByteArray() : data.mid(offset, length);
    }
    QByteArray encoded() const { return testfiles::int32s({offset, length, extra}); }
};

qint64 entryCount(const QByteArray& index)
{
    return index.size() / IndexEntrySize;
}

Entry entryAt(const QByteArray& index, qint64 i)
{
    const qint64 at = i * IndexEntrySize;
    return {int32At(index, at), int32At(index, at + 4), int32At(index, at + 8)};
}

// The first locator record that names each block.
std::map<qint64, qint64> firstRecords(const QByteArray& locator)
{
    std::map<qint64, qint64> first;
    for (qint64 record = 0; record < locator.size() / LocatorRecordSize; ++record)
        first.emplace(int32At(locator, record * LocatorRecordSize), record);
    return first;
}

// The record a combination of `blocks` blocks would look for past the
// `held` records of its difference file: the earliest of those past it that
// is the first to name its block, a block of the walk.
std::optional<std::pair<qint64, qint64>> missingRecord(const std::map<qint64, qint64>& first, qint64 blocks,
                                                       qint64 held)
{
    std::optional<std::pair<qint64, qint64>> missing;  // block, record
    for (const auto& [block, record] : first) {
        if (block >= 0 && block < blocks && record >= held && (!missing || record < missing->second))
            missing = {block, record};
    }
    return missing;
}

// Whether a set's locator and the file of its records, of `recordSize`
// bytes each, are sized as if swapped, or as the other kind's set
// (`otherSize` bytes a record), where their own roles do not fit them; a
// statics index sized as a map's data never fits. The jobs refuse such a
// set before reading it.
bool sizedForOtherRoles(const QByteArray& locator, const QByteArray& records, qint64 recordSize,
                        qint64 otherSize)
{
    const qint64 count = locator.size() / LocatorRecordSize;
    const bool fits = count <= records.size() / recordSize;
    const bool swapped = records.size() % LocatorRecordSize == 0
                         && locator.size() == records.size() / LocatorRecordSize * recordSize;
    const bool other = locator.size() % LocatorRecordSize == 0 && records.size() == count * otherSize;
    return count > 0 && ((!fits && swapped) || (other && (!fits || recordSize == IndexEntrySize)));
}

// `bytes`, made as long as `lengthener` when it holds anything, its bytes
// past the end of `bytes` added.
QByteArray lengthened(const QByteArray& bytes, const QByteArray& lengthener)
{
    return lengthener.isEmpty() ? bytes : bytes.left(lengthener.size()) + lengthener.mid(bytes.size());
}

// The generated set combined with the reference, which its manifest finds
// exact; the folder that holds the result.
QString combineGenerated(Folder& folder, const QStringList& reference,
                         std::initializer_list<const char*> generated)
{
    QStringList inputs = reference;
    for (const char* name : generated)
        inputs << folder.out(name);
    const QString combined = QStringLiteral("/combined");
    folder.files.makeFolder(combined);
    const JobOutcome outcome =
        folder.run(reference.size() == 1 ? Job::CombineMap : Job::CombineStatics, inputs, combined);
    require(outcome.succeeded(), "a generated set combines", outcome.message());
    require(outcome.result().base.found == BaseCase::Exact, "the reference is the base the manifest names");
    return combined + QLatin1Char('/');
}

// The parts: the reference, patches over it, and a part that makes the
// current map as long as it when present. Either map may be a package
// container (the fuzzer's bytes begin with its mark): the properties then
// hold for the maps the containers hold.
void generateMap(const QList<QByteArray>& parts)
{
    const QByteArray current = lengthened(patched(parts[0], parts[1]), parts[2]);
    Folder folder({parts[0], current});
    const JobOutcome outcome = folder.run(Job::GenerateMap, folder.inputs);
    if (!folder.checkOutcome(outcome,
                             {jobmessage::UnableToOpenReferenceData, jobmessage::UnableToOpenMapData,
                              jobmessage::MapSizesDiffer, jobmessage::UnableToReadMapData,
                              jobmessage::UnableToWriteDiffFiles},
                             {}, {"mapdif0.manifest.json", "mapdif0.mul", "mapdifl0.mul"}))
        return;
    const std::optional<QByteArray> referenceMap = logicalMap(folder.inputs[0], folder.files);
    const std::optional<QByteArray> currentMap = logicalMap(folder.inputs[1], folder.files);
    if (!referenceMap || !currentMap) {
        require(!outcome.succeeded(), "a map that cannot be read is refused");
        return;
    }
    require(outcome.succeeded() == (referenceMap->size() == currentMap->size()),
            "only equal sizes are compared", outcome.message());
    if (!outcome.succeeded())
        return;
    // A record for each block whose payload differs, in block order, holding
    // the current block whole; a header alone, or the fragment, makes none.
    QByteArray records, blocks;
    for (qint64 block = 0; block < currentMap->size() / MapBlockSize; ++block) {
        const qint64 payload = block * MapBlockSize + MapHeaderSize;
        if (referenceMap->mid(payload, MapPayloadSize) == currentMap->mid(payload, MapPayloadSize))
            continue;
        blocks += testfiles::int32s({qint32(block)});
        records += currentMap->mid(block * MapBlockSize, MapBlockSize);
    }
    require(folder.read(folder.out("mapdifl0.mul")) == blocks, "a record for each changed payload");
    require(folder.read(folder.out("mapdif0.mul")) == records, "the records hold the current blocks");
    const QString combined = combineGenerated(folder, {folder.inputs[0]}, {"mapdif0.mul", "mapdifl0.mul"});
    const QByteArray map = folder.read(combined + "map0.mul");
    require(map.size() == referenceMap->size(), "the combined map has the reference's size");
    for (qint64 block = 0; block < currentMap->size() / MapBlockSize; ++block) {
        const qint64 payload = block * MapBlockSize + MapHeaderSize;
        require(map.mid(payload, MapPayloadSize) == currentMap->mid(payload, MapPayloadSize),
                "the combined map has the current payloads", QString::number(block));
    }
}

// The difference files a generation writes: a record for each block that
// became empty, stopped being empty or holds other bytes (the current entry
// as it is when empty, else pointing at its bytes in the data written);
// none where only an entry's place or extra changed.
struct StaticsRecords
{
    QByteArray blocks, index, data;
};

StaticsRecords staticsRecords(const QByteArray& referenceIndex, const QByteArray& referenceData,
                              const QByteArray& index, const QByteArray& data)
{
    StaticsRecords records;
    for (qint64 block = 0; block < entryCount(index); ++block) {
        const Entry was = entryAt(referenceIndex, block);
        Entry now = entryAt(index, block);
        if (was.empty() == now.empty() && (now.empty() || was.bytes(referenceData) == now.bytes(data)))
            continue;
        records.blocks += testfiles::int32s({qint32(block)});
        if (!now.empty()) {
            records.data += now.bytes(data);
            now.offset = qint32(records.data.size() - now.length);
        }
        records.index += now.encoded();
    }
    return records;
}

// The parts: the reference index and data, patches over each, and a part
// that makes the current index as long as it when present.
void generateStatics(const QList<QByteArray>& parts)
{
    const QByteArray index = lengthened(patched(parts[0], parts[2]), parts[4]);
    const QByteArray data = patched(parts[1], parts[3]);
    Folder folder({parts[0], parts[1], index, data});
    const JobOutcome outcome = folder.run(Job::GenerateStatics, folder.inputs);
    if (!folder.checkOutcome(outcome,
                             {jobmessage::UnableToOpenReferenceOrIndex,
                              jobmessage::UnableToOpenStaticsDataOrIndex, jobmessage::IndexSizesDiffer,
                              jobmessage::UnableToReadStatics, jobmessage::UnableToWriteDiffFiles},
                             {"Reference statics", "Current statics"},
                             {"stadif0.manifest.json", "stadif0.mul", "stadifi0.mul", "stadifl0.mul"})
        || !outcome.succeeded())
        return;
    const StaticsRecords expected = staticsRecords(parts[0], parts[1], index, data);
    require(folder.read(folder.out("stadifl0.mul")) == expected.blocks, "a record for each changed block");
    require(folder.read(folder.out("stadifi0.mul")) == expected.index, "the records' entries");
    require(folder.read(folder.out("stadif0.mul")) == expected.data, "the records' statics");
    const QString combined =
        combineGenerated(folder, folder.inputs.mid(0, 2), {"stadif0.mul", "stadifi0.mul", "stadifl0.mul"});
    const QByteArray newIndex = folder.read(combined + "staidx0.mul");
    const QByteArray newData = folder.read(combined + "statics0.mul");
    require(entryCount(newIndex) == entryCount(index), "one entry per block");
    for (qint64 block = 0; block < entryCount(index); ++block) {
        const Entry want = entryAt(index, block), got = entryAt(newIndex, block);
        require(got.empty() == want.empty(), "empty blocks stay empty", QString::number(block));
        require(got.bytes(newData) == want.bytes(data), "blocks keep their bytes", QString::number(block));
    }
}

// The parts: the map (a package container when its bytes begin with the
// mark: the model combines the map it holds), the difference data, the
// locator.
void combineMap(const QList<QByteArray>& parts)
{
    Folder folder(parts);
    const JobOutcome outcome = folder.run(Job::CombineMap, folder.inputs);
    if (!folder.checkOutcome(outcome,
                             {jobmessage::UnableToOpenMap, jobmessage::UnableToOpenDifFiles,
                              jobmessage::UnableToReadMapOrDif, jobmessage::UnableToWriteNewMap},
                             {"Dif files"}, {"map0.mul"}))
        return;
    const std::optional<QByteArray> map = logicalMap(folder.inputs[0], folder.files);
    if (!map) {
        require(!outcome.succeeded(), "a map that cannot be read is refused");
        return;
    }
    const QByteArray &dif = parts[1], &locator = parts[2];
    if (sizedForOtherRoles(locator, dif, MapBlockSize, IndexEntrySize)) {
        require(outcome.failure().is(Status::Kind::Usage), "a set in the wrong roles is refused",
                outcome.failure().text());
        return;
    }
    const qint64 blocks = map->size() / MapBlockSize;
    const std::map<qint64, qint64> first = firstRecords(locator);
    if (const auto missing = missingRecord(first, blocks, dif.size() / MapBlockSize)) {
        require(outcome.failure().is(Status::Kind::Damaged) && outcome.failure().block() == missing->first
                    && outcome.failure().file() == folder.inputs[1],
                "a record looked for past the difference data fails at once", outcome.failure().text());
        return;
    }
    QByteArray expected;
    for (qint64 block = 0; block < blocks; ++block) {
        const auto found = first.find(block);
        expected += found == first.end() ? map->mid(block * MapBlockSize, MapBlockSize)
                                         : dif.mid(found->second * MapBlockSize, MapBlockSize);
    }
    expected += map->mid(blocks * MapBlockSize);
    require(outcome.succeeded(), "whole inputs combine", outcome.message());
    require(folder.read(folder.out("map0.mul")) == expected, "the combined map is the model's");
}

// The combination's files, or where it fails: the block, and the input
// whose index entry is damaged.
struct StaticsModel
{
    QByteArray index;
    QByteArray data;
    std::optional<qint64> damagedBlock;  // any block number, negative ones too
    int damagedInput = -1;
};

constexpr int CurrentIndex = 0;
constexpr int DifIndex = 3;

StaticsModel staticsCombination(const QList<QByteArray>& in)
{
    const QByteArray &index = in[0], &data = in[1], &dif = in[2], &difIndex = in[3], &locator = in[4];
    StaticsModel model;
    const std::map<qint64, qint64> first = firstRecords(locator);
    if (const auto missing = missingRecord(first, entryCount(index), entryCount(difIndex))) {
        model.damagedBlock = missing->first;
        model.damagedInput = DifIndex;
        return model;
    }
    for (qint64 block = 0; block < entryCount(index); ++block) {
        const auto found = first.find(block);
        const bool replaced = found != first.end();
        Entry entry = replaced ? entryAt(difIndex, found->second) : entryAt(index, block);
        const QByteArray& source = replaced ? dif : data;
        if (!entry.readable(source.size())) {
            model.damagedBlock = block;
            model.damagedInput = replaced ? DifIndex : CurrentIndex;
            return model;
        }
        const QByteArray bytes = entry.bytes(source);
        if (!entry.empty())
            entry.offset = qint32(model.data.size());
        model.index += entry.encoded();
        model.data += bytes;
    }
    return model;
}

// The parts: the current index and data, the difference data, index and
// locator.
void combineStatics(const QList<QByteArray>& parts)
{
    Folder folder(parts);
    const JobOutcome outcome = folder.run(Job::CombineStatics, folder.inputs);
    if (!folder.checkOutcome(outcome,
                             {jobmessage::UnableToOpenStatics, jobmessage::UnableToOpenDifFiles,
                              jobmessage::UnableToReadStaticsOrDif, jobmessage::UnableToWriteNewStatics},
                             {"Dif files", "Current statics"}, {"staidx0.mul", "statics0.mul"}))
        return;
    const Status& failure = outcome.failure();
    const qint64 blocks = entryCount(parts[0]);
    if ((blocks > 0 && parts[1].size() == blocks * MapBlockSize)
        || sizedForOtherRoles(parts[4], parts[3], IndexEntrySize, MapBlockSize)) {
        require(failure.is(Status::Kind::Usage), "a map's file in a statics role is refused", failure.text());
        return;
    }
    const StaticsModel expected = staticsCombination(parts);
    if (expected.damagedBlock) {
        require(failure.is(Status::Kind::Damaged) && failure.block() == *expected.damagedBlock
                    && failure.file() == folder.inputs[expected.damagedInput],
                "the damage the model predicts", failure.text());
        return;
    }
    require(outcome.succeeded(), "the success the model predicts", failure.text());
    require(folder.read(folder.out("staidx0.mul")) == expected.index, "the model's index");
    require(folder.read(folder.out("statics0.mul")) == expected.data, "the model's data");
}

// Small inputs of every kind the jobs meet, made from a seed: a few blocks,
// empty, length-0, damaged and overlapping statics entries, locator records
// that repeat, lie outside the facet or are cut short, partial trailing
// blocks and entries, files of other sizes.
class Sample
{
public:
    explicit Sample(quint32 seed) : m_random(seed) {}

    QByteArray make()
    {
        const int blocks = upTo(5);
        switch (Fuzzed) {
        case Job::GenerateMap:
            return encoded(
                {map(blocks), patches(blocks * int(MapBlockSize), 8), sometimes(map(upTo(5)), 15)});
        case Job::CombineMap:
            return encoded({map(blocks), map(upTo(4)), locator(blocks)});
        case Job::GenerateStatics: {
            const auto [index, data] = statics(blocks);
            return encoded({index, data, entryPatches(blocks), patches(int(data.size()), 4),
                            sometimes(statics(upTo(5)).first, 15)});
        }
        default: {
            const auto [index, data] = statics(blocks);
            const auto [difIndex, dif] = statics(upTo(4));
            return encoded({index, data, dif, difIndex, locator(blocks)});
        }
        }
    }

private:
    int upTo(int most) { return int(m_random.bounded(most + 1)); }
    bool chance(int percent) { return upTo(99) < percent; }
    QByteArray bytes(int count) { return testfiles::randomBytes(count, m_random.generate()); }
    QByteArray sometimes(const QByteArray& bytes, int percent)
    {
        return chance(percent) ? bytes : QByteArray();
    }
    // A partial record or entry at the end, now and then.
    QByteArray tail() { return sometimes(bytes(1 + upTo(10)), 10); }

    QByteArray map(int blocks)
    {
        return bytes(blocks * int(MapBlockSize)) + sometimes(bytes(1 + upTo(3)), 20);
    }

    QByteArray locator(int blocks)
    {
        QByteArray records;
        for (int r = upTo(6); r > 0; --r)
            records +=
                testfiles::int32s({chance(5) ? qint32(m_random.generate()) : qint32(upTo(blocks + 1)) - 1});
        return records + tail();
    }

    Entry entry(int dataSize)
    {
        const qint32 extra = qint32(upTo(3));
        if (dataSize == 0 || chance(15))
            return {EmptyOffset, qint32(upTo(5)), extra};
        if (chance(10))
            return {qint32(upTo(dataSize + 60)), 0, extra};
        if (chance(5))
            return {qint32(dataSize + upTo(9)), qint32(1 + upTo(4)), extra};
        const int offset = upTo(dataSize - 1);
        return {qint32(offset), qint32(1 + upTo(qMin(7, dataSize - offset - 1))), extra};
    }

    std::pair<QByteArray, QByteArray> statics(int blocks)
    {
        const QByteArray data = bytes(upTo(40));
        QByteArray index;
        for (int b = 0; b < blocks; ++b)
            index += entry(int(data.size())).encoded();
        return {index + tail(), data};
    }

    // Patches over a file of `size` bytes, in the layout patched() reads.
    QByteArray patches(int size, int longest)
    {
        QByteArray list;
        for (int p = upTo(4); p > 0 && size > 0; --p) {
            const int length = 1 + upTo(longest - 1);
            list += patch(upTo(size - 1), bytes(length));
        }
        return list;
    }
    // Whole entries of an index of `blocks` blocks made anew, over data of up to 40 bytes.
    QByteArray entryPatches(int blocks)
    {
        QByteArray list;
        for (int p = upTo(3); p > 0 && blocks > 0; --p)
            list += patch(upTo(blocks - 1) * int(IndexEntrySize), entry(40).encoded());
        return list;
    }
    static QByteArray patch(int offset, const QByteArray& bytes)
    {
        QByteArray head(3, 0);
        qToLittleEndian<quint16>(quint16(offset), head.data());
        head[2] = char(bytes.size());
        return head + bytes;
    }

    static QByteArray encoded(const QList<QByteArray>& parts)
    {
        QByteArray lengths(parts.size() * 2, 0), bytes;
        for (qsizetype i = 0; i < parts.size(); ++i) {
            qToLittleEndian<quint16>(quint16(parts[i].size()), lengths.data() + 2 * i);
            bytes += parts[i];
        }
        return lengths + bytes;
    }

    QRandomGenerator m_random;
};

#ifdef QUILLMARK_REPLAY
const bool SamplesRegistered = (
    sampleMaker() = [](quint32 seed) { return Sample(seed).make(); }, true);
#endif

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const bool map = Fuzzed == Job::GenerateMap || Fuzzed == Job::CombineMap;
    const QList<QByteArray> parts = splitInput(data, size, map ? 3 : 5);
    if (Fuzzed == Job::GenerateMap)
        generateMap(parts);
    else if (Fuzzed == Job::CombineMap)
        combineMap(parts);
    else if (Fuzzed == Job::GenerateStatics)
        generateStatics(parts);
    else
        combineStatics(parts);
    return 0;
}
