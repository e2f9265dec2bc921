// Map package containers: the name hash, reading every layout a container
// may take, refusing damaged ones with their reasons, plain files beside
// containers, and containers written by Quillmark checked byte by byte.

#include "containerbuilder.h"
#include "mapinput.h"
#include "stagedcommit.h"
#include "stagedfile.h"
#include "uopmapwriter.h"
#include "viewing.h"
#include "workspace.h"

#include <QTest>

using namespace quillmark;
using namespace quillmark::uopformat;
using namespace containerbuilder;

namespace {

// The first view (offset, length) in which the two maps differ, or "": the
// whole map block by block, then views across chunk boundaries, the largest
// view and one past it, and views past the end.
QString differingView(MapInput& container, MapInput& plain)
{
    const qint64 size = plain.size(), max = InputFile::MaxView;
    QList<std::pair<qint64, qint64>> views{{size, 0}, {size, 1}, {-1, 1}, {size - 5, max}, {0, max + 1}};
    for (qint64 at = 0; at < size; at += 196)
        views.append({at, qMin<qint64>(196, size - at)});
    for (const qint64 boundary : {ChunkSize, 2 * ChunkSize})
        views.append(
            {{boundary - 98, 196}, {boundary - max + 1, max}, {boundary - 1, max}, {boundary - 1, 2}});
    for (const auto& [offset, length] : views) {
        const char* a = viewed(plain, offset, length);
        const QByteArray expected = a ? QByteArray(a, length) : QByteArray("null");
        const char* b = viewed(container, offset, length);
        if (expected != (b ? QByteArray(b, length) : QByteArray("null")))
            return QString("view %1, %2").arg(offset).arg(length);
    }
    return QString();
}

// A field of a container set to a value, in its `width` low bytes.
struct Patch
{
    qint64 at;
    quint64 value;
    int width;
};
const auto set8 = [](qint64 at, quint64 value) { return Patch{at, value, 1}; };
const auto set16 = [](qint64 at, quint64 value) { return Patch{at, value, 2}; };
const auto set32 = [](qint64 at, quint64 value) { return Patch{at, value, 4}; };
const auto set64 = [](qint64 at, quint64 value) { return Patch{at, value, 8}; };

// What opening makes of a file.
enum class Opened { AsContainer, AsPlainMap, Refused };

}  // namespace

class ContainerTest : public QObject
{
    Q_OBJECT

    const QByteArray m_map = testfiles::randomBytes(2 * ChunkSize + 3000, 11);
    // Chunks 0 and 1 stored, chunk 2 packed, in two tables of capacity 4: chunk
    // 1 and an unused entry in the first, then chunk 2 and chunk 0. Entry
    // ordinals: chunk 1 is 0, chunk 2 is 2, chunk 0 is 3.
    const Built m_base =
        build(mapChunks(0, m_map, {false, false, true}), Layout::ofTables(4, {{1, -1}, {2, 0}}));

    QByteArray damaged(const QList<Patch>& patches) const
    {
        QByteArray bytes = m_base.bytes;
        for (const Patch& patch : patches)
            for (int i = 0; i < patch.width; ++i)
                bytes[patch.at + i] = char(patch.value >> (8 * i));
        return bytes;
    }
    qint64 entry(int part, qint64 at) const { return m_base.entryAt[part] + at; }

private slots:
    void names()
    {
        QCOMPARE(chunkName(5, 1234), QByteArray("build/map5legacymul/00001234.dat"));
        QCOMPARE(uopNameHash(chunkName(0, 0)), 0xDBB7AFA433A3764Bull);
        QCOMPARE(uopNameHash(chunkName(4, 0)), 0xDEA39C8655BA717Cull);
        QCOMPARE(uopNameHash("abc"), 0x3C03BE9E0E397631ull);
        QCOMPARE(uopNameHash("123456789012"), 0x27F9A1C5B578F5B0ull);
    }

    void opens_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Opened>("opened");
        QTest::addColumn<int>("facet");
        QTest::addColumn<qint64>("mapSize");
        QTest::addColumn<QString>("reason");  // why it is refused
        // Every layout a container may take: a container of the map's first
        // `size` bytes, its chunks packed where `zlib` says...
        const auto readable = [this](const char* name, int facet, qint64 size, const Layout& layout,
                                     const QList<bool>& zlib = {}, quint32 dataHeader = 0) {
            QList<Part> parts = mapChunks(facet, m_map.left(size), zlib);
            for (Part& part : parts)
                part.headerLength = dataHeader;
            QTest::newRow(name) << build(parts, layout).bytes << Opened::AsContainer << facet << size
                                << QString();
        };
        const qint64 size = m_map.size();
        Layout backwards = Layout::ofTables(100, {{1}, {2, 0}}),
               unpadded = Layout::ofTables(3, {{0}, {1, 2}});
        backwards.tablesBackwards = true;
        unpadded.padTables = false;
        const QList<bool> chunks0And2Packed{true, false, true}, packed{true};
        readable("one table", 0, size, Layout());
        readable("out of order", 1, size, Layout::ofTables(1000, {{2, 0, 1}}));
        readable("two tables of 100, laid backwards", 2, size, backwards);
        readable("unused entries, empty table", 3, size, Layout::ofTables(8, {{-1, 0, -1, 2}, {}, {1, -1}}));
        readable("no padding", 4, size, unpadded);
        readable("zlib chunks, data headers of 12 bytes", 5, size, Layout(), chunks0And2Packed, 12);
        readable("one whole chunk", 1, ChunkSize, Layout());
        readable("a fragment", 2, 100, Layout(), packed);
        readable("empty map", 3, 0, Layout());
        // ...a header that does not hold together as a container's, which is
        // a plain map's first block, whatever its first four bytes...
        const QByteArray magicBlock =
            testfiles::int32s({qint32(Magic)}) + testfiles::randomBytes(3 * 196 - 4, 3);
        const std::pair<const char*, QByteArray> plainMaps[] = {
            {"a byte short of the magic", "MYP"},
            {"another number", QByteArray("MYP\1") + QByteArray(200, 'x')},
            {"a block header that is the magic", magicBlock},
            {"a header cut short", m_base.bytes.left(20)},
            {"a version not known", damaged({set32(HeaderVersionAt, 6)})},
            {"no table", damaged({set64(HeaderFirstTableAt, 0)})},
            {"the first table inside the header", damaged({set64(HeaderFirstTableAt, 8)})},
            {"the first table past the end",
             damaged({set64(HeaderFirstTableAt, quint64(m_base.bytes.size()))})}};
        for (const auto& [name, plain] : plainMaps)
            QTest::newRow(name) << plain << Opened::AsPlainMap << -1 << qint64(plain.size()) << QString();
        // ...and damage, each row named by its reason.
        const auto refused = [](const QByteArray& container, const char* reason) {
            QTest::newRow(reason) << container << Opened::Refused << -1 << qint64(0) << QString(reason);
        };
        const auto row = [&](const QList<Patch>& patches, const char* reason) {
            refused(damaged(patches), reason);
        };
        const qint64 table0 = m_base.tableAt[0], table1 = m_base.tableAt[1];
        // Ten thousand empty tables after the last one, each leading to the next.
        QByteArray endless = damaged({set64(table1 + TableNextAt, quint64(m_base.bytes.size()))});
        for (int i = 0; i < UopDirectory::MaxTables; ++i) {
            endless += QByteArray(TableHeaderSize, '\0');
            put<quint64>(endless, endless.size() - 8, quint64(endless.size()));
        }
        row({set64(table0 + TableNextAt, ~0ull)},
            "the table at byte 18446744073709551615 lies past the end of the file");
        row({set64(table1 + TableNextAt, 64)}, "the table chain loops back to byte 64");
        refused(endless, "the table chain is longer than 10000 tables");
        row({set32(table0, 5)}, "the table at byte 64 counts 5 entries for a capacity of 4");
        row({set32(table0, 0xFFFFFFFF)}, "the table at byte 64 counts -1 entries for a capacity of 4");
        row({set32(HeaderCapacityAt, ~0u), set32(table1, 0x7fffffff)},
            "the table at byte 212 has entries past the end of the file");
        row({set32(HeaderEntryCountAt, ~0u)},
            "the header counts 4294967295 entries, more than the file can hold");
        row({set16(entry(2, EntryPackingAt), 2)}, "entry 2 has unknown packing 2");
        row({set64(entry(0, EntryHashAt), uopNameHash(chunkName(0, 1)))},
            "entries 0 and 3 have the same name hash");
        row({set64(entry(0, EntryHashAt), uopNameHash("abc"))}, "it holds no chunk 0 of any map");
        row({set64(entry(1, EntryHashAt), uopNameHash(chunkName(0, 7)))}, "chunk 1 is missing");
        row({set64(entry(2, EntryHashAt), uopNameHash(chunkName(1, 0)))}, "entry 2 is not a chunk of map 0");
        row({set64(entry(1, 0), quint64(m_map.size() - 1000))}, "chunk 1 reaches past the end of the file");
        row({set64(entry(0, 0), ~0ull - 10)}, "chunk 0 reaches past the end of the file");
        row({set32(entry(1, EntryUnpackedLengthAt), 5)}, "chunk 1 is stored in 802816 bytes but counts 5");
        row({set32(entry(1, EntryStoredLengthAt), ChunkSize - 196),
             set32(entry(1, EntryUnpackedLengthAt), ChunkSize - 196)},
            "chunk 1 holds 802620 bytes instead of 802816");
        row({set32(entry(2, EntryUnpackedLengthAt), ChunkSize + 1)},
            "chunk 2 holds 802817 bytes, more than 802816");
    }
    // A container is known by its first bytes, not by its name, and gives
    // every view that the plain map gives; a damaged one is refused with its
    // reason.
    void opens()
    {
        QFETCH(QByteArray, file);
        QFETCH(Opened, opened);
        QFETCH(int, facet);
        QFETCH(qint64, mapSize);
        QFETCH(QString, reason);
        Workspace ws;
        MapInput input(ws.file("map.mul", file), FileSystem::system());
        QCOMPARE(openFailure(input), reason);
        if (opened == Opened::Refused)
            return;
        MapInput plain(
            ws.file("map0LegacyMUL.uop", opened == Opened::AsPlainMap ? file : m_map.left(mapSize)),
            FileSystem::system());
        QVERIFY(plain.open().ok() && !plain.isContainer() && plain.facet() == -1);
        QCOMPARE(input.isContainer(), opened == Opened::AsContainer);
        QCOMPARE(input.facet(), facet);
        QCOMPARE(input.size(), mapSize);
        QCOMPARE(differingView(input, plain), QString());
    }

    // A damaged zlib stream with something after it in the file: views of
    // its chunk fail with the reason, views of the chunk before it still read.
    // A file cut short after opening fails the views of the chunks it lost.
    void damagedChunksFailTheirViews()
    {
        const auto changed = [this](qint64 at, qint64 by) {
            const quint32 value = qFromLittleEndian<quint32>(m_base.bytes.constData() + entry(2, at));
            return damaged({set32(entry(2, at), quint64(value + by))});
        };
        const qint64 flipped = m_base.bytes.size() - 26;
        Workspace ws;
        for (const QByteArray& container :
             {changed(EntryUnpackedLengthAt, -1), changed(EntryUnpackedLengthAt, 1),
              changed(EntryStoredLengthAt, -4), changed(EntryStoredLengthAt, 1),
              damaged({set8(flipped, quint8(m_base.bytes[flipped] ^ 0x55))})}) {
            MapInput input(ws.file("x.uop", container + "tail"), FileSystem::system());
            QCOMPARE(openFailure(input), QString());
            QCOMPARE(viewFailure(input, 2 * ChunkSize, 196),
                     QString("chunk 2 does not unpack to its stated length"));
            QVERIFY(!viewed(input, 2 * ChunkSize - 98, 196));
            const char* before = viewed(input, ChunkSize, 196);
            QVERIFY(before && QByteArray(before, 196) == m_map.mid(ChunkSize, 196));
        }
        const QString path = ws.file("x.uop", m_base.bytes);
        MapInput input(path, FileSystem::system());
        QVERIFY(input.open().ok() && QFile::resize(path, ChunkSize));
        QCOMPARE(viewFailure(input, ChunkSize + 196, 196), QString("chunk 1 cannot be read"));
        QCOMPARE(viewFailure(input, 2 * ChunkSize, 196), QString("chunk 2 cannot be read"));
    }

    void writer_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<qint64>("step");  // bytes per append
        QTest::addColumn<qint64>("capacity");
        QTest::newRow("empty") << qint64(0) << qint64(196) << qint64(1000);
        QTest::newRow("one block") << qint64(196) << qint64(196) << qint64(1000);
        QTest::newRow("one whole chunk") << ChunkSize << qint64(196) << qint64(1000);
        QTest::newRow("chunks and a fragment") << m_map.size() << qint64(196) << qint64(1000);
        QTest::newRow("appends across chunks") << m_map.size() << qint64(1000003) << qint64(1000);
        QTest::newRow("a chain of tables") << m_map.size() << qint64(4096) << qint64(1);
    }
    // What the writer makes is, byte for byte, the container that the builder
    // lays out the same way, with each chunk's Adler-32 in its entry.
    void writer()
    {
        QFETCH(qint64, size);
        QFETCH(qint64, step);
        QFETCH(qint64, capacity);
        const QByteArray map = m_map.left(size);
        Workspace ws;
        UopMapWriter writer(mapContainerName(ws.out(), 3), 3, size, FileSystem::system(), capacity);
        QVERIFY(writer.create().ok());
        for (qint64 at = 0; at < size; at += step)
            writer.append(map.constData() + at, qMin(step, size - at));
        QVERIFY(writer.finish().ok() && commitStaged({&writer.staged()}, CommitOptions()).ok());
        QCOMPARE(ws.outFiles(), QStringList{"map3LegacyMUL.uop"});

        QList<Part> parts = mapChunks(3, map);
        Layout layout = Layout::ofTables(quint32(capacity), {});
        layout.firstTableAt = 512;
        for (int k = 0; k < parts.size(); ++k) {
            if (k % capacity == 0)
                layout.tables.append(QList<int>());
            layout.tables.last().append(k);
            const QByteArray& chunk = parts[k].stored;
            parts[k].checksum =
                quint32(adler32(1, reinterpret_cast<const Bytef*>(chunk.constData()), uInt(chunk.size())));
        }
        const QByteArray file = testfiles::read(writer.target());
        QVERIFY(file == build(parts, layout).bytes);
        QCOMPARE(qFromLittleEndian<quint32>(file.constData() + HeaderVersionAt), 5u);
        QCOMPARE(qFromLittleEndian<quint32>(file.constData() + HeaderSignatureAt), 0xFD23EC43u);
    }

    // Too many bytes, or too few: nothing to commit, and nothing left behind.
    // A patch past what was written fails too.
    void writerRefuses()
    {
        Workspace ws;
        {
            StagedFile file(ws.outFile("patched"), FileSystem::system());
            QVERIFY(file.create().ok());
            file.append("abc", 3);
            file.overwrite(2, "xy", 2);
            QVERIFY(file.writeStatus().failed());
        }
        for (const qint64 appended : {qint64(197), qint64(195)}) {
            UopMapWriter writer(ws.outFile("map0LegacyMUL.uop"), 0, 196, FileSystem::system());
            QVERIFY(writer.create().ok());
            writer.append(m_map.constData(), appended);
            QCOMPARE(writer.writeStatus().failed(), appended > 196);
            QVERIFY(writer.finish().failed());
        }
        QCOMPARE(ws.outFiles(), QStringList());
    }
};

QTEST_GUILESS_MAIN(ContainerTest)
#include "tst_container.moc"
