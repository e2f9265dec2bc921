// The manifest beside a set of difference files: one content for one facet
// in any form or layout, the same bytes from the same inputs, each case a
// combination and a verification find of a base (the reference, the
// current copy, edits elsewhere, a replaced block edited, forced), and every
// damaged manifest and tampered difference file refused with nothing
// written.

#include "containerbuilder.h"
#include "hashes.h"
#include "jobrun.h"
#include "workspace.h"

#include <QtTest>

#include <functional>
#include <optional>

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

// What a base is made of, beside the reference.
enum class Base {
    Reference,
    OtherHeaders,   // map: every block header differs
    InContainer,    // map: the reference in a package container
    OtherLayout,    // statics: the same blocks laid out backwards, other extras
    Current,        // the current copy: the patch applied already
    Elsewhere,      // block 10 edited
    HalfApplied,    // block 10 edited, and the first replaced block patched already
    EditedReplaced  // the second replaced block edited
};

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
        if (kind == PatchKind::Map) {
            QMap<int, quint32> edits;
            if (base == Base::Current)
                edits = MapEdits;
            if (base == Base::Elsewhere || base == Base::HalfApplied)
                edits[10] = 310;
            if (base == Base::HalfApplied)
                edits[2] = MapEdits[2];
            if (base == Base::EditedReplaced)
                edits[7] = 307;
            QByteArray bytes = map(edits, base == Base::OtherHeaders ? 1000 : 0);
            if (base == Base::InContainer)
                bytes = inContainer(bytes);
            return {ws.file("base/map.mul", bytes)};
        }
        Blocks12 edits;
        if (base == Base::Current)
            edits = StaticsEdits;
        if (base == Base::Elsewhere || base == Base::HalfApplied)
            edits[10] = QByteArray("other");
        if (base == Base::HalfApplied)
            edits[1] = StaticsEdits[1];
        if (base == Base::EditedReplaced)
            edits[4] = QByteArray("!");
        const auto [index, data] =
            statics(edits, base == Base::OtherLayout, base == Base::OtherLayout ? 9 : 0);
        return {ws.file("base/staidx.mul", index), ws.file("base/statics.mul", data)};
    }

    JobOutcome combine(Base base, bool force = false) const
    {
        RunSettings settings;
        settings.force = force;
        return runJob(kind == PatchKind::Map ? Job::CombineMap : Job::CombineStatics, this->base(base) + difs,
                      ws.out(), settings);
    }

    JobOutcome verify(Base base) const
    {
        SilentProgress silent;
        const QStringList files = this->base(base);
        if (kind == PatchKind::Map)
            return verifyMapPatch({files[0], difs[0], difs[1], {}, 0}, silent);
        return verifyStaticsPatch({files[0], files[1], difs[0], difs[1], difs[2], {}, 0}, silent);
    }
};

struct CaseRow
{
    const char* name;
    PatchKind kind;
    Base base;
    BaseCase found;
    qint64 otherBlocks;
    qint64 alreadyPatched;
    const char* failure = nullptr;  // the combination's message, when it fails
    const char* reason = nullptr;
    bool force = false;
    bool manifestRemoved = false;
};

}  // namespace

Q_DECLARE_METATYPE(CaseRow)

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
                           set.base(isMap ? Base::InContainer : Base::OtherLayout) + current,
                           set.ws.path("again"))
                        .succeeded());
            QCOMPARE(read(set.ws.path("again/") + QFileInfo(set.manifest()).fileName()), manifest);
        }
    }

    void baseCases_data()
    {
        QTest::addColumn<CaseRow>("row");
        const PatchKind Map = PatchKind::Map, Statics = PatchKind::Statics;
        const char* const NoFit[] = {"Dif files do not fit this map", "Dif files do not fit these statics"};
        const CaseRow rows[] = {
            {"map: reference", Map, Base::Reference, BaseCase::Exact, 0, 0},
            {"map: other headers", Map, Base::OtherHeaders, BaseCase::Exact, 0, 0},
            {"map: in a container", Map, Base::InContainer, BaseCase::Exact, 0, 0},
            {"map: current", Map, Base::Current, BaseCase::AlreadyApplied, 0, 2},
            {"map: elsewhere", Map, Base::Elsewhere, BaseCase::Fits, 1, 0},
            {"map: half applied", Map, Base::HalfApplied, BaseCase::Fits, 1, 1},
            {"map: replaced block edited", Map, Base::EditedReplaced, BaseCase::Conflict, 0, 0, NoFit[0],
             "1 of the 2 blocks it replaces holds something else, at tile 0,56"},
            {"map: forced", Map, Base::EditedReplaced, BaseCase::Conflict, 0, 0, nullptr, nullptr, true},
            {"statics: reference", Statics, Base::Reference, BaseCase::Exact, 0, 0},
            {"statics: other layout", Statics, Base::OtherLayout, BaseCase::Exact, 0, 0},
            {"statics: current", Statics, Base::Current, BaseCase::AlreadyApplied, 0, 3},
            {"statics: half applied", Statics, Base::HalfApplied, BaseCase::Fits, 1, 1},
            {"statics: replaced block edited", Statics, Base::EditedReplaced, BaseCase::Conflict, 0, 0,
             NoFit[1], "1 of the 3 blocks it replaces holds something else, at tile 0,32"},
            // Without a manifest a combination is what it always was.
            {"statics: no manifest", Statics, Base::EditedReplaced, BaseCase::NotChecked, 0, 0, nullptr,
             nullptr, false, true},
        };
        for (const CaseRow& row : rows)
            QTest::newRow(row.name) << row;
    }
    // The combination finds the case a verification finds, and says it; a
    // conflict writes nothing unless forced. What an exact or fitting base
    // becomes has the patch's blocks.
    void baseCases()
    {
        QFETCH(CaseRow, row);
        const Set set(row.kind);
        QVERIFY(!row.manifestRemoved || QFile::remove(set.manifest()));
        const JobOutcome verified = set.verify(row.base);
        QVERIFY2(verified.succeeded(), qPrintable(verified.failure().text()));
        const BaseVerdict& found = verified.result().base;
        QCOMPARE(found.found, row.found);
        QCOMPARE(found.otherBlocks, row.otherBlocks);
        QCOMPARE(found.alreadyPatched, row.alreadyPatched);
        const JobOutcome combined = set.combine(row.base, row.force);
        QCOMPARE(combined.message(), QString(row.failure ? row.failure : ""));
        if (row.failure) {
            QCOMPARE(combined.failure().reason(), QString(row.reason));
            QCOMPARE(set.ws.outFiles(), QStringList());
            return;
        }
        QCOMPARE(combined.result().base.found, row.found);
        QCOMPARE(combined.result().base.otherBlocks, row.otherBlocks);
        QCOMPARE(combined.result().base.forced, row.force);
        QCOMPARE(combined.result().base.manifest, set.manifest());
        if (row.kind == PatchKind::Map) {
            const QByteArray made = read(set.ws.outFile("map0.mul")), current = read(set.ws.path("cur.mul"));
            for (const int b : {2, 7})
                QCOMPARE(made.mid(b * 196 + 4, 192), current.mid(b * 196 + 4, 192));
        }
    }

    // A conflict names its tile on the facet's own grid, where blocks run
    // down a column: block height + 1 is the second block of the second.
    void conflictOnEachFacet()
    {
        for (const auto& [facet, height] :
             {std::pair{0, 512}, {1, 512}, {2, 200}, {3, 256}, {4, 181}, {5, 512}}) {
            Workspace ws;
            const qint64 at = (height + 1) * 196 + 4;
            const QByteArray reference = testfiles::randomBytes((height + 2) * 196, 1);
            QByteArray current = reference, base = reference;
            current.replace(at, 192, testfiles::randomBytes(192, 2));
            base.replace(at, 192, testfiles::randomBytes(192, 3));
            const QStringList made{ws.outFile(QString("mapdif%1.mul").arg(facet)),
                                   ws.outFile(QString("mapdifl%1.mul").arg(facet))};
            QVERIFY(runJob(Job::GenerateMap, {ws.file("ref", reference), ws.file("cur", current)}, ws.out(),
                           {facet})
                        .succeeded());
            const JobOutcome combined =
                runJob(Job::CombineMap, QStringList{ws.file("base", base)} + made, ws.dir.path(), {facet});
            QVERIFY2(combined.failure().reason().endsWith(" holds something else, at tile 8,8"),
                     qPrintable(combined.failure().text()));
        }
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
        const bool theFiles = message == "Dif files do not match their manifest";
        QCOMPARE(combined.failure().file(), message.isEmpty() ? QString()
                                            : theFiles        ? set.difs[reason.startsWith("It has") ? 1 : 0]
                                                              : set.manifest());
        QCOMPARE(set.ws.outFiles(), message.isEmpty() ? QStringList{"map0.mul"} : QStringList());
    }
};

QTEST_GUILESS_MAIN(ManifestTest)
#include "tst_manifest.moc"
