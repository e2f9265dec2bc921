// Map package containers: the name hash, reading every layout a container
// may take, refusing damaged ones with their reasons, plain files beside
// containers, and containers written by Quillmark read back and checked
// field by field.

#include "containerbuilder.h"
#include "mapinput.h"
#include "stagedfile.h"
#include "uopmapwriter.h"
#include "workspace.h"

#include <QtTest>

#include <functional>

using namespace uopformat;
using containerbuilder::Built;
using containerbuilder::Layout;
using containerbuilder::put;

using Damage = std::function<void(Built&)>;
Q_DECLARE_METATYPE(Layout)
Q_DECLARE_METATYPE(QList<Damage>)

namespace {

template <typename T>
T field(const QByteArray& bytes, qint64 at)
{
    return qFromLittleEndian<T>(bytes.constData() + at);
}

// The first view (offset, length) in which the two maps differ, or "": the
// whole map block by block, then random views, many across chunk boundaries,
// up to beyond the largest view and past the end.
QString differingView(MapInput& container, MapInput& plain, int randomViews)
{
    const qint64 size = plain.size();
    QList<std::pair<qint64, qint64>> views{{size, 0}, {size, 1}, {-1, 1}};
    for (qint64 at = 0; at < size; at += 196)
        views.append({at, qMin<qint64>(196, size - at)});
    QRandomGenerator random(5);
    for (int i = 0; i < randomViews; ++i) {
        const qint64 length = random.bounded(InputFile::MaxView + 2);
        views.append({i % 4 ? random.bounded(size + 10) - 2
                            : ChunkSize * random.bounded(3) - random.bounded(length + 1),
                      length});
    }
    for (const auto& [offset, length] : views) {
        const char* a = plain.view(offset, length);
        const QByteArray expected = a ? QByteArray(a, length) : QByteArray("null");
        const char* b = container.view(offset, length);
        if (expected != (b ? QByteArray(b, length) : QByteArray("null")))
            return QString("view %1, %2").arg(offset).arg(length);
    }
    return QString();
}

quint64 chunkHash(int facet, qint64 chunk)
{
    return uopNameHash(chunkName(facet, chunk));
}

// Damage done to a container: a field of the header, of a table (in chain
// order) or of a part's entry set to a value.
template <typename T>
Damage header(qint64 at, T value)
{
    return [=](Built& b) { put<T>(b.bytes, at, value); };
}
template <typename T>
Damage table(int index, qint64 at, T value)
{
    return [=](Built& b) { put<T>(b.bytes, b.tableAt[index] + at, value); };
}
template <typename T>
Damage entry(int part, qint64 at, T value)
{
    return [=](Built& b) { put<T>(b.bytes, b.entryAt[part] + at, value); };
}

// Ten thousand empty tables after the last one, each leading to the next.
void endlessChain(Built& b)
{
    put<quint64>(b.bytes, b.tableAt[1] + TableNextAt, quint64(b.bytes.size()));
    for (int i = 0; i < UopDirectory::MaxTables; ++i) {
        b.bytes += QByteArray(TableHeaderSize, '\0');
        put<quint64>(b.bytes, b.bytes.size() - 8, quint64(b.bytes.size()));
    }
}

// Chunks 0 and 1 stored, chunk 2 packed, in two tables of capacity 4: chunk 1
// and an unused entry in the first, then chunk 2 and chunk 0. Entry ordinals:
// chunk 1 is 0, chunk 2 is 2, chunk 0 is 3.
Built damageBase(const QByteArray& map)
{
    Layout layout;
    layout.capacity = 4;
    layout.tables = {{1, -1}, {2, 0}};
    return containerbuilder::build(containerbuilder::mapChunks(0, map, {false, false, true}), layout);
}

}  // namespace

class ContainerTest : public QObject
{
    Q_OBJECT

    const QByteArray m_map = testfiles::randomBytes(2 * ChunkSize + 3000, 11);

private slots:
    void nameHash_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<quint64>("hash");
        QTest::newRow("felucca chunk 0") << chunkName(0, 0) << 0xDBB7AFA433A3764Bull;
        QTest::newRow("facet 4 chunk 0") << chunkName(4, 0) << 0xDEA39C8655BA717Cull;
        QTest::newRow("short") << QByteArray("abc") << 0x3C03BE9E0E397631ull;
        QTest::newRow("exactly 12 bytes") << QByteArray("123456789012") << 0x27F9A1C5B578F5B0ull;
    }
    void nameHash()
    {
        QFETCH(QByteArray, name);
        QFETCH(quint64, hash);
        QCOMPARE(uopNameHash(name), hash);
        QCOMPARE(chunkName(0, 0), QByteArray("build/map0legacymul/00000000.dat"));
        QCOMPARE(chunkName(5, 1234), QByteArray("build/map5legacymul/00001234.dat"));
        QCOMPARE(mapContainerName("out", 2), QString("out/map2LegacyMUL.uop"));
        QCOMPARE(mapContainerName("", 0), QString("/map0LegacyMUL.uop"));
    }

    void readsLayouts_data()
    {
        QTest::addColumn<int>("facet");
        QTest::addColumn<qint64>("mapSize");
        QTest::addColumn<QList<bool>>("zlib");
        QTest::addColumn<quint32>("headerLength");
        QTest::addColumn<Layout>("layout");
        const qint64 size = m_map.size();
        const QList<bool> stored;
        // Layout{capacity, padded, laid backwards, first table at, tables}
        QTest::newRow("one table") << 0 << size << stored << 0u << Layout();
        QTest::newRow("out of order")
            << 1 << size << stored << 0u << Layout{1000, true, false, 64, {{2, 0, 1}}};
        QTest::newRow("two tables of 100, laid backwards")
            << 2 << size << stored << 0u << Layout{100, true, true, 64, {{1}, {2, 0}}};
        QTest::newRow("unused entries, empty table")
            << 3 << size << stored << 0u << Layout{8, true, false, 64, {{-1, 0, -1, 2}, {}, {1, -1}}};
        QTest::newRow("no padding") << 4 << size << stored << 0u
                                    << Layout{3, false, false, 64, {{0}, {1, 2}}};
        QTest::newRow("zlib chunks") << 5 << size << QList<bool>{true, false, true} << 0u << Layout();
        QTest::newRow("data headers") << 0 << size << QList<bool>{false, true, false} << 12u << Layout();
        QTest::newRow("one whole chunk") << 1 << ChunkSize << QList<bool>() << 0u << Layout();
        QTest::newRow("a fragment") << 2 << qint64(100) << QList<bool>{true} << 0u << Layout();
        QTest::newRow("empty map") << 3 << qint64(0) << QList<bool>() << 0u << Layout();
    }
    // A container is known by its first bytes, not by its name, and gives
    // every view that the plain map gives.
    void readsLayouts()
    {
        QFETCH(int, facet);
        QFETCH(qint64, mapSize);
        QFETCH(QList<bool>, zlib);
        QFETCH(quint32, headerLength);
        QFETCH(Layout, layout);
        QList<containerbuilder::Part> parts = containerbuilder::mapChunks(facet, m_map.left(mapSize), zlib);
        for (containerbuilder::Part& part : parts)
            part.headerLength = headerLength;
        Workspace ws;
        MapInput plain(ws.file("map0LegacyMUL.uop", m_map.left(mapSize)));
        MapInput input(ws.file("map.mul", containerbuilder::build(parts, layout).bytes));
        QVERIFY(plain.open() && !plain.isContainer());
        QCOMPARE(plain.facet(), -1);
        QVERIFY2(input.open(), qPrintable(input.errorString()));
        QVERIFY(input.isContainer());
        QCOMPARE(input.facet(), facet);
        QCOMPARE(input.size(), mapSize);
        QCOMPARE(differingView(input, plain, 60), QString());
    }

    void refusesDamage_data()
    {
        QTest::addColumn<QList<Damage>>("damage");
        QTest::addColumn<QString>("reason");
        const auto row = [](const char* name, const QList<Damage>& damage, const char* reason) {
            QTest::newRow(name) << damage << QString(reason);
        };
        row("cut header", {[](Built& b) { b.bytes.truncate(20); }}, "the header is cut short");
        row("no table", {header<quint64>(HeaderFirstTableAt, 0)}, "it has no table");
        row("table in the header", {header<quint64>(HeaderFirstTableAt, 8)},
            "the table at byte 8 lies inside the header");
        row("table past the end", {table<quint64>(0, TableNextAt, ~0ull)},
            "the table at byte 18446744073709551615 lies past the end of the file");
        row("chain loops", {table<quint64>(1, TableNextAt, 64)}, "the table chain loops back to byte 64");
        row("endless chain", {endlessChain}, "the table chain is longer than 10000 tables");
        row("count over capacity", {table<qint32>(0, 0, 5)},
            "the table at byte 64 counts 5 entries for a capacity of 4");
        row("negative count", {table<qint32>(0, 0, -1)},
            "the table at byte 64 counts -1 entries for a capacity of 4");
        row("entries past the end", {header<quint32>(HeaderCapacityAt, ~0u), table<qint32>(1, 0, 0x7fffffff)},
            "the table at byte 212 has entries past the end of the file");
        row("header counts too many", {header<quint32>(HeaderEntryCountAt, ~0u)},
            "the header counts 4294967295 entries, more than the file can hold");
        row("unknown packing", {entry<quint16>(2, EntryPackingAt, 2)}, "entry 2 has unknown packing 2");
        row("same hash twice", {entry(0, EntryHashAt, chunkHash(0, 1))},
            "entries 0 and 3 have the same name hash");
        row("no chunk 0", {entry(0, EntryHashAt, uopNameHash("abc"))}, "it holds no chunk 0 of any map");
        row("missing chunk", {entry(1, EntryHashAt, chunkHash(0, 7))}, "chunk 1 is missing");
        row("stray entry", {entry(2, EntryHashAt, uopNameHash("abc"))}, "entry 2 is not a chunk of map 0");
        row("another map's chunk", {entry(2, EntryHashAt, chunkHash(1, 0))},
            "entry 2 is not a chunk of map 0");
        row("chunk past the end", {entry<quint64>(1, 0, m_map.size() - 1000)},
            "chunk 1 reaches past the end of the file");
        row("offset wraps", {entry<quint64>(0, 0, ~0ull - 10)}, "chunk 0 reaches past the end of the file");
        row("lengths of a stored chunk differ", {entry<quint32>(1, EntryUnpackedLengthAt, 5)},
            "chunk 1 is stored in 802816 bytes but counts 5");
        row("short middle chunk",
            {entry<quint32>(1, EntryStoredLengthAt, ChunkSize - 196),
             entry<quint32>(1, EntryUnpackedLengthAt, ChunkSize - 196)},
            "chunk 1 holds 802620 bytes instead of 802816");
        row("long last chunk", {entry<quint32>(2, EntryUnpackedLengthAt, ChunkSize + 1)},
            "chunk 2 holds 802817 bytes, more than 802816");
    }
    void refusesDamage()
    {
        QFETCH(QList<Damage>, damage);
        QFETCH(QString, reason);
        Built built = damageBase(m_map);
        for (const Damage& change : damage)
            change(built);
        Workspace ws;
        MapInput input(ws.file("x.uop", built.bytes));
        QVERIFY(!input.open());
        QCOMPARE(input.errorString(), reason);
    }

    void damagedZlibChunkFailsItsViews_data()
    {
        QTest::addColumn<QList<Damage>>("damage");
        const auto change = [](qint64 at, qint32 by) {
            return QList<Damage>{[=](Built& b) {
                put<quint32>(b.bytes, b.entryAt[2] + at, field<quint32>(b.bytes, b.entryAt[2] + at) + by);
            }};
        };
        QTest::newRow("unpacks to more") << change(EntryUnpackedLengthAt, -1);
        QTest::newRow("unpacks to less") << change(EntryUnpackedLengthAt, 1);
        QTest::newRow("stream cut short") << change(EntryStoredLengthAt, -4);
        QTest::newRow("bytes after the stream") << change(EntryStoredLengthAt, 1);
        QTest::newRow("flipped byte")
            << QList<Damage>{[](Built& b) { b.bytes[b.bytes.size() - 30] ^= 0x55; }};
    }
    // The damaged stream ends the map, and something follows it in the file.
    void damagedZlibChunkFailsItsViews()
    {
        QFETCH(QList<Damage>, damage);
        Built built = damageBase(m_map);
        built.bytes += "tail";
        damage[0](built);
        Workspace ws;
        MapInput input(ws.file("x.uop", built.bytes));
        QVERIFY2(input.open(), qPrintable(input.errorString()));
        QVERIFY(!input.view(2 * ChunkSize, 196));
        QCOMPARE(input.errorString(), QString("chunk 2 does not unpack to its stated length"));
        QVERIFY(!input.view(2 * ChunkSize - 98, 196));
        const char* before = input.view(ChunkSize, 196);
        QVERIFY(before && QByteArray(before, 196) == m_map.mid(ChunkSize, 196));
    }

    void fileShrinksAfterOpen()
    {
        Workspace ws;
        const QString path = ws.file("x.uop", damageBase(m_map).bytes);
        MapInput input(path);
        QVERIFY(input.open() && QFile::resize(path, ChunkSize));
        QVERIFY(!input.view(ChunkSize + 196, 196));
        QCOMPARE(input.errorString(), QString("chunk 1 cannot be read"));
        QVERIFY(!input.view(2 * ChunkSize, 196));
        QCOMPARE(input.errorString(), QString("chunk 2 cannot be read"));
    }

    // No file, a folder, no name: the system's reason. Not the magic (a byte
    // short of it, or another number): a plain map, whatever the name says.
    void plainFiles()
    {
        Workspace ws;
        QFile probe(ws.path("missing.uop"));
        probe.open(QIODevice::ReadOnly);
        for (const QString& path : {probe.fileName(), ws.out(), QString()}) {
            MapInput input(path);
            QVERIFY(!input.open());
            QCOMPARE(input.errorString().isEmpty(), false);
            QVERIFY(path != probe.fileName() || input.errorString() == probe.errorString());
        }
        for (const QByteArray& bytes : {QByteArray("MYP"), QByteArray("MYP\1") + QByteArray(200, 'x')}) {
            MapInput input(ws.file("map0LegacyMUL.uop", bytes));
            QVERIFY(input.open() && !input.isContainer());
            QCOMPARE(input.size(), qint64(bytes.size()));
            const char* view = input.view(0, bytes.size());
            QVERIFY(view && QByteArray(view, bytes.size()) == bytes);
        }
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
    // lays out the same way, with each chunk's Adler-32 in its entry; and it
    // reads back.
    void writer()
    {
        QFETCH(qint64, size);
        QFETCH(qint64, step);
        QFETCH(qint64, capacity);
        const QByteArray map = m_map.left(size);
        Workspace ws;
        UopMapWriter writer(mapContainerName(ws.out(), 3), 3, size, capacity);
        QVERIFY(writer.create());
        for (qint64 at = 0; at < size; at += step)
            writer.append(map.constData() + at, qMin(step, size - at));
        QVERIFY(writer.finish() && commitStaged({&writer.staged()}));
        QCOMPARE(writer.size(), size);
        QCOMPARE(ws.outFiles(), QStringList{"map3LegacyMUL.uop"});

        const QList<containerbuilder::Part> parts = containerbuilder::mapChunks(3, map);
        Layout layout{quint32(capacity), true, false, 512, {}};
        layout.tables.resize((parts.size() + capacity - 1) / capacity);
        for (int k = 0; k < parts.size(); ++k)
            layout.tables[k / capacity].append(k);
        Built expected = containerbuilder::build(parts, layout);
        for (int k = 0; k < parts.size(); ++k) {
            const QByteArray& chunk = parts[k].stored;
            put<quint32>(
                expected.bytes, expected.entryAt[k] + EntryChecksumAt,
                quint32(adler32(1, reinterpret_cast<const Bytef*>(chunk.constData()), uInt(chunk.size()))));
        }
        const QByteArray file = testfiles::read(writer.target());
        QVERIFY(file == expected.bytes);
        QCOMPARE(field<quint32>(file, HeaderVersionAt), 5u);
        QCOMPARE(field<quint32>(file, HeaderSignatureAt), 0xFD23EC43u);
        MapInput container(writer.target());
        QVERIFY2(container.open(), qPrintable(container.errorString()));
        QCOMPARE(container.facet(), 3);
        QCOMPARE(container.size(), size);
    }

    // No such facet or folder; too many bytes, or too few: nothing to commit,
    // and nothing left behind.
    void writerRefuses()
    {
        Workspace ws;
        for (const int facet : {-1, 6})
            QVERIFY(!UopMapWriter(ws.outFile("map.uop"), facet, 196).create());
        QVERIFY(!UopMapWriter(ws.path("missing/map0LegacyMUL.uop"), 0, 196).create());
        for (const qint64 appended : {qint64(197), qint64(195)}) {
            UopMapWriter writer(ws.outFile("map0LegacyMUL.uop"), 0, 196);
            QVERIFY(writer.create());
            writer.append(m_map.constData(), appended);
            QCOMPARE(writer.failed(), appended > 196);
            QVERIFY(!writer.finish());
        }
        QCOMPARE(ws.outFiles(), QStringList());
    }

    // More than is buffered, then a little that is still in the buffer, patched;
    // and a patch past what was written fails.
    void stagedOverwrite()
    {
        Workspace ws;
        StagedFile file(ws.outFile("patched"));
        QVERIFY(file.create());
        const QByteArray bytes = testfiles::randomBytes(600 << 10, 3) + "tail";
        file.append(bytes.constData(), bytes.size() - 4);
        file.append("tail", 4);
        file.overwrite(10, "abcd", 4);
        file.overwrite(bytes.size() - 2, "yz", 2);
        file.append("!", 1);
        QVERIFY(!file.failed());
        QCOMPARE(file.size(), qint64(bytes.size() + 1));
        QVERIFY(commitStaged({&file}));
        QVERIFY(testfiles::read(file.target())
                == QByteArray(bytes + "!").replace(10, 4, "abcd").replace(bytes.size() - 2, 2, "yz"));
        StagedFile beyond(ws.outFile("beyond"));
        QVERIFY(beyond.create());
        beyond.append("abc", 3);
        beyond.overwrite(2, "xy", 2);
        QVERIFY(beyond.failed());
    }
};

QTEST_GUILESS_MAIN(ContainerTest)
#include "tst_container.moc"
