// Statics generation and combination: the decision table and record layout,
// compaction, the checks and their messages in order, damaged and hostile
// entries, round trips, and what is left behind when a run fails.

#include "diff/diffjobs.h"
#include "filesizelimit.h"
#include "recordingprogress.h"
#include "staticsmodel.h"
#include "workspace.h"

#include <QFile>
#include <QtTest>


using testfiles::entries;
using testfiles::int32s;
using testfiles::read;

namespace {

struct Pair
{
    QString index;
    QString data;
};

Pair pair(const Workspace& ws, const QString& name, const QByteArray& index, const QByteArray& data)
{
    return {ws.file(name + "idx.mul", index), ws.file(name + ".mul", data)};
}

JobOutcome generate(const Workspace& ws, const Pair& reference, const Pair& current, int facet = 0,
                    JobProgress* progress = nullptr)
{
    SilentProgress silent;
    return generateStaticsDiff({reference.index, reference.data, current.index, current.data, ws.out(), facet},
                               progress ? *progress : silent);
}

JobOutcome combine(const Workspace& ws, const Pair& current, const QString& dif, const QString& difi,
                   const QString& difl, JobProgress* progress = nullptr)
{
    SilentProgress silent;
    return combineStaticsDiff({current.index, current.data, dif, difi, difl, ws.out(), 0},
                              progress ? *progress : silent);
}

JobOutcome combine(const Workspace& ws, const Pair& current, const QByteArray& dif, const QByteArray& difi,
                   const QByteArray& difl)
{
    return combine(ws, current, ws.file("dif.mul", dif), ws.file("difi.mul", difi), ws.file("difl.mul", difl));
}

QString pathFor(const Workspace& ws, const QString& kind, const QString& name, const QByteArray& bytes)
{
    if (kind == QLatin1String("missing"))
        return ws.path(QStringLiteral("absent.mul"));
    if (kind == QLatin1String("empty"))
        return QString();
    return ws.file(name, bytes);
}

QString outDirFor(const Workspace& ws, const QString& kind)
{
    if (kind == QLatin1String("missing"))
        return ws.path(QStringLiteral("nowhere"));
    if (kind == QLatin1String("empty"))
        return QString();
    return ws.out();
}


} // namespace

class StaticsJobsTest : public QObject
{
    Q_OBJECT

private slots:
    void generateWorkedExample();
    void decisionTable_data();
    void decisionTable();
    void generateChecksInOrder_data();
    void generateChecksInOrder();
    void combineChecksInOrder_data();
    void combineChecksInOrder();
    void combineCompactsAndReplaces();
    void zeroByteIndexGivesEmptyPair();
    void roundTrip_data();
    void roundTrip();
    void damagedEntriesAreRefused_data();
    void damagedEntriesAreRefused();
    void partialRecordsAreIgnored();
    void combineIntoTheFolderOfItsInputs();
    void readAndWriteErrors();
};

void StaticsJobsTest::generateWorkedExample()
{
    Workspace ws;
    const Pair reference = pair(ws, "r", entries({{0, 4, 0}, {-1, 0, 0}, {4, 6, 0}, {10, 2, 0}}), "AAAABBBBBBCC");
    const Pair current = pair(ws, "c", entries({{6, 4, 7}, {0, 6, 0}, {-1, 0, 0}, {10, 2, 0}}), "DDDDDDAAAAEE");

    const JobOutcome outcome = generate(ws, reference, current, 1);
    QVERIFY(outcome.ok);
    QCOMPARE(ws.outFiles(), QStringList({"stadif1.mul", "stadifi1.mul", "stadifl1.mul"}));
    QCOMPARE(read(ws.outFile("stadifl1.mul")), QByteArray::fromHex("010000000200000003000000"));
    QCOMPARE(read(ws.outFile("stadifi1.mul")),
             QByteArray::fromHex("000000000600000000000000ffffffff000000000000000006000000020000000000000"
                                 "0"));
    QCOMPARE(read(ws.outFile("stadif1.mul")), QByteArray("DDDDDDEE"));
}

void StaticsJobsTest::decisionTable_data()
{
    QTest::addColumn<QByteArray>("referenceEntry");
    QTest::addColumn<QByteArray>("referenceData");
    QTest::addColumn<QByteArray>("currentEntry");
    QTest::addColumn<QByteArray>("currentData");
    QTest::addColumn<QByteArray>("record");  // difference index record, or none
    QTest::addColumn<QByteArray>("bytes");   // difference data
    QTest::newRow("present, emptied") << entries({{0, 3, 1}}) << QByteArray("abc") << entries({{-1, 5, 9}})
                                      << QByteArray() << entries({{-1, 5, 9}}) << QByteArray();
    QTest::newRow("empty, empty") << entries({{-1, 0, 0}}) << QByteArray() << entries({{-1, 7, 7}}) << QByteArray()
                                  << QByteArray() << QByteArray();
    QTest::newRow("empty, new") << entries({{-1, 0, 0}}) << QByteArray() << entries({{0, 3, 4}}) << QByteArray("xyz")
                                << entries({{0, 3, 4}}) << QByteArray("xyz");
    QTest::newRow("lengths differ") << entries({{0, 2, 0}}) << QByteArray("ab") << entries({{0, 3, 0}})
                                    << QByteArray("abc") << entries({{0, 3, 0}}) << QByteArray("abc");
    QTest::newRow("moved, extra changed") << entries({{0, 3, 0}}) << QByteArray("abc") << entries({{2, 3, 9}})
                                          << QByteArray("..abc") << QByteArray() << QByteArray();
    QTest::newRow("bytes differ") << entries({{0, 3, 0}}) << QByteArray("abc") << entries({{1, 3, 0}})
                                  << QByteArray(".abd") << entries({{0, 3, 0}}) << QByteArray("abd");
    QTest::newRow("both length 0") << entries({{0, 0, 0}}) << QByteArray() << entries({{0, 0, 5}}) << QByteArray()
                                   << QByteArray() << QByteArray();
    QTest::newRow("empty, new of length 0") << entries({{-1, 0, 0}}) << QByteArray() << entries({{0, 0, 5}})
                                            << QByteArray() << entries({{0, 0, 5}}) << QByteArray();
}

void StaticsJobsTest::decisionTable()
{
    QFETCH(QByteArray, referenceEntry);
    QFETCH(QByteArray, referenceData);
    QFETCH(QByteArray, currentEntry);
    QFETCH(QByteArray, currentData);
    QFETCH(QByteArray, record);
    QFETCH(QByteArray, bytes);
    Workspace ws;
    // Block 0 is the same on both sides and makes the block under test block 1.
    const QByteArray same = entries({{-1, 0, 0}});
    QVERIFY(generate(ws, pair(ws, "r", same + referenceEntry, referenceData),
                     pair(ws, "c", same + currentEntry, currentData))
                .ok);
    QCOMPARE(read(ws.outFile("stadifl0.mul")), record.isEmpty() ? QByteArray() : int32s({1}));
    QCOMPARE(read(ws.outFile("stadifi0.mul")), record);
    QCOMPARE(read(ws.outFile("stadif0.mul")), bytes);
}

void StaticsJobsTest::generateChecksInOrder_data()
{
    QTest::addColumn<QStringList>("inputs");  // reference data, reference index, current data, current index
    QTest::addColumn<bool>("sameSizes");
    QTest::addColumn<QString>("outDir");
    QTest::addColumn<QString>("blocker");
    QTest::addColumn<QString>("message");
    const QString referenceMissing = "Unable to open reference or index data file";
    const QString currentMissing = "Unable to open statics data or index file";
    const QStringList good{"good", "good", "good", "good"};
    QTest::newRow("reference data") << QStringList{"missing", "good", "missing", "good"} << false << "missing" << ""
                                    << referenceMissing;
    QTest::newRow("reference index") << QStringList{"good", "empty", "good", "good"} << true << "out" << ""
                                     << referenceMissing;
    QTest::newRow("current data") << QStringList{"good", "good", "missing", "good"} << false << "missing" << ""
                                  << currentMissing;
    QTest::newRow("current index") << QStringList{"good", "good", "good", "missing"} << true << "out" << ""
                                   << currentMissing;
    QTest::newRow("index sizes") << good << false << "missing" << "" << "Index files are different sizes";
    QTest::newRow("no output directory") << good << true << "missing" << "" << "Output Directory does not exist";
    QTest::newRow("empty output text") << good << true << "empty" << "" << "Output Directory does not exist";
    for (const char* blocker : {"stadif0.mul", "stadifl0.mul", "stadifi0.mul"})
        QTest::addRow("%s blocked", blocker) << good << true << "out" << blocker << "Unable to create diff files";
}

void StaticsJobsTest::generateChecksInOrder()
{
    QFETCH(QStringList, inputs);
    QFETCH(bool, sameSizes);
    QFETCH(QString, outDir);
    QFETCH(QString, blocker);
    QFETCH(QString, message);
    Workspace ws;
    if (!blocker.isEmpty())
        QDir(ws.out()).mkdir(blocker);
    const QByteArray index = entries({{0, 2, 0}});
    RecordingProgress progress;
    const StaticsGenerateJob job{pathFor(ws, inputs[1], "ri.mul", sameSizes ? index : index + index),
                                 pathFor(ws, inputs[0], "rd.mul", "ab"), pathFor(ws, inputs[3], "ci.mul", index),
                                 pathFor(ws, inputs[2], "cd.mul", "xy"), outDirFor(ws, outDir), 0};
    const JobOutcome outcome = generateStaticsDiff(job, progress);
    QCOMPARE(outcome.message, message);
    QCOMPARE(progress.begun, 0);
    QCOMPARE(ws.outFiles(), QStringList());
}

void StaticsJobsTest::combineChecksInOrder_data()
{
    QTest::addColumn<QStringList>("inputs");  // current data, current index, dif, difi, difl
    QTest::addColumn<QString>("outDir");
    QTest::addColumn<QString>("blocker");
    QTest::addColumn<QString>("message");
    const QStringList good{"good", "good", "good", "good", "good"};
    QTest::newRow("current data") << QStringList{"missing", "good", "missing", "good", "good"} << "missing" << ""
                                  << "Unable to open static files";
    QTest::newRow("current index") << QStringList{"good", "empty", "good", "good", "good"} << "out" << ""
                                   << "Unable to open static files";
    QTest::newRow("dif") << QStringList{"good", "good", "missing", "good", "good"} << "missing" << ""
                         << "Unable to open dif files";
    QTest::newRow("difi") << QStringList{"good", "good", "good", "missing", "good"} << "out" << ""
                          << "Unable to open dif files";
    QTest::newRow("difl") << QStringList{"good", "good", "good", "good", "empty"} << "out" << ""
                          << "Unable to open dif files";
    QTest::newRow("empty output text") << good << "empty" << "" << "Output Directory does not exist";
    QTest::newRow("no output directory") << good << "missing" << "" << "Unable to create new static files";
    for (const char* blocker : {"statics0.mul", "staidx0.mul"})
        QTest::addRow("%s blocked", blocker) << good << "out" << blocker << "Unable to create new static files";
}

void StaticsJobsTest::combineChecksInOrder()
{
    QFETCH(QStringList, inputs);
    QFETCH(QString, outDir);
    QFETCH(QString, blocker);
    QFETCH(QString, message);
    Workspace ws;
    if (!blocker.isEmpty())
        QDir(ws.out()).mkdir(blocker);
    RecordingProgress progress;
    const StaticsCombineJob job{pathFor(ws, inputs[1], "ci.mul", entries({{0, 2, 0}})),
                                pathFor(ws, inputs[0], "cd.mul", "xy"),
                                pathFor(ws, inputs[2], "d.mul", "z"),
                                pathFor(ws, inputs[3], "di.mul", entries({{0, 1, 0}})),
                                pathFor(ws, inputs[4], "dl.mul", int32s({0})),
                                outDirFor(ws, outDir),
                                0};
    const JobOutcome outcome = combineStaticsDiff(job, progress);
    QCOMPARE(outcome.message, message);
    QCOMPARE(progress.begun, 0);
    QCOMPARE(ws.outFiles(), QStringList());
}

void StaticsJobsTest::combineCompactsAndReplaces()
{
    Workspace ws;
    // Blocks out of order, overlapping (2 and 3) and with gaps between them.
    const QByteArray data = "0123456789abcdefghijkl";
    const Pair current =
        pair(ws, "c", entries({{10, 3, 1}, {-1, 4, 2}, {0, 5, 3}, {2, 3, 4}, {20, 2, 5}}), data);

    QVERIFY(combine(ws, current, QByteArray(), QByteArray(), QByteArray()).ok);
    QCOMPARE(read(ws.outFile("staidx0.mul")), entries({{0, 3, 1}, {-1, 4, 2}, {3, 5, 3}, {8, 3, 4}, {11, 2, 5}}));
    QCOMPARE(read(ws.outFile("statics0.mul")), QByteArray("abc01234234kl"));

    // Block 4 twice (the first wins), numbers outside the index, and block 2
    // emptied: the blocks after it move up.
    const QByteArray difl = int32s({4, 1, 4, 7, -3, 2});
    const QByteArray difi = entries({{0, 2, 50}, {-1, 9, 60}, {9000, 9000, 0}, {-1, 0, 0}, {-1, 0, 0}, {-1, 5, 70}});
    const JobOutcome outcome = combine(ws, current, "zz", difi, difl);
    QVERIFY(outcome.ok);
    QCOMPARE(outcome.records, 3);
    QCOMPARE(read(ws.outFile("staidx0.mul")), entries({{0, 3, 1}, {-1, 9, 60}, {-1, 5, 70}, {3, 3, 4}, {6, 2, 50}}));
    QCOMPARE(read(ws.outFile("statics0.mul")), QByteArray("abc234zz"));
}

void StaticsJobsTest::zeroByteIndexGivesEmptyPair()
{
    Workspace ws;
    RecordingProgress progress;
    const Pair current = pair(ws, "c", QByteArray(), "junk");
    QVERIFY(combine(ws, current, ws.file("d.mul", "x"), ws.file("di.mul", "y"), ws.file("dl.mul", int32s({0, 5})),
                    &progress)
                .ok);
    QCOMPARE(progress.total, 0);
    QCOMPARE(read(ws.outFile("staidx0.mul")), QByteArray());
    QCOMPARE(read(ws.outFile("statics0.mul")), QByteArray());
    QCOMPARE(ws.outFiles().size(), 2);
}

void StaticsJobsTest::roundTrip_data()
{
    QTest::addColumn<int>("blocks");
    for (const int blocks : {0, 1, 99, 100, 101, 250})
        QTest::addRow("%d blocks", blocks) << blocks;
}

void StaticsJobsTest::roundTrip()
{
    QFETCH(int, blocks);
    using namespace staticsmodel;
    Workspace ws;
    const Facet referenceFacet = randomFacet(blocks, 31);
    const Facet currentFacet = edited(referenceFacet, 32);
    const Files referenceFiles = write(referenceFacet, 33);
    const Files currentFiles = write(currentFacet, 34);
    const Pair reference = pair(ws, "r", referenceFiles.index, referenceFiles.data);
    QList<qint64> expectedSteps;
    for (qint64 step = 0; step < blocks; step += 100)
        expectedSteps << step;

    RecordingProgress generated;
    QVERIFY(generate(ws, reference, pair(ws, "c", currentFiles.index, currentFiles.data), 0, &generated).ok);
    QCOMPARE(generated.steps, expectedSteps);
    RecordingProgress combined;
    QVERIFY(combine(ws, reference, ws.outFile("stadif0.mul"), ws.outFile("stadifi0.mul"), ws.outFile("stadifl0.mul"),
                    &combined)
                .ok);
    QCOMPARE(combined.steps, expectedSteps);

    const QByteArray index = read(ws.outFile("staidx0.mul"));
    const QByteArray data = read(ws.outFile("statics0.mul"));
    const QList<qint32> locator = testfiles::readInt32s(read(ws.outFile("stadifl0.mul")));
    QCOMPARE(index.size(), 12 * blocks);
    qint64 expectedOffset = 0;
    for (int i = 0; i < blocks; ++i) {
        const Entry result = entry(index, i);
        const Block& want = currentFacet[i];
        const Block& kept = locator.contains(i) ? want : referenceFacet[i];
        QCOMPARE(result.offset == -1, want.empty);
        QCOMPARE(result.length, kept.length);
        QCOMPARE(result.extra, kept.extra);
        if (!want.empty) {
            QCOMPARE(result.offset, expectedOffset);
            QCOMPARE(data.mid(result.offset, result.length), want.bytes);
            expectedOffset += result.length;
        }
    }
    QCOMPARE(data.size(), expectedOffset);
}

void StaticsJobsTest::damagedEntriesAreRefused_data()
{
    QTest::addColumn<QString>("job");
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<QString>("message");
    const QList<std::pair<const char*, QByteArray>> damage{
        {"negative offset", entries({{-2, 1, 0}})},
        {"negative length", entries({{0, -1, 0}})},
        {"past the end", entries({{6, 3, 0}})},
        {"huge length", entries({{0, 0x7fffffff, 0}})}};
    for (const auto& [name, entry] : damage) {
        QTest::addRow("reference, %s", name) << "reference" << entry << "Reference statics are damaged at block 1";
        QTest::addRow("current, %s", name) << "current" << entry << "Current statics are damaged at block 1";
        QTest::addRow("combine current, %s", name) << "combine current" << entry
                                                   << "Current statics are damaged at block 1";
        QTest::addRow("combine dif, %s", name) << "combine dif" << entry << "Dif files are damaged at block 1";
    }
    QTest::newRow("record past the difference index") << "combine difi" << QByteArray()
                                                       << "Dif files are damaged at block 1";
}

void StaticsJobsTest::damagedEntriesAreRefused()
{
    QFETCH(QString, job);
    QFETCH(QByteArray, entry);
    QFETCH(QString, message);
    Workspace ws;
    const QByteArray good = entries({{0, 2, 0}});
    const QByteArray data = "12345678";
    RecordingProgress progress;
    JobOutcome outcome;
    if (job == "reference" || job == "current") {
        const bool reference = job == "reference";
        outcome = generate(ws, pair(ws, "r", good + (reference ? entry : good), data),
                           pair(ws, "c", good + (reference ? good : entry), data), 0, &progress);
    } else {
        const bool current = job == "combine current";
        const Pair pairFiles = pair(ws, "c", good + (current ? entry : good), data);
        // The difference index holds one whole record and a partial one.
        const QByteArray difi = job == "combine difi" ? good + "\x01\x02" : good + entry;
        outcome = combine(ws, pairFiles, ws.file("d.mul", data), ws.file("di.mul", difi),
                          ws.file("dl.mul", current ? int32s({0}) : int32s({0, 1})), &progress);
    }
    QCOMPARE(outcome.message, message);
    QCOMPARE(progress.ended, 1);
    QCOMPARE(ws.outFiles(), QStringList());
}

void StaticsJobsTest::partialRecordsAreIgnored()
{
    Workspace ws;
    const QByteArray tail("\x05\x06\x07\x08\x09", 5);
    const QByteArray index = entries({{0, 2, 0}, {2, 2, 0}}) + tail;
    RecordingProgress progress;
    QVERIFY(generate(ws, pair(ws, "r", index, "abcd"), pair(ws, "c", index, "abxy"), 0, &progress).ok);
    QCOMPARE(progress.total, 2);
    QCOMPARE(read(ws.outFile("stadifl0.mul")), int32s({1}));

    // A replaced block whose current entry is damaged is never read through it.
    const Pair current = pair(ws, "c", entries({{0, 2, 0}, {99, 99, 0}}) + tail, "abcd");
    QVERIFY(combine(ws, current, "zz", entries({{0, 2, 3}}) + tail, int32s({1}) + tail).ok);
    QCOMPARE(read(ws.outFile("staidx0.mul")), entries({{0, 2, 0}, {2, 2, 3}}));
    QCOMPARE(read(ws.outFile("statics0.mul")), QByteArray("abzz"));
}

void StaticsJobsTest::combineIntoTheFolderOfItsInputs()
{
    Workspace ws;
    const Pair inPlace{ws.outFile("staidx0.mul"), ws.outFile("statics0.mul")};
    testfiles::write(inPlace.index, entries({{2, 2, 0}, {0, 2, 0}}));
    testfiles::write(inPlace.data, "abcd");
    QVERIFY(combine(ws, inPlace, "zz", entries({{0, 2, 7}}), int32s({0})).ok);
    QCOMPARE(read(inPlace.index), entries({{0, 2, 7}, {2, 2, 0}}));
    QCOMPARE(read(inPlace.data), QByteArray("zzab"));
    QCOMPARE(ws.outFiles().size(), 2);
}

void StaticsJobsTest::readAndWriteErrors()
{
    using namespace staticsmodel;
    Workspace ws;
    // Large enough that the data file cannot sit in one read window.
    Facet facet, changed;
    for (int i = 0; i < 2000; ++i) {
        facet << Block{false, testfiles::randomBytes(1400, quint32(i)), 1400, 0};
        changed << Block{false, testfiles::randomBytes(1400, quint32(i + 5000)), 1400, 0};
    }
    const Files files = write(facet, 35);
    const Pair reference = pair(ws, "r", files.index, files.data);
    const Files otherFiles = write(changed, 37);
    const Pair current = pair(ws, "c", otherFiles.index, otherFiles.data);

    RecordingProgress shrink;
    shrink.actAt = 100;
    shrink.action = [&] { QFile::resize(current.data, 1000); };
    QCOMPARE(generate(ws, reference, current, 0, &shrink).message, QString("Unable to read statics files"));
    testfiles::write(current.data, otherFiles.data);
    QCOMPARE(combine(ws, current, ws.file("d.mul", ""), ws.file("di.mul", ""), ws.file("dl.mul", ""), &shrink)
                 .message,
             QString("Unable to read statics or dif files"));
    testfiles::write(current.data, otherFiles.data);

    FileSizeLimit limit(256 * 1024);
    QCOMPARE(generate(ws, reference, current).message, QString("Unable to write diff files"));
    QCOMPARE(combine(ws, current, QByteArray(), QByteArray(), QByteArray()).message,
             QString("Unable to write new static files"));
    QCOMPARE(ws.outFiles(), QStringList());
}

QTEST_GUILESS_MAIN(StaticsJobsTest)
#include "tst_staticsjobs.moc"
