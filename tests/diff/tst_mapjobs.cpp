// Map generation and combination: file formats and names, the checks and
// their messages in order, round trips, and what is left behind when a run
// fails or is stopped.

#include "diff/diffjobs.h"
#include "filesizelimit.h"
#include "recordingprogress.h"
#include "workspace.h"

#include <QFile>
#include <QtTest>


using testfiles::int32s;
using testfiles::read;

namespace {

constexpr int BlockSize = 196;

QByteArray randomMap(int blocks, quint32 seed)
{
    QByteArray map;
    for (int i = 0; i < blocks; ++i)
        map += testfiles::mapBlock(qint32(seed + i), seed * 7919 + i);
    return map;
}

QByteArray block(const QByteArray& map, int i)
{
    return map.mid(i * BlockSize, BlockSize);
}

void setPayload(QByteArray& map, int i, quint32 seed)
{
    map.replace(i * BlockSize + 4, 192, testfiles::randomBytes(192, seed));
}

void setHeader(QByteArray& map, int i, qint32 header)
{
    map.replace(i * BlockSize, 4, int32s({header}));
}

JobOutcome generate(const Workspace& ws, const QString& reference, const QString& current, int facet = 0,
                    JobProgress* progress = nullptr)
{
    SilentProgress silent;
    return generateMapDiff({reference, current, ws.out(), facet}, progress ? *progress : silent);
}

JobOutcome combine(const Workspace& ws, const QString& map, const QString& dif, const QString& difl,
                   int facet = 0, JobProgress* progress = nullptr)
{
    SilentProgress silent;
    return combineMapDiff({map, dif, difl, ws.out(), facet}, progress ? *progress : silent);
}


} // namespace

class MapJobsTest : public QObject
{
    Q_OBJECT

private slots:
    void generateListsPayloadChangesOnly();
    void identicalPayloadsGiveEmptyPair();
    void outputNamesFollowTheFacet_data();
    void outputNamesFollowTheFacet();
    void combineTakesFirstRecordOfEachBlock();
    void generateChecksInOrder_data();
    void generateChecksInOrder();
    void combineChecksInOrder_data();
    void combineChecksInOrder();
    void roundTrip_data();
    void roundTrip();
    void trailingFragments();
    void partialLocatorRecordIsIgnored();
    void recordPastEndOfDifDataIsDamage();
    void inputThatShrinksIsAReadError();
    void fullDiskIsAWriteError();
    void stoppedOrFailedRunKeepsEarlierOutputs();
    void combineIntoTheFolderOfItsInput();
};

void MapJobsTest::generateListsPayloadChangesOnly()
{
    Workspace ws;
    const QByteArray reference = randomMap(300, 1);
    QByteArray current = reference;
    setPayload(current, 5, 100);
    setPayload(current, 270, 101);
    setHeader(current, 2, 77);  // a header alone is never compared
    setHeader(current, 5, 78);  // ...but travels with a changed block

    const JobOutcome outcome = generate(ws, ws.file("r.mul", reference), ws.file("c.mul", current), 1);
    QVERIFY(outcome.ok);
    QCOMPARE(outcome.records, 2);
    QCOMPARE(ws.outFiles(), QStringList({"mapdif1.mul", "mapdifl1.mul"}));
    QCOMPARE(read(ws.outFile("mapdifl1.mul")), int32s({5, 270}));
    QCOMPARE(read(ws.outFile("mapdif1.mul")), block(current, 5) + block(current, 270));
}

void MapJobsTest::identicalPayloadsGiveEmptyPair()
{
    Workspace ws;
    QByteArray current = randomMap(3, 2);
    setHeader(current, 0, -5);
    for (const auto& [reference, map] : {std::pair{randomMap(3, 2), current}, std::pair{QByteArray(), QByteArray()}}) {
        RecordingProgress progress;
        QVERIFY(generate(ws, ws.file("r.mul", reference), ws.file("c.mul", map), 0, &progress).ok);
        QCOMPARE(ws.outFiles(), QStringList({"mapdif0.mul", "mapdifl0.mul"}));
        QCOMPARE(QFileInfo(ws.outFile("mapdif0.mul")).size(), 0);
        QCOMPARE(QFileInfo(ws.outFile("mapdifl0.mul")).size(), 0);
        QCOMPARE(progress.total, map.size() / BlockSize);
    }
}

void MapJobsTest::outputNamesFollowTheFacet_data()
{
    QTest::addColumn<int>("facet");
    QTest::addColumn<QStringList>("generated");
    QTest::addColumn<QString>("combined");
    QTest::newRow("Felucca") << 0 << QStringList{"mapdif0.mul", "mapdifl0.mul"} << "map0.mul";
    QTest::newRow("Trammel") << 1 << QStringList{"mapdif1.mul", "mapdifl1.mul"} << "map1.mul";
    QTest::newRow("Ilshenar") << 2 << QStringList{"mapdif2.mul", "mapdifl2.mul"} << "map2.mul";
    QTest::newRow("Malas") << 3 << QStringList{"mapdif3.mul", "mapdifl3.mul"} << "map3.mul";
}

void MapJobsTest::outputNamesFollowTheFacet()
{
    QFETCH(int, facet);
    QFETCH(QStringList, generated);
    QFETCH(QString, combined);
    Workspace ws;
    const QString map = ws.file("m.mul", randomMap(2, 3));
    QVERIFY(generate(ws, map, map, facet).ok);
    QCOMPARE(ws.outFiles(), generated);
    QVERIFY(combine(ws, map, ws.outFile(generated[0]), ws.outFile(generated[1]), facet).ok);
    QVERIFY(ws.outFiles().contains(combined));
    QCOMPARE(ws.outFiles().size(), 3);
}

void MapJobsTest::combineTakesFirstRecordOfEachBlock()
{
    Workspace ws;
    const QByteArray map = randomMap(5, 4);
    const QByteArray dif = randomMap(5, 50);  // D0..D4
    const QString difl = ws.file("l.mul", int32s({3, 1, 3, 9, -1}));

    const JobOutcome outcome = combine(ws, ws.file("m.mul", map), ws.file("d.mul", dif), difl, 2);
    QVERIFY(outcome.ok);
    QCOMPARE(outcome.records, 2);
    QCOMPARE(read(ws.outFile("map2.mul")),
             block(map, 0) + block(dif, 1) + block(map, 2) + block(dif, 0) + block(map, 4));
}

void MapJobsTest::generateChecksInOrder_data()
{
    QTest::addColumn<QString>("reference");  // good, missing, empty, short
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("outDir");     // out, missing, file, empty
    QTest::addColumn<QString>("blocker");    // a directory in out that takes an output's name
    QTest::addColumn<QString>("message");
    QTest::newRow("both inputs missing") << "missing" << "missing" << "missing" << "" << "Unable to open reference data file";
    QTest::newRow("empty reference path") << "empty" << "good" << "out" << "" << "Unable to open reference data file";
    QTest::newRow("current missing") << "good" << "missing" << "missing" << "" << "Unable to open map data file";
    QTest::newRow("empty current path") << "good" << "empty" << "out" << "" << "Unable to open map data file";
    QTest::newRow("sizes differ") << "short" << "good" << "missing" << "" << "Map data files are different sizes";
    QTest::newRow("no output directory") << "good" << "good" << "missing" << "" << "Output Directory does not exist";
    QTest::newRow("output names a file") << "good" << "good" << "file" << "" << "Output Directory does not exist";
    QTest::newRow("empty output text") << "good" << "good" << "empty" << "" << "Output Directory does not exist";
    QTest::newRow("data file blocked") << "good" << "good" << "out" << "mapdif0.mul" << "Unable to create diff files";
    QTest::newRow("locator blocked") << "good" << "good" << "out" << "mapdifl0.mul" << "Unable to create diff files";
}

namespace {

QString inputPath(const Workspace& ws, const QString& kind, const QString& name, int blocks)
{
    if (kind == QLatin1String("missing"))
        return ws.path(QStringLiteral("absent.mul"));
    if (kind == QLatin1String("empty"))
        return QString();
    return ws.file(name, randomMap(kind == QLatin1String("short") ? blocks - 1 : blocks, 9));
}

QString outputPath(const Workspace& ws, const QString& kind)
{
    if (kind == QLatin1String("missing"))
        return ws.path(QStringLiteral("nowhere"));
    if (kind == QLatin1String("file"))
        return ws.file(QStringLiteral("plain.txt"), "x");
    if (kind == QLatin1String("empty"))
        return QString();
    return ws.out();
}

} // namespace

void MapJobsTest::generateChecksInOrder()
{
    QFETCH(QString, reference);
    QFETCH(QString, current);
    QFETCH(QString, outDir);
    QFETCH(QString, blocker);
    QFETCH(QString, message);
    Workspace ws;
    if (!blocker.isEmpty())
        QDir(ws.out()).mkdir(blocker);
    const QStringList before = ws.outFiles();

    RecordingProgress progress;
    const MapGenerateJob job{inputPath(ws, reference, "r.mul", 3), inputPath(ws, current, "c.mul", 3),
                             outputPath(ws, outDir), 0};
    const JobOutcome outcome = generateMapDiff(job, progress);
    QVERIFY(!outcome.ok);
    QCOMPARE(outcome.message, message);
    QCOMPARE(progress.begun, 0);  // every check comes before the walk
    QCOMPARE(ws.outFiles(), before);
    if (!blocker.isEmpty())
        QVERIFY(QFileInfo(ws.outFile(blocker)).isDir());
}

void MapJobsTest::combineChecksInOrder_data()
{
    QTest::addColumn<QString>("map");
    QTest::addColumn<QString>("dif");
    QTest::addColumn<QString>("difl");
    QTest::addColumn<QString>("outDir");
    QTest::addColumn<QString>("message");
    QTest::newRow("all missing") << "missing" << "missing" << "missing" << "missing" << "Unable to open map file";
    QTest::newRow("empty map path") << "empty" << "good" << "good" << "out" << "Unable to open map file";
    QTest::newRow("dif missing") << "good" << "missing" << "good" << "missing" << "Unable to open dif files";
    QTest::newRow("locator missing") << "good" << "good" << "missing" << "missing" << "Unable to open dif files";
    QTest::newRow("empty locator path") << "good" << "good" << "empty" << "out" << "Unable to open dif files";
    QTest::newRow("empty output text") << "good" << "good" << "good" << "empty" << "Output Directory does not exist";
    QTest::newRow("no output directory") << "good" << "good" << "good" << "missing" << "Unable to create new map file";
    QTest::newRow("output names a file") << "good" << "good" << "good" << "file" << "Unable to create new map file";
}

void MapJobsTest::combineChecksInOrder()
{
    QFETCH(QString, map);
    QFETCH(QString, dif);
    QFETCH(QString, difl);
    QFETCH(QString, outDir);
    QFETCH(QString, message);
    Workspace ws;
    RecordingProgress progress;
    const MapCombineJob job{inputPath(ws, map, "m.mul", 3), inputPath(ws, dif, "d.mul", 1),
                            difl == "good" ? ws.file("l.mul", int32s({0})) : inputPath(ws, difl, "", 0),
                            outputPath(ws, outDir), 0};
    const JobOutcome outcome = combineMapDiff(job, progress);
    QVERIFY(!outcome.ok);
    QCOMPARE(outcome.message, message);
    QCOMPARE(progress.begun, 0);
    QVERIFY(ws.outFiles().isEmpty());
}

void MapJobsTest::roundTrip_data()
{
    QTest::addColumn<int>("blocks");
    for (const int blocks : {0, 1, 99, 100, 101, 250})
        QTest::addRow("%d blocks", blocks) << blocks;
}

void MapJobsTest::roundTrip()
{
    QFETCH(int, blocks);
    Workspace ws;
    const QByteArray reference = randomMap(blocks, 11);
    QByteArray current = reference;
    QRandomGenerator random{quint32(blocks)};
    for (int i = 0; i < blocks; ++i) {
        const quint32 roll = random.bounded(10);
        if (roll < 3)
            setPayload(current, i, random.generate());
        if (roll == 3 || roll == 4)
            setHeader(current, i, qint32(random.generate()));
    }
    QList<qint64> expectedSteps;
    for (qint64 step = 0; step < blocks; step += 100)
        expectedSteps << step;

    RecordingProgress generated;
    const QString referencePath = ws.file("r.mul", reference);
    QVERIFY(generate(ws, referencePath, ws.file("c.mul", current), 0, &generated).ok);
    QCOMPARE(generated.steps, expectedSteps);
    QCOMPARE(generated.ended, 1);

    RecordingProgress combined;
    const QString difl = ws.outFile("mapdifl0.mul");
    QVERIFY(combine(ws, referencePath, ws.outFile("mapdif0.mul"), difl, 0, &combined).ok);
    QCOMPARE(combined.total, blocks);
    QCOMPARE(combined.steps, expectedSteps);

    // Every payload is the current one; listed blocks also carry the current
    // header, the others keep the reference's.
    const QByteArray result = read(ws.outFile("map0.mul"));
    QCOMPARE(result.size(), current.size());
    const QList<qint32> locator = testfiles::readInt32s(read(difl));
    for (int i = 0; i < blocks; ++i) {
        const bool listed = locator.contains(i);
        QCOMPARE(block(result, i).mid(4), block(current, i).mid(4));
        QCOMPARE(block(result, i).left(4), block(listed ? current : reference, i).left(4));
    }
}

void MapJobsTest::trailingFragments()
{
    Workspace ws;
    const QByteArray map = randomMap(3, 12);
    const QString reference = ws.file("r.mul", map + QByteArray(50, 'a'));
    const QString current = ws.file("c.mul", map + QByteArray(50, 'b'));

    // Generation compares whole blocks only.
    QVERIFY(generate(ws, reference, current).ok);
    QCOMPARE(read(ws.outFile("mapdifl0.mul")), QByteArray());

    // Combination carries the fragment over, so nothing of the map is lost.
    const QByteArray newBlock = randomMap(1, 13);
    QVERIFY(combine(ws, current, ws.file("d.mul", newBlock), ws.file("l.mul", int32s({1}))).ok);
    QCOMPARE(read(ws.outFile("map0.mul")), block(map, 0) + newBlock + block(map, 2) + QByteArray(50, 'b'));
}

void MapJobsTest::partialLocatorRecordIsIgnored()
{
    Workspace ws;
    const QByteArray map = randomMap(3, 14);
    const QByteArray dif = randomMap(2, 15);
    const QString difl = ws.file("l.mul", int32s({2}) + QByteArray("\x01\x00", 2));
    QVERIFY(combine(ws, ws.file("m.mul", map), ws.file("d.mul", dif), difl).ok);
    QCOMPARE(read(ws.outFile("map0.mul")), block(map, 0) + block(map, 1) + block(dif, 0));
}

void MapJobsTest::recordPastEndOfDifDataIsDamage()
{
    Workspace ws;
    const QByteArray earlier = randomMap(1, 16);
    testfiles::write(ws.outFile("map0.mul"), earlier);
    const QString map = ws.file("m.mul", randomMap(4, 17));
    const QString dif = ws.file("d.mul", randomMap(1, 18) + QByteArray(100, 'x'));  // one whole record

    for (const auto& [locator, message] : {std::pair{int32s({0, 3}), QString("Dif files are damaged at block 3")},
                                           std::pair{int32s({0, 0, 2}), QString("Dif files are damaged at block 2")}}) {
        RecordingProgress progress;
        const JobOutcome outcome = combine(ws, map, dif, ws.file("l.mul", locator), 0, &progress);
        QVERIFY(!outcome.ok);
        QCOMPARE(outcome.message, message);
        QCOMPARE(progress.ended, 1);
        QCOMPARE(ws.outFiles(), QStringList{"map0.mul"});
        QCOMPARE(read(ws.outFile("map0.mul")), earlier);
    }
}

void MapJobsTest::inputThatShrinksIsAReadError()
{
    Workspace ws;
    const QByteArray map = randomMap(10000, 19);  // larger than one read window
    QByteArray changed = map;
    setPayload(changed, 9000, 20);
    const QString reference = ws.file("r.mul", map);
    const QString current = ws.file("c.mul", changed);

    RecordingProgress progress;
    progress.actAt = 100;
    progress.action = [&] { QFile::resize(current, 196 * 1000); };
    JobOutcome outcome = generate(ws, reference, current, 0, &progress);
    QCOMPARE(outcome.message, QString("Unable to read map data files"));
    QVERIFY(ws.outFiles().isEmpty());

    testfiles::write(current, changed);
    progress.action = [&] { QFile::resize(current, 196 * 1000); };
    outcome = combine(ws, current, ws.file("d.mul", QByteArray()), ws.file("l.mul", QByteArray()), 0, &progress);
    QCOMPARE(outcome.message, QString("Unable to read map or dif files"));
    QVERIFY(ws.outFiles().isEmpty());
}

void MapJobsTest::fullDiskIsAWriteError()
{
    Workspace ws;
    const QByteArray reference = randomMap(2000, 21);
    const QString referencePath = ws.file("r.mul", reference);
    const QString current = ws.file("c.mul", randomMap(2000, 22));
    const QString locator = ws.file("l.mul", int32s({0}));
    JobOutcome generated, combined;
    {
        FileSizeLimit limit(64 * 1024);
        generated = generate(ws, referencePath, current);
        combined = combine(ws, referencePath, referencePath, locator);
    }
    QCOMPARE(generated.message, QString("Unable to write diff files"));
    QCOMPARE(combined.message, QString("Unable to write new map file"));
    QVERIFY(ws.outFiles().isEmpty());
}

void MapJobsTest::stoppedOrFailedRunKeepsEarlierOutputs()
{
    Workspace ws;
    const QString reference = ws.file("r.mul", randomMap(300, 23));
    QVERIFY(generate(ws, reference, ws.file("c.mul", randomMap(300, 24))).ok);
    const QByteArray earlierDif = read(ws.outFile("mapdif0.mul"));
    const QByteArray earlierDifl = read(ws.outFile("mapdifl0.mul"));

    RecordingProgress progress;
    progress.stopAt = 200;
    const JobOutcome stopped = generate(ws, reference, ws.file("c2.mul", randomMap(300, 25)), 0, &progress);
    QVERIFY(!stopped.ok);
    QVERIFY(stopped.stopped);
    QCOMPARE(progress.ended, 1);

    const JobOutcome failed = generate(ws, reference, ws.file("c3.mul", randomMap(299, 26)));
    QCOMPARE(failed.message, QString("Map data files are different sizes"));

    QCOMPARE(ws.outFiles(), QStringList({"mapdif0.mul", "mapdifl0.mul"}));
    QCOMPARE(read(ws.outFile("mapdif0.mul")), earlierDif);
    QCOMPARE(read(ws.outFile("mapdifl0.mul")), earlierDifl);
}

void MapJobsTest::combineIntoTheFolderOfItsInput()
{
    Workspace ws;
    const QByteArray map = randomMap(3, 27);
    const QString inPlace = ws.outFile("map0.mul");
    testfiles::write(inPlace, map);
    const QByteArray newBlock = randomMap(1, 28);
    QVERIFY(combine(ws, inPlace, ws.file("d.mul", newBlock), ws.file("l.mul", int32s({2}))).ok);
    QCOMPARE(read(inPlace), block(map, 0) + block(map, 1) + newBlock);
    QCOMPARE(ws.outFiles(), QStringList{"map0.mul"});
}

QTEST_GUILESS_MAIN(MapJobsTest)
#include "tst_mapjobs.moc"
