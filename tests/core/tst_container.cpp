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

using containerbuilder::Built;
using containerbuilder::Layout;
using containerbuilder::Part;
using uopformat::ChunkSize;

using Damage = std::function<void(Built&)>;
Q_DECLARE_METATYPE(Layout)
Q_DECLARE_METATYPE(Damage)

namespace {

// A little-endian field of a file read whole, byte by byte.
quint64 littleEndian(const QByteArray& bytes, qint64 at, int width)
{
    quint64 value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = (value << 8) | quint8(bytes.at(at + i));
    return value;
}

quint32 le32(const QByteArray& bytes, qint64 at)
{
    return quint32(littleEndian(bytes, at, 4));
}

quint64 le64(const QByteArray& bytes, qint64 at)
{
    return littleEndian(bytes, at, 8);
}

// The whole map through views of `step` bytes, or a null array on a failed view.
QByteArray readAll(MapInput& input, qint64 step = 196)
{
    QByteArray map;
    for (qint64 at = 0; at < input.size(); at += step) {
        const qint64 length = qMin(step, input.size() - at);
        const char* bytes = input.view(at, length);
        if (!bytes)
            return QByteArray();
        map.append(bytes, length);
    }
    return map;
}

quint64 chunkHash(int facet, qint64 chunk)
{
    return uopNameHash(uopformat::chunkName(facet, chunk));
}

// Damage done to a container: a field of the header, of a table (in chain
// order) or of a part's entry set to a value.
template <typename T>
Damage header(qint64 field, T value)
{
    return [=](Built& b) { containerbuilder::put<T>(b.bytes, field, value); };
}
template <typename T>
Damage table(int index, qint64 field, T value)
{
    return [=](Built& b) { containerbuilder::put<T>(b.bytes, b.tableAt[index] + field, value); };
}
template <typename T>
Damage entry(int part, qint64 field, T value)
{
    return [=](Built& b) { containerbuilder::put<T>(b.bytes, b.entryAt[part] + field, value); };
}
Damage both(const Damage& first, const Damage& second)
{
    return [=](Built& b) {
        first(b);
        second(b);
    };
}

// Ten thousand empty tables after the last one, each leading to the next.
void endlessChain(Built& b)
{
    containerbuilder::put<quint64>(b.bytes, b.tableAt[1] + uopformat::TableNextAt, quint64(b.bytes.size()));
    for (int i = 0; i < UopDirectory::MaxTables; ++i) {
        b.bytes += QByteArray(uopformat::TableHeaderSize, '\0');
        containerbuilder::put<quint64>(b.bytes, b.bytes.size() - 8, quint64(b.bytes.size()));
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

private slots:
    void nameHash_data();
    void nameHash();
    void names();
    void readsLayouts_data();
    void readsLayouts();
    void viewsMatchThePlainFile();
    void refusesDamage_data();
    void refusesDamage();
    void damagedZlibChunkFailsItsViews_data();
    void damagedZlibChunkFailsItsViews();
    void fileShrinksAfterOpen();
    void plainFiles();
    void roundTrip_data();
    void roundTrip();
    void writtenFields();
    void writerRefuses();
    void stagedOverwrite();

private:
    const QByteArray m_map = testfiles::randomBytes(2 * ChunkSize + 3000, 11);
};

void ContainerTest::nameHash_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<quint64>("hash");
    QTest::newRow("felucca chunk 0") << QByteArray("build/map0legacymul/00000000.dat")
                                     << 0xDBB7AFA433A3764Bull;
    QTest::newRow("facet 4 chunk 0") << QByteArray("build/map4legacymul/00000000.dat")
                                     << 0xDEA39C8655BA717Cull;
    QTest::newRow("short") << QByteArray("abc") << 0x3C03BE9E0E397631ull;
    QTest::newRow("exactly 12 bytes") << QByteArray("123456789012") << 0x27F9A1C5B578F5B0ull;
}

void ContainerTest::nameHash()
{
    QFETCH(QByteArray, name);
    QFETCH(quint64, hash);
    QCOMPARE(uopNameHash(name), hash);
}

void ContainerTest::names()
{
    QCOMPARE(uopformat::chunkName(0, 0), QByteArray("build/map0legacymul/00000000.dat"));
    QCOMPARE(uopformat::chunkName(5, 1234), QByteArray("build/map5legacymul/00001234.dat"));
    QCOMPARE(uopformat::mapContainerName("out", 2), QString("out/map2LegacyMUL.uop"));
    QCOMPARE(uopformat::mapContainerName("", 0), QString("/map0LegacyMUL.uop"));
}

void ContainerTest::readsLayouts_data()
{
    QTest::addColumn<int>("facet");
    QTest::addColumn<qint64>("mapSize");
    QTest::addColumn<QList<bool>>("zlib");
    QTest::addColumn<quint32>("headerLength");
    QTest::addColumn<Layout>("layout");
    const qint64 size = m_map.size();
    Layout layout;
    QTest::newRow("one table") << 0 << size << QList<bool>() << 0u << layout;
    layout.tables = {{2, 0, 1}};
    QTest::newRow("out of order") << 1 << size << QList<bool>() << 0u << layout;
    layout.capacity = 100;
    layout.tables = {{1}, {2, 0}};
    layout.tablesBackwards = true;
    QTest::newRow("two tables of 100, laid backwards") << 2 << size << QList<bool>() << 0u << layout;
    layout = Layout();
    layout.capacity = 8;
    layout.tables = {{-1, 0, -1, 2}, {}, {1, -1}};
    QTest::newRow("unused entries, empty table") << 3 << size << QList<bool>() << 0u << layout;
    layout.padTables = false;
    layout.capacity = 3;
    layout.tables = {{0}, {1, 2}};
    QTest::newRow("no padding") << 4 << size << QList<bool>() << 0u << layout;
    QTest::newRow("zlib chunks") << 5 << size << QList<bool>{true, false, true} << 0u << Layout();
    QTest::newRow("data headers") << 0 << size << QList<bool>{false, true, false} << 12u << Layout();
    QTest::newRow("one whole chunk") << 1 << ChunkSize << QList<bool>() << 0u << Layout();
    QTest::newRow("a fragment") << 2 << qint64(100) << QList<bool>{true} << 0u << Layout();
    QTest::newRow("empty map") << 3 << qint64(0) << QList<bool>() << 0u << Layout();
}

void ContainerTest::readsLayouts()
{
    QFETCH(int, facet);
    QFETCH(qint64, mapSize);
    QFETCH(QList<bool>, zlib);
    QFETCH(quint32, headerLength);
    QFETCH(Layout, layout);
    const QByteArray map = m_map.left(mapSize);
    QList<Part> parts = containerbuilder::mapChunks(facet, map, zlib);
    for (Part& part : parts)
        part.headerLength = headerLength;
    Workspace ws;
    // A container is known by its first bytes, not by its name.
    MapInput input(ws.file("map.mul", containerbuilder::build(parts, layout).bytes));
    QVERIFY2(input.open(), qPrintable(input.errorString()));
    QVERIFY(input.isContainer());
    QCOMPARE(input.facet(), facet);
    QCOMPARE(input.size(), mapSize);
    QVERIFY(readAll(input) == map);
    if (mapSize > ChunkSize) {
        const char* across = input.view(ChunkSize - 100, 300);
        QVERIFY(across && QByteArray(across, 300) == map.mid(ChunkSize - 100, 300));
    }
}

void ContainerTest::viewsMatchThePlainFile()
{
    Workspace ws;
    const QList<Part> parts = containerbuilder::mapChunks(0, m_map, {false, true, false});
    MapInput plain(ws.file("map0.mul", m_map));
    MapInput container(ws.file("map0LegacyMUL.uop", containerbuilder::build(parts).bytes));
    QVERIFY(plain.open() && container.open());
    QVERIFY(!plain.isContainer());
    QCOMPARE(plain.facet(), -1);
    QCOMPARE(container.size(), plain.size());
    QRandomGenerator random(5);
    const qint64 size = m_map.size();
    for (int i = 0; i < 400; ++i) {
        // Lengths up to beyond the largest view; offsets to past the end.
        const qint64 length = random.bounded(InputFile::MaxView + 2);
        const qint64 offset = i % 4 == 0 ? ChunkSize * random.bounded(3) - random.bounded(length + 1)
                                         : random.bounded(size + 10) - 2;
        const char* a = plain.view(offset, length);
        const QByteArray fromPlain = a ? QByteArray(a, length) : QByteArray("null");
        const char* b = container.view(offset, length);
        const QByteArray fromContainer = b ? QByteArray(b, length) : QByteArray("null");
        QVERIFY2(fromPlain == fromContainer, qPrintable(QString("view %1, %2").arg(offset).arg(length)));
    }
    QVERIFY(container.view(size, 0) && !container.view(size, 1) && !container.view(-1, 1));
}

void ContainerTest::refusesDamage_data()
{
    using namespace uopformat;
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<QString>("reason");
    const auto row = [](const char* name, const Damage& damage, const char* reason) {
        QTest::newRow(name) << damage << QString(reason);
    };
    row(
        "cut header", [](Built& b) { b.bytes.truncate(20); }, "the header is cut short");
    row("no table", header<quint64>(HeaderFirstTableAt, 0), "it has no table");
    row("table in the header", header<quint64>(HeaderFirstTableAt, 8),
        "the table at byte 8 lies inside the header");
    row("table past the end", table<quint64>(0, TableNextAt, ~0ull),
        "the table at byte 18446744073709551615 lies past the end of the file");
    row("chain loops", table<quint64>(1, TableNextAt, 64), "the table chain loops back to byte 64");
    row("endless chain", endlessChain, "the table chain is longer than 10000 tables");
    row("count over capacity", table<qint32>(0, 0, 5),
        "the table at byte 64 counts 5 entries for a capacity of 4");
    row("negative count", table<qint32>(0, 0, -1),
        "the table at byte 64 counts -1 entries for a capacity of 4");
    row("entries past the end", both(header<quint32>(HeaderCapacityAt, ~0u), table<qint32>(1, 0, 0x7fffffff)),
        "the table at byte 212 has entries past the end of the file");
    row("header counts too many", header<quint32>(HeaderEntryCountAt, ~0u),
        "the header counts 4294967295 entries, more than the file can hold");
    row("unknown packing", entry<quint16>(2, EntryPackingAt, 2), "entry 2 has unknown packing 2");
    row("same hash twice", entry(0, EntryHashAt, chunkHash(0, 1)), "entries 0 and 3 have the same name hash");
    row("no chunk 0", entry(0, EntryHashAt, uopNameHash("abc")), "it holds no chunk 0 of any map");
    row("missing chunk", entry(1, EntryHashAt, chunkHash(0, 7)), "chunk 1 is missing");
    row("stray entry", entry(2, EntryHashAt, uopNameHash("abc")), "entry 2 is not a chunk of map 0");
    row("another map's chunk", entry(2, EntryHashAt, chunkHash(1, 0)), "entry 2 is not a chunk of map 0");
    row("chunk past the end", entry<quint64>(1, 0, m_map.size() - 1000),
        "chunk 1 reaches past the end of the file");
    row("offset wraps", entry<quint64>(0, 0, ~0ull - 10), "chunk 0 reaches past the end of the file");
    row("lengths of a stored chunk differ", entry<quint32>(1, EntryUnpackedLengthAt, 5),
        "chunk 1 is stored in 802816 bytes but counts 5");
    row("short middle chunk",
        both(entry<quint32>(1, EntryStoredLengthAt, ChunkSize - 196),
             entry<quint32>(1, EntryUnpackedLengthAt, ChunkSize - 196)),
        "chunk 1 holds 802620 bytes instead of 802816");
    row("long last chunk", entry<quint32>(2, EntryUnpackedLengthAt, ChunkSize + 1),
        "chunk 2 holds 802817 bytes, more than 802816");
}

void ContainerTest::refusesDamage()
{
    QFETCH(Damage, damage);
    QFETCH(QString, reason);
    Built built = damageBase(m_map);
    damage(built);
    Workspace ws;
    MapInput input(ws.file("x.uop", built.bytes));
    QVERIFY(!input.open());
    QCOMPARE(input.errorString(), reason);
}

void ContainerTest::damagedZlibChunkFailsItsViews_data()
{
    QTest::addColumn<Damage>("damage");
    const auto field = [](qint64 at, qint32 change) {
        return Damage([=](Built& b) {
            const qint64 where = b.entryAt[2] + at;
            containerbuilder::put<quint32>(b.bytes, where, le32(b.bytes, where) + change);
        });
    };
    QTest::newRow("unpacks to more") << field(uopformat::EntryUnpackedLengthAt, -1);
    QTest::newRow("unpacks to less") << field(uopformat::EntryUnpackedLengthAt, 1);
    QTest::newRow("stream cut short") << field(uopformat::EntryStoredLengthAt, -4);
    QTest::newRow("bytes after the stream") << field(uopformat::EntryStoredLengthAt, 1);
    QTest::newRow("flipped byte") << Damage([](Built& b) { b.bytes[b.bytes.size() - 30] ^= 0x55; });
}

void ContainerTest::damagedZlibChunkFailsItsViews()
{
    QFETCH(Damage, damage);
    // The damaged stream ends the map, and something follows it in the file.
    Built built = damageBase(m_map);
    built.bytes += "tail";
    damage(built);
    Workspace ws;
    MapInput input(ws.file("x.uop", built.bytes));
    QVERIFY2(input.open(), qPrintable(input.errorString()));
    QVERIFY(!input.view(2 * ChunkSize, 196));
    QCOMPARE(input.errorString(), QString("chunk 2 does not unpack to its stated length"));
    QVERIFY(!input.view(2 * ChunkSize - 98, 196));
    const char* before = input.view(ChunkSize, 196);
    QVERIFY(before && QByteArray(before, 196) == m_map.mid(ChunkSize, 196));
}

void ContainerTest::fileShrinksAfterOpen()
{
    Workspace ws;
    const QString path = ws.file("x.uop", damageBase(m_map).bytes);
    MapInput input(path);
    QVERIFY(input.open());
    QVERIFY(QFile::resize(path, ChunkSize));
    QVERIFY(!input.view(ChunkSize + 196, 196));
    QCOMPARE(input.errorString(), QString("chunk 1 cannot be read"));
    QVERIFY(!input.view(2 * ChunkSize, 196));
    QCOMPARE(input.errorString(), QString("chunk 2 cannot be read"));
}

void ContainerTest::plainFiles()
{
    Workspace ws;
    const QString missing = ws.path("missing.uop");
    QFile probe(missing);
    probe.open(QIODevice::ReadOnly);
    for (const QString& path : {missing, ws.out(), QString()}) {
        MapInput input(path);
        QVERIFY(!input.open());
        QVERIFY(!input.errorString().isEmpty());
    }
    MapInput gone(missing);
    gone.open();
    QCOMPARE(gone.errorString(), probe.errorString());

    // Not the magic (a byte short of it, or another number): a plain map,
    // whatever the name says.
    for (const QByteArray& bytes : {QByteArray("MYP"), QByteArray("MYP\1") + QByteArray(200, 'x')}) {
        MapInput input(ws.file("map0LegacyMUL.uop", bytes));
        QVERIFY(input.open());
        QVERIFY(!input.isContainer());
        QCOMPARE(input.size(), qint64(bytes.size()));
        QVERIFY(readAll(input, 1000) == bytes);
    }
}

void ContainerTest::roundTrip_data()
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

void ContainerTest::roundTrip()
{
    QFETCH(qint64, size);
    QFETCH(qint64, step);
    QFETCH(qint64, capacity);
    const QByteArray map = m_map.left(size);
    Workspace ws;
    MapInput plain(ws.file("map3.mul", map));
    QVERIFY(plain.open());
    UopMapWriter writer(uopformat::mapContainerName(ws.out(), 3), 3, plain.size(), capacity);
    QVERIFY(writer.create());
    for (qint64 at = 0; at < size; at += step) {
        const qint64 length = qMin(step, size - at);
        writer.append(plain.view(at, length), length);
    }
    QVERIFY(writer.finish() && commitStaged({&writer.staged()}));
    QCOMPARE(writer.size(), size);
    QCOMPARE(ws.outFiles(), QStringList{"map3LegacyMUL.uop"});

    MapInput container(writer.target());
    QVERIFY2(container.open(), qPrintable(container.errorString()));
    QCOMPARE(container.facet(), 3);
    QCOMPARE(container.size(), size);
    QVERIFY(readAll(container) == map);
}

// The written container field by field, as any reader of the format finds it.
void ContainerTest::writtenFields()
{
    using namespace uopformat;
    Workspace ws;
    const QString target = ws.outFile("map1LegacyMUL.uop");
    UopMapWriter writer(target, 1, m_map.size());
    QVERIFY(writer.create());
    writer.append(m_map.constData(), m_map.size());
    QVERIFY(writer.finish() && commitStaged({&writer.staged()}));
    const QByteArray file = testfiles::read(target);

    QCOMPARE(le32(file, 0), Magic);
    QCOMPARE(le32(file, HeaderVersionAt), 5u);
    QCOMPARE(le32(file, HeaderSignatureAt), 0xFD23EC43u);
    const qint64 table = qint64(le64(file, HeaderFirstTableAt));
    QCOMPARE(le32(file, HeaderCapacityAt), 1000u);
    QCOMPARE(le32(file, HeaderEntryCountAt), 3u);
    QVERIFY(file.mid(HeaderSize, table - HeaderSize).count('\0') == table - HeaderSize);
    QCOMPARE(le32(file, table), 3u);
    QCOMPARE(le64(file, table + TableNextAt), 0ull);
    const qint64 padding = table + TableHeaderSize + 3 * EntrySize;
    QVERIFY(file.mid(padding, 997 * EntrySize).count('\0') == 997 * EntrySize);
    for (qint64 k = 0; k < 3; ++k) {
        const qint64 entry = table + TableHeaderSize + k * EntrySize;
        const qint64 data = qint64(le64(file, entry) + le32(file, entry + EntryHeaderLengthAt));
        const qint64 length = qMin(ChunkSize, m_map.size() - k * ChunkSize);
        QCOMPARE(le32(file, entry + EntryStoredLengthAt), quint32(length));
        QCOMPARE(le32(file, entry + EntryUnpackedLengthAt), quint32(length));
        QCOMPARE(le64(file, entry + EntryHashAt), uopNameHash(chunkName(1, k)));
        QCOMPARE(quint16(littleEndian(file, entry + EntryPackingAt, 2)), PackingStored);
        QVERIFY(file.mid(data, length) == m_map.mid(k * ChunkSize, length));
        const quint32 adler = quint32(
            adler32(1, reinterpret_cast<const Bytef*>(m_map.constData() + k * ChunkSize), uInt(length)));
        QCOMPARE(le32(file, entry + EntryChecksumAt), adler);
    }
}

void ContainerTest::writerRefuses()
{
    Workspace ws;
    for (int facet : {-1, 6}) {
        UopMapWriter writer(ws.outFile("map.uop"), facet, 196);
        QVERIFY(!writer.create());
    }
    UopMapWriter nowhere(ws.path("missing/map0LegacyMUL.uop"), 0, 196);
    QVERIFY(!nowhere.create());

    // Too many bytes, or too few: nothing to commit, and nothing left behind.
    for (const qint64 appended : {qint64(197), qint64(195)}) {
        UopMapWriter writer(ws.outFile("map0LegacyMUL.uop"), 0, 196);
        QVERIFY(writer.create());
        writer.append(m_map.constData(), appended);
        QCOMPARE(writer.failed(), appended > 196);
        QVERIFY(!writer.finish());
    }
    QCOMPARE(ws.outFiles(), QStringList());
}

void ContainerTest::stagedOverwrite()
{
    Workspace ws;
    StagedFile file(ws.outFile("patched"));
    QVERIFY(file.create());
    // More than is buffered, then a little that is still in the buffer.
    const QByteArray bytes = testfiles::randomBytes(600 << 10, 3) + "tail";
    file.append(bytes.constData(), bytes.size() - 4);
    file.append("tail", 4);
    file.overwrite(10, "abcd", 4);
    file.overwrite(bytes.size() - 2, "yz", 2);
    file.append("!", 1);
    QVERIFY(!file.failed());
    QCOMPARE(file.size(), qint64(bytes.size() + 1));
    QByteArray expected = bytes + "!";
    expected.replace(10, 4, "abcd").replace(bytes.size() - 2, 2, "yz");
    QVERIFY(commitStaged({&file}));
    QVERIFY(testfiles::read(ws.outFile("patched")) == expected);

    StagedFile beyond(ws.outFile("beyond"));
    QVERIFY(beyond.create());
    beyond.append("abc", 3);
    beyond.overwrite(2, "xy", 2);
    QVERIFY(beyond.failed());
}

QTEST_GUILESS_MAIN(ContainerTest)
#include "tst_container.moc"
