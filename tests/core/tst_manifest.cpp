// The manifest beside a set of difference files: one content for one facet
// in any form or layout, the same bytes from the same inputs, each case a
// combination and a verification find of a base (the reference, the
// current copy, edits elsewhere, a replaced block edited, forced), and every
// damaged manifest and tampered difference file refused with nothing
// written.

#include "containerbuilder.h"
#include "hashes.h"
#include "jobrun.h"
#include "memoryfilesystem.h"
#include "patchcheck.h"
#include "workspace.h"

#include <QTest>

#include <functional>
#include <numeric>
#include <optional>
#include <random>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

using namespace quillmark;
using testfiles::entries;
using testfiles::mapBlock;
using testfiles::read;

namespace {

constexpr int Blocks = 12;

// A map of 12 blocks, block b with header b and payload seed 100 + b,
// except where `payloads` gives another seed.
QByteArray map(const QMap<int, quint32>& payloads = {}, qint32 headers = 0)
{
    QByteArray bytes;
    for (int b = 0; b < Blocks; ++b)
        bytes += mapBlock(headers + b, payloads.value(b, 100 + quint32(b)));
    return bytes;
}

QByteArray inContainer(const QByteArray& map)
{
    return containerbuilder::build(containerbuilder::mapChunks(0, map)).bytes;
}

// The statics of 12 blocks: block b holds b + 1 bytes of 'a' + b, block 3
// is empty, except where `blocks` says otherwise (nothing: empty). Laid out
// forwards or backwards in the data file, every entry's extra `extra`.
using Blocks12 = QMap<int, std::optional<QByteArray>>;
std::pair<QByteArray, QByteArray> statics(const Blocks12& blocks = {}, bool backwards = false,
                                          qint32 extra = 0)
{
    QList<std::optional<QByteArray>> all;
    for (int b = 0; b < Blocks; ++b)
        all << blocks.value(b, b == 3 ? std::nullopt : std::optional(QByteArray(b + 1, char('a' + b))));
    QByteArray index(Blocks * 12, 0), data;
    for (int i = 0; i < Blocks; ++i) {
        const int b = backwards ? Blocks - 1 - i : i;
        const qint32 offset = all[b] ? qint32(data.size()) : -1;
        index.replace(b * 12, 12, entries({{offset, all[b] ? qint32(all[b]->size()) : 0, extra}}));
        data += all[b].value_or(QByteArray());
    }
    return {index, data};
}

// The current copies: map blocks 2 and 7 get new payloads and block 5 a new
// header only; statics block 1 new bytes, 4 emptied, 3 filled, 6 a new extra.
const QMap<int, quint32> MapEdits{{2, 202}, {7, 207}};
const Blocks12 StaticsEdits{{1, QByteArray("xy")}, {4, std::nullopt}, {3, QByteArray("new")}};

// What a base is made of: the reference, as it is or in another form (a
// map in a package container, statics laid out backwards with other extras).
enum class Base { Reference, OtherForm };

struct Set
{
    Workspace ws;
    PatchKind kind;
    QStringList difs;  // in the order of the combination's fields

    explicit Set(PatchKind patchKind) : kind(patchKind)
    {
        QDir(ws.dir.path()).mkdir("gen");
        QDir(ws.dir.path()).mkdir("base");
        if (kind == PatchKind::Map) {
            QByteArray current = map(MapEdits);
            current.replace(5 * 196, 4, testfiles::int32s({555}));  // a header alone
            QVERIFY(runJob(Job::GenerateMap, {ws.file("ref.mul", map()), ws.file("cur.mul", current)},
                           ws.path("gen"))
                        .succeeded());
            difs = {ws.path("gen/mapdif0.mul"), ws.path("gen/mapdifl0.mul")};
        } else {
            const auto [refIndex, refData] = statics();
            auto [curIndex, curData] = statics(StaticsEdits);
            curIndex.replace(6 * 12 + 8, 4, testfiles::int32s({66}));
            QVERIFY(runJob(Job::GenerateStatics,
                           {ws.file("ref.idx", refIndex), ws.file("ref.dat", refData),
                            ws.file("cur.idx", curIndex), ws.file("cur.dat", curData)},
                           ws.path("gen"))
                        .succeeded());
            difs = {ws.path("gen/stadif0.mul"), ws.path("gen/stadifi0.mul"), ws.path("gen/stadifl0.mul")};
        }
    }

    QString manifest() const
    {
        return ws.path(kind == PatchKind::Map ? "gen/mapdif0.manifest.json" : "gen/stadif0.manifest.json");
    }

    // The base's files, written into base/.
    QStringList base(Base base) const
    {
        if (kind == PatchKind::Map)
            return {ws.file("base/map.mul", base == Base::OtherForm ? inContainer(map()) : map())};
        const auto [index, data] = statics({}, base == Base::OtherForm, base == Base::OtherForm ? 9 : 0);
        return {ws.file("base/staidx.mul", index), ws.file("base/statics.mul", data)};
    }

    JobOutcome combine(Base base, bool force = false) const
    {
        RunSettings settings;
        settings.force = force;
        return runJob(kind == PatchKind::Map ? Job::CombineMap : Job::CombineStatics, this->base(base) + difs,
                      ws.out(), settings);
    }

    JobOutcome verify(Base base) const { return verifyPatch(this->base(base), difs); }
};

// A facet of a few blocks as the base check sees it: each block's content
// (a map block's payload; a statics block's bytes, none for an empty block)
// and what travels beside it unchecked (a map block's header, a statics
// entry's extra); a statics entry may point outside its data.
struct ModelBlock
{
    std::optional<QByteArray> content;
    qint32 beside = 0;
    bool damaged = false;

    bool sameContent(const ModelBlock& other) const
    {
        return !damaged && !other.damaged && content == other.content;
    }
};
using ModelFacet = QList<ModelBlock>;

// What a combination of a patch from `reference` to `current` (whose
// locator names `records`) finds of `base` when asked for `facet`, the
// manifest's being `patchFacet`; and, unless a damaged entry stops it, what
// it makes of it.
struct ModelVerdict
{
    BaseCase found = BaseCase::Fits;
    qint64 alreadyPatched = 0;
    qint64 otherBlocks = 0;
    std::vector<qint64> conflicts;
    int otherFacet = -1;
    std::optional<qint64> damagedAt;  // a damaged entry the patch does not replace
    ModelFacet made;
};

ModelVerdict modelCombination(const ModelFacet& reference, const ModelFacet& current,
                              const QList<qint64>& records, const ModelFacet& base, int patchFacet, int facet)
{
    const auto same = [](const ModelFacet& a, const ModelFacet& b) {
        if (a.size() != b.size())
            return false;
        for (qsizetype i = 0; i < a.size(); ++i) {
            if (!a[i].sameContent(b[i]))
                return false;
        }
        return true;
    };
    ModelVerdict model;
    for (qint64 b = 0; b < base.size(); ++b) {
        const bool replaced = records.contains(b);
        if (base[b].damaged && !replaced && !model.damagedAt)
            model.damagedAt = b;
        model.made << (replaced ? current[b] : base[b]);
    }
    for (const qint64 b : records) {
        if (b < base.size() && base[b].sameContent(current[b]))
            ++model.alreadyPatched;
        else if (b >= base.size() || !base[b].sameContent(reference[b]))
            model.conflicts.push_back(b);
    }
    if (same(base, reference)) {
        model.found = BaseCase::Exact;
    } else if (same(base, current)) {
        model.found = BaseCase::AlreadyApplied;
    } else {
        model.found = model.conflicts.empty() ? BaseCase::Fits : BaseCase::Conflict;
        for (qint64 b = 0; b < qMax(base.size(), reference.size()); ++b) {
            if (!records.contains(b)
                && (b >= base.size() || b >= reference.size() || !base[b].sameContent(reference[b])))
                ++model.otherBlocks;
        }
    }
    if (facet != patchFacet) {
        model.otherFacet = facet;
        model.found = BaseCase::Conflict;
    }
    return model;
}

// The facet's files in `folder`: a map file (in a package container when
// `container`), or a statics index and data file with the blocks' bytes in
// the order `layout` gives.
QStringList writeFacet(MemoryFileSystem& files, PatchKind kind, const ModelFacet& facet,
                       const QString& folder, bool container, QRandomGenerator& random)
{
    if (kind == PatchKind::Map) {
        QByteArray map;
        for (const ModelBlock& block : facet)
            map += testfiles::int32s({block.beside}) + *block.content;
        return files.writeFiles(folder, {{"map.mul", container ? inContainer(map) : map}});
    }
    QList<qsizetype> layout(facet.size());
    std::iota(layout.begin(), layout.end(), 0);
    std::shuffle(layout.begin(), layout.end(), std::mt19937(random.generate()));
    QByteArray index(facet.size() * 12, 0), data;
    for (const qsizetype b : layout) {
        const ModelBlock& block = facet[b];
        const qint32 length = block.content ? qint32(block.content->size()) : 0;
        const qint32 offset = block.damaged ? qint32(1 << 20) : block.content ? qint32(data.size()) : -1;
        index.replace(b * 12, 12,
                      testfiles::int32s({offset, length + (block.damaged ? 1 : 0), block.beside}));
        data += block.content.value_or(QByteArray());
    }
    return files.writeFiles(folder, {{"staidx.mul", index}, {"statics.mul", data}});
}

// A statics pair read back as the model sees it.
ModelFacet readStatics(const QByteArray& index, const QByteArray& bytes)
{
    const QList<qint32> fields = testfiles::readInt32s(index);
    ModelFacet facet;
    for (qsizetype i = 0; i + 2 < fields.size(); i += 3)
        facet << ModelBlock{fields[i] == -1 ? std::nullopt
                                            : std::optional(bytes.mid(fields[i], fields[i + 1])),
                            fields[i + 2]};
    return facet;
}

class Draw
{
public:
    explicit Draw(quint32 seed) : random(seed) {}
    bool chance(int percent) { return int(random.bounded(100)) < percent; }
    int upTo(int most) { return int(random.bounded(most + 1)); }
    ModelBlock block(PatchKind kind)
    {
        ModelBlock drawn{std::nullopt, qint32(random.generate() & 0xffff)};
        if (kind == PatchKind::Map)
            drawn.content = testfiles::randomBytes(192, random.generate());
        else if (!chance(25))
            drawn.content = testfiles::randomBytes(upTo(3) * 7, random.generate());
        return drawn;
    }
    QRandomGenerator random;
};

}  // namespace

class ManifestTest : public QObject
{
    Q_OBJECT

private slots:
    // Block hashes are XXH3-64 as any xxHash tool gives them (`xxhsum -H3`):
    // a map payload, which takes a path of its own, one of them at a stride,
    // and statics blocks shorter and longer.
    void blockHashesAreXxh3()
    {
        QByteArray bytes(200, '\0');
        for (int i = 0; i < bytes.size(); ++i)
            bytes[i] = char((i * 37 + 11) % 256);
        QCOMPARE(blockHash(bytes.constData(), 192), Q_UINT64_C(0x96edaf81ff0e57b7));
        QCOMPARE(blockHash(bytes.constData(), 12), Q_UINT64_C(0x7d46569e2ff6f29f));
        QCOMPARE(blockHash(bytes.constData(), 200), Q_UINT64_C(0x43ecce5b9e53d9db));
        quint64 hashes[2] = {};
        payloadHashes(bytes.constData(), 2, 8, hashes);
        QCOMPARE(hashes[0], Q_UINT64_C(0x96edaf81ff0e57b7));
        QCOMPARE(hashes[1], Q_UINT64_C(0x00e513abf6fc3e5f));
    }

    // Both maps in containers, or statics laid out otherwise with other
    // extras, and a second run: the same manifest, byte for byte, with no
    // path and no time. (What a map's manifest holds, its names and records,
    // the refusals below find before they edit it.)
    void oneContentOneManifest()
    {
        for (const PatchKind kind : {PatchKind::Map, PatchKind::Statics}) {
            const Set set(kind);
            const bool isMap = kind == PatchKind::Map;
            const QByteArray manifest = read(set.manifest());
            QVERIFY(!manifest.contains(set.ws.dir.path().toUtf8()));
            const QStringList current =
                isMap ? QStringList{set.ws.file("cur.uop", inContainer(read(set.ws.path("cur.mul"))))}
                      : QStringList{set.ws.path("cur.idx"), set.ws.path("cur.dat")};
            QVERIFY(QDir().mkdir(set.ws.path("again")));
            QVERIFY(runJob(isMap ? Job::GenerateMap : Job::GenerateStatics,
                           set.base(Base::OtherForm) + current, set.ws.path("again"))
                        .succeeded());
            QCOMPARE(read(set.ws.path("again/") + QFileInfo(set.manifest()).fileName()), manifest);
        }
    }

    // Random facets and patches, bases of every kind the patch may meet
    // (its reference or result with other headers, layouts or forms, edits
    // elsewhere, replaced blocks patched already or edited, blocks cut off
    // or added, a damaged entry, another facet), each verified and combined
    // (forced or not) and held against the model: the case and its figures,
    // the combination's verdict the verification's, a conflict's reason the
    // same in both, and every block the combination writes.
    void baseCheckAgainstModel()
    {
        constexpr quint32 Seeds = 160;
        int fewNotTold = 0;
        for (quint32 seed = 1; seed <= Seeds; ++seed) {
            Draw draw(seed);
            const PatchKind kind = seed % 2 ? PatchKind::Map : PatchKind::Statics;
            const bool isMap = kind == PatchKind::Map;
            MemoryFileSystem files;
            ModelFacet reference;
            for (int b = 1 + draw.upTo(44); b > 0; --b)
                reference << draw.block(kind);
            ModelFacet current = reference;
            const int edits = draw.upTo(90);
            for (ModelBlock& block : current) {
                if (draw.chance(edits))
                    block = draw.block(kind);
                else if (draw.chance(20))
                    block.beside += 1;
            }
            const int patchFacet = draw.upTo(3);
            files.makeFolder("/gen");
            files.makeFolder("/out");
            const QStringList made = writeFacet(files, kind, reference, "/ref", false, draw.random)
                                     + writeFacet(files, kind, current, "/cur", false, draw.random);
            RunSettings generation = on(files);
            generation.facet = patchFacet;
            QVERIFY(runJob(isMap ? Job::GenerateMap : Job::GenerateStatics, made, "/gen", generation)
                        .succeeded());
            const QString n = QString::number(patchFacet);
            const QStringList difs =
                isMap ? QStringList{"/gen/mapdif" + n + ".mul", "/gen/mapdifl" + n + ".mul"}
                      : QStringList{"/gen/stadif" + n + ".mul", "/gen/stadifi" + n + ".mul",
                                    "/gen/stadifl" + n + ".mul"};
            QList<qint64> records;
            for (const qint32 block : testfiles::readInt32s(files.contents(difs.last())))
                records << block;

            ModelFacet base = draw.chance(20) ? current : reference;
            // A quarter of the bases are the reference or the result but for
            // headers, extras, layout and form.
            const bool pristine = draw.chance(25);
            const int patched = pristine ? 0 : draw.upTo(100), editedElsewhere = pristine ? 0 : draw.upTo(30),
                      conflicting = pristine ? 0 : draw.upTo(20);
            for (qint64 b = 0; b < base.size(); ++b) {
                ModelBlock& block = base[b];
                block.beside = draw.chance(50) ? block.beside : block.beside ^ 0x100;
                if (!records.contains(b) && draw.chance(editedElsewhere))
                    block = draw.block(kind);
                if (records.contains(b) && draw.chance(patched))
                    block = current[b];
                if (records.contains(b) && draw.chance(conflicting))
                    block = draw.block(kind);
                block.damaged = !isMap && !pristine && draw.chance(records.contains(b) ? 4 : 1);
            }
            if (!pristine && draw.chance(15))
                base.resize(qMax<qsizetype>(0, base.size() - 1 - draw.upTo(2)));
            else if (!pristine && draw.chance(15))
                for (int more = 1 + draw.upTo(2); more > 0; --more)
                    base << draw.block(kind);
            const int facet = draw.chance(15) ? (patchFacet + 1 + draw.upTo(2)) % 4 : patchFacet;
            const qint64 height = 1 + draw.upTo(6);
            const bool force = draw.chance(30);
            const ModelVerdict model = modelCombination(reference, current, records, base, patchFacet, facet);
            const QStringList baseFiles =
                writeFacet(files, kind, base, "/base", isMap && draw.chance(15), draw.random);
            const QString context = QString("seed %1").arg(seed);

            RunSettings settings = on(files);
            const JobOutcome verified = verifyPatch(baseFiles, difs, settings.commit, facet, height);
            settings.facet = facet;
            settings.force = force;
            settings.heightBlocks = height;
            const JobOutcome combined =
                runJob(isMap ? Job::CombineMap : Job::CombineStatics, baseFiles + difs, "/out", settings);
            if (model.damagedAt) {
                for (const JobOutcome* outcome : {&verified, &combined})
                    QVERIFY2(outcome->failure().is(Status::Kind::Damaged)
                                 && outcome->failure().block() == *model.damagedAt,
                             qPrintable(context + ": " + outcome->failure().text()));
                continue;
            }
            QVERIFY2(verified.succeeded(), qPrintable(context + ": " + verified.failure().text()));
            const BaseVerdict& found = verified.result().base;
            QVERIFY2(found.found == model.found && found.alreadyPatched == model.alreadyPatched
                         && found.conflicts == model.conflicts && found.otherFacet == model.otherFacet,
                     qPrintable(context + ": " + baseCaseText(found)));
            // Any count said is one the other blocks reach; a few of them are
            // told apart almost always (two blocks whose entries share all
            // their cells cannot be).
            QVERIFY2(found.otherBlocksExact ? found.otherBlocks == model.otherBlocks
                                            : found.otherBlocks <= model.otherBlocks && model.otherBlocks > 0,
                     qPrintable(context + QString(": %1 other blocks").arg(model.otherBlocks)));
            fewNotTold += !found.otherBlocksExact && model.otherBlocks <= 2 ? 1 : 0;
            if (model.found == BaseCase::Fits)
                QVERIFY2(baseCaseText(found).startsWith(QString("base fits: %1%2 other block")
                                                            .arg(found.otherBlocksExact ? "" : "at least ")
                                                            .arg(found.otherBlocks)),
                         qPrintable(context + ": " + baseCaseText(found)));
            if (model.found == BaseCase::Conflict && !force) {
                QCOMPARE(combined.failure().reason(), conflictReason(found));
                QCOMPARE(files.folder("/out").keys(), QStringList());
                continue;
            }
            QVERIFY2(combined.succeeded(), qPrintable(context + ": " + combined.failure().text()));
            QCOMPARE(baseCaseText(combined.result().base),
                     model.found == BaseCase::Conflict
                         ? baseCaseText(found).replace("does not fit:", "does not fit, forced:")
                         : baseCaseText(found));
            const QString f = QString::number(facet);
            if (isMap) {
                QByteArray expected;
                for (const ModelBlock& block : model.made)
                    expected += testfiles::int32s({block.beside}) + *block.content;
                QVERIFY2(files.contents("/out/map" + f + ".mul") == expected, qPrintable(context));
                continue;
            }
            const ModelFacet result = readStatics(files.contents("/out/staidx" + f + ".mul"),
                                                  files.contents("/out/statics" + f + ".mul"));
            QCOMPARE(result.size(), model.made.size());
            for (qsizetype b = 0; b < result.size(); ++b)
                QVERIFY2(result[b].content == model.made[b].content
                             && result[b].beside == model.made[b].beside,
                         qPrintable(context + QString(", block %1").arg(b)));
        }
        QVERIFY2(fewNotTold <= 2,
                 qPrintable(QString("%1 counts of a few other blocks not told").arg(fewNotTold)));
    }

    void refused_data()
    {
        QTest::addColumn<std::function<void(const Set&)>>("damage");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("reason");  // its beginning
        const auto edit = [](const char* from, const QByteArray& to) {
            return std::function<void(const Set&)>([from, to](const Set& set) {
                QByteArray text = read(set.manifest());
                QVERIFY2(text.contains(from), from);
                testfiles::write(set.manifest(), text.replace(from, to));
            });
        };
        const QString open = "Unable to open dif files", mismatch = "Dif files do not match their manifest";
        QTest::newRow("cut short") << edit("\"\n}\n", "") << open
                                   << "it is not valid JSON: a string without its end at byte";
        QTest::newRow("not an object")
            << edit("{\n\"format\"", "[{\"format\"") << open << "it is not valid JSON";
        QTest::newRow("other format") << edit("quillmark-patch-manifest", "sketchbook") << open
                                      << "it is not a manifest of difference files";
        QTest::newRow("version 2") << edit("\"version\": 1", "\"version\": 2") << open
                                   << "its format version is 2; this program reads version 1";
        QTest::newRow("statics") << edit("\"kind\": \"map\"", "\"kind\": \"statics\"") << open
                                 << "it is not the manifest of map difference files";
        QTest::newRow("facet 9") << edit("\"facet\": 0", "\"facet\": 9") << open << "it names no facet";
        QTest::newRow("a file elsewhere")
            << edit("\"name\": \"mapdifl0.mul\"", "\"name\": \"../mapdifl0.mul\"") << open
            << "its file 1 is not mapdifl0.mul, the locator of its set";
        QTest::newRow("records out of order") << edit("\"records\": \"2:", "\"records\": \"8:") << open
                                              << "its record 1 is not a block of its reference";
        QTest::newRow("counts") << edit("\"size\": 8,", "\"size\": 12,") << open
                                << "its 2 records do not fit the sizes it gives its files";
        QTest::newRow("sketch") << edit("\"referenceSketch\": \"", "\"referenceSketch\": \"AAAA") << open
                                << "its reference sketch is not the size its records call for";
        QTest::newRow("records not the locator's")
            << edit(" 7:", " 8:") << open << "its records do not name the blocks its locator names";
        QTest::newRow("first record not the locator's")
            << edit("\"records\": \"2:", "\"records\": \"1:") << open
            << "its records do not name the blocks its locator names";
        QTest::newRow("a record repeated")
            << edit(" 7:", " 2:") << open
            << "its record 1 is not a block of its reference after the one before";
        QTest::newRow("a member twice") << edit("\"version\": 1,", "\"version\": 1, \"version\": 1,") << open
                                        << "it is not valid JSON: a member name repeats: version";
        QTest::newRow("another facet's set")
            << std::function<void(const Set&)>([](const Set& set) {
                   QByteArray text = read(set.manifest());
                   testfiles::write(set.manifest(), text.replace("\"facet\": 0", "\"facet\": 1")
                                                        .replace("mapdifl0.mul", "mapdifl1.mul")
                                                        .replace("mapdif0.mul", "mapdif1.mul"));
               })
            << mismatch
            << "It is the manifest of mapdifl1.mul, a set for Trammel (facet 1), not of mapdifl0.mul";
        QTest::newRow("too many values")
            << edit("\"facet\": 0", "\"facet\": 0, \"padding\": [" + QByteArray("0,").repeated(5000) + "0]")
            << open << "it is not valid JSON: too many values at byte";
        QTest::newRow("too large") << edit("\n}\n", "\n" + QByteArray(5 << 20, ' ') + "}\n") << open
                                   << "larger than";
        QTest::newRow("a folder") << std::function<void(const Set&)>([](const Set& set) {
            QVERIFY(QFile::remove(set.manifest()) && QDir().mkdir(set.manifest()));
        }) << open << "";
#ifndef Q_OS_WIN
        QTest::newRow("a FIFO") << std::function<void(const Set&)>([](const Set& set) {
            QVERIFY(QFile::remove(set.manifest())
                    && ::mkfifo(QFile::encodeName(set.manifest()).constData(), 0600) == 0);
        }) << open << "not a regular file";
        QTest::newRow("a link") << std::function<void(const Set&)>([](const Set& set) {
            QVERIFY(QFile::rename(set.manifest(), set.ws.path("elsewhere.json"))
                    && QFile::link(set.ws.path("elsewhere.json"), set.manifest()));
        }) << open << "not a regular file";
#endif
        QTest::newRow("tampered data") << std::function<void(const Set&)>([](const Set& set) {
            QByteArray bytes = read(set.difs[0]);
            bytes[100] = char(bytes[100] ^ 1);
            testfiles::write(set.difs[0], bytes);
        }) << mismatch << "Its bytes are not those its manifest names";
        QTest::newRow("locator cut") << std::function<void(const Set&)>([](const Set& set) {
            QFile::resize(set.difs[1], 4);
        }) << mismatch << "It has 4 bytes, its manifest says 8";
        QTest::newRow("an escape is still JSON")
            << edit("\"quillmark-patch", "\"\\u0071uillmark-patch") << QString() << QString();
    }
    // Refused before anything is written, by the combination and the
    // verification alike, naming the manifest or the file it does not fit.
    void refused()
    {
        QFETCH(std::function<void(const Set&)>, damage);
        QFETCH(QString, message);
        QFETCH(QString, reason);
        const Set set(PatchKind::Map);
        damage(set);
        const JobOutcome verified = set.verify(Base::Reference), combined = set.combine(Base::Reference);
        QCOMPARE(combined.message(), message);
        QCOMPARE(verified.message(), message);
        QVERIFY2(combined.failure().reason().startsWith(reason), qPrintable(combined.failure().text()));
        const QString file = reason.startsWith("It has")      ? set.difs[1]
                             : reason.startsWith("Its bytes") ? set.difs[0]
                             : message.isEmpty()              ? QString()
                                                              : set.manifest();
        QCOMPARE(combined.failure().file(), file);
        QCOMPARE(set.ws.outFiles(), message.isEmpty() ? QStringList{"map0.mul"} : QStringList());
    }
};

QTEST_GUILESS_MAIN(ManifestTest)
#include "tst_manifest.moc"
