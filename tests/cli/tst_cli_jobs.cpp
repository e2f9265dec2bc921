// quillmark-cli's four jobs, end to end on a sample facet: summaries, outputs
// that reproduce the edited facet and that the window writes alike, the
// window's own failure messages, usage errors and progress that shows only on
// a terminal.

#include "toolrun.h"
#include "windowrun.h"

#include "testfiles.h"

#include "diff/jobmessages.h"
#include "samplefacet/facetcheck.h"
#include "samplefacet/samplefacet.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace testfiles;

class CliJobsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void fourJobsReproduceTheEditedFacet();
    void facetByNumberOrName_data();
    void facetByNumberOrName();
    void failuresMatchTheWindow_data();
    void failuresMatchTheWindow();
    void usageErrors_data();
    void usageErrors();
    void helpAndVersion();
    void progressOnlyOnATerminal();

private:
    QString path(const QString& name) const { return m_dir.path() + QLatin1Char('/') + name; }
    QString freshDir(const QString& name) const;

    QTemporaryDir m_dir;
    SampleFacetOptions m_options;
    SampleFacetSummary m_summary;
    FacetFiles m_reference;
    FacetFiles m_edited;
};

namespace {

QStringList generateMap(const QString& reference, const QString& current, const QString& out,
                        const QString& facet)
{
    return {"generate", "map",   "--reference", reference, "--current",
            current,    "--out", out,           "--facet", facet};
}

QStringList generateStatics(const FacetFiles& reference, const FacetFiles& current, const QString& out)
{
    return {"generate",
            "statics",
            "--reference-index",
            reference.index,
            "--reference-data",
            reference.data,
            "--current-index",
            current.index,
            "--current-data",
            current.data,
            "--out",
            out,
            "--facet",
            "0"};
}

QStringList combineMap(const QString& map, const QString& difl, const QString& dif, const QString& out)
{
    return {"combine", "map", "--map", map, "--difl", difl, "--dif", dif, "--out", out, "--facet", "0"};
}

QStringList combineStatics(const FacetFiles& files, const QString& difl, const QString& difi,
                           const QString& dif, const QString& out)
{
    return {"combine", "statics", "--index", files.index, "--data", files.data, "--difl",  difl,
            "--difi",  difi,      "--dif",   dif,         "--out",  out,        "--facet", "0"};
}

}  // namespace

QString CliJobsTest::freshDir(const QString& name) const
{
    QDir(path(name)).removeRecursively();
    QDir().mkpath(path(name));
    return path(name);
}

void CliJobsTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_options.directory = path("sample");
    const SampleFacetResult sample = writeSampleFacet(m_options);
    QVERIFY2(sample.ok, qPrintable(sample.message));
    m_summary = sample.summary;
    QVERIFY(m_summary.mapBlocksDiffering > 1
            && m_summary.staticsBlocksDiffering > m_summary.mapBlocksDiffering);
    m_reference = referenceFiles(m_options);
    m_edited = editedFiles(m_options);
}

void CliJobsTest::fourJobsReproduceTheEditedFacet()
{
    const QString difs = freshDir("difs");
    const QString combined = freshDir("combined");
    const qint64 blocks = m_summary.blocks;

    ToolRun run = runCli(generateMap(m_reference.map, m_edited.map, difs, "0"));
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QString());  // not a terminal: no progress
    QCOMPARE(run.out, QString("generate map: %1 of %2 blocks differ; wrote %3/mapdifl0.mul, %3/mapdif0.mul\n")
                          .arg(m_summary.mapBlocksDiffering)
                          .arg(blocks)
                          .arg(difs));

    run = runCli(generateStatics(m_reference, m_edited, difs));
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QString());
    QCOMPARE(run.out, QString("generate statics: %1 of %2 blocks differ, %3 bytes of block data; "
                              "wrote %4/stadifl0.mul, %4/stadifi0.mul, %4/stadif0.mul\n")
                          .arg(m_summary.staticsBlocksDiffering)
                          .arg(blocks)
                          .arg(QFileInfo(difs + "/stadif0.mul").size())
                          .arg(difs));

    run = runCli(combineMap(m_reference.map, difs + "/mapdifl0.mul", difs + "/mapdif0.mul", combined));
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QString());
    QCOMPARE(run.out, QString("combine map: %1 of %2 blocks replaced; wrote %3/map0.mul\n")
                          .arg(m_summary.mapBlocksDiffering)
                          .arg(blocks)
                          .arg(combined));

    run = runCli(combineStatics(m_reference, difs + "/stadifl0.mul", difs + "/stadifi0.mul",
                                difs + "/stadif0.mul", combined));
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QString());
    QCOMPARE(run.out, QString("combine statics: %1 of %2 blocks replaced, %3 bytes of block data; "
                              "wrote %4/staidx0.mul, %4/statics0.mul\n")
                          .arg(m_summary.staticsBlocksDiffering)
                          .arg(blocks)
                          .arg(QFileInfo(combined + "/statics0.mul").size())
                          .arg(combined));

    const FacetCheck map = checkCombinedMap(m_edited.map, combined + "/map0.mul");
    QVERIFY2(map.ok, qPrintable(map.message));
    const FacetCheck statics = checkCombinedStatics(m_edited.index, m_edited.data, combined + "/staidx0.mul",
                                                    combined + "/statics0.mul");
    QVERIFY2(statics.ok, qPrintable(statics.message));
    QCOMPARE(statics.blocks, blocks);

    // The window, given the same inputs, writes the same files byte for byte.
    const QString windowDifs = freshDir("window-difs");
    const QString windowCombined = freshDir("window-combined");
    QVERIFY(runInWindow(generateMap(m_reference.map, m_edited.map, windowDifs, "0")).ok);
    QVERIFY(runInWindow(generateStatics(m_reference, m_edited, windowDifs)).ok);
    QVERIFY(runInWindow(combineMap(m_reference.map, difs + "/mapdifl0.mul", difs + "/mapdif0.mul", windowCombined))
                .ok);
    QVERIFY(runInWindow(combineStatics(m_reference, difs + "/stadifl0.mul", difs + "/stadifi0.mul",
                                       difs + "/stadif0.mul", windowCombined))
                .ok);
    for (const auto& [cli, window] : {std::pair(difs, windowDifs), std::pair(combined, windowCombined)}) {
        QCOMPARE(filesIn(window), filesIn(cli));
        for (const QString& name : filesIn(cli))
            QVERIFY2(read(window + "/" + name) == read(cli + "/" + name), qPrintable(name));
    }
}

void CliJobsTest::facetByNumberOrName_data()
{
    QTest::addColumn<QString>("facet");
    QTest::addColumn<int>("number");
    QTest::newRow("number") << "3" << 3;
    QTest::newRow("name") << "Malas" << 3;
    QTest::newRow("any case") << "tERmUR" << 5;
    QTest::newRow("lower case") << "ilshenar" << 2;
    QTest::newRow("Tokuno") << "TOKUNO" << 4;
}

void CliJobsTest::facetByNumberOrName()
{
    QFETCH(QString, facet);
    QFETCH(int, number);
    const QString out = freshDir("facet");
    const ToolRun run = runCli(generateMap(m_reference.map, m_edited.map, out, facet));
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(filesIn(out),
             QStringList({QString("mapdif%1.mul").arg(number), QString("mapdifl%1.mul").arg(number)}));
}

void CliJobsTest::failuresMatchTheWindow_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    const QString missing = path("missing.mul");
    const QString noDir = path("no-such-dir");
    const QString out = freshDir("failures");
    // A directory where an output file belongs: creating that output fails.
    const QString blocked = freshDir("blocked");
    for (const char* name : {"mapdif0.mul", "stadif0.mul", "map0.mul", "statics0.mul"})
        QDir().mkpath(blocked + "/" + name);
    const QString shortMap = path("short.map");
    const QString shortIndex = path("short.idx");
    QVERIFY(write(shortMap, read(m_reference.map).left(100 * 196)));
    QVERIFY(write(shortIndex, read(m_reference.index).left(100 * 12)));
    // Block 1 of the current statics reaches past its data file.
    const FacetFiles damaged{QString(), path("damaged.idx"), path("damaged.dat")};
    QVERIFY(write(damaged.index, entries({{0, 4, 0}, {100, 4, 0}})));
    QVERIFY(write(damaged.data, QByteArray(8, 'x')));
    const FacetFiles tidy{QString(), path("tidy.idx"), path("tidy.dat")};
    QVERIFY(write(tidy.index, entries({{0, 4, 0}, {4, 4, 0}})));
    QVERIFY(write(tidy.data, QByteArray(8, 'y')));
    // A locator that names block 5, with no record for it in the other files.
    const QString locator = path("five.difl");
    const QString empty = path("empty.mul");
    QVERIFY(write(locator, int32s({5})));
    QVERIFY(write(empty, QByteArray()));
    const FacetFiles& ref = m_reference;
    const FacetFiles& cur = m_edited;
    const FacetFiles missingData{QString(), ref.index, missing};
    const FacetFiles missingIndex{QString(), missing, cur.data};

    QTest::newRow("generate map: reference missing")
        << generateMap(missing, cur.map, out, "0") << jobmessage::UnableToOpenReferenceData;
    QTest::newRow("generate map: all missing, first check wins")
        << generateMap(missing, missing, noDir, "0") << jobmessage::UnableToOpenReferenceData;
    QTest::newRow("generate map: current missing")
        << generateMap(ref.map, missing, out, "0") << jobmessage::UnableToOpenMapData;
    QTest::newRow("generate map: sizes differ before the directory")
        << generateMap(ref.map, shortMap, noDir, "0") << jobmessage::MapSizesDiffer;
    QTest::newRow("generate map: no output directory")
        << generateMap(ref.map, cur.map, noDir, "0") << jobmessage::OutputDirMissing;
    QTest::newRow("generate map: cannot create")
        << generateMap(ref.map, cur.map, blocked, "0") << jobmessage::UnableToCreateDiffFiles;

    QTest::newRow("generate statics: reference data missing")
        << generateStatics(missingData, cur, out) << jobmessage::UnableToOpenReferenceOrIndex;
    QTest::newRow("generate statics: current index missing")
        << generateStatics(ref, missingIndex, out) << jobmessage::UnableToOpenStaticsDataOrIndex;
    QTest::newRow("generate statics: index sizes differ")
        << generateStatics(ref, FacetFiles{QString(), shortIndex, cur.data}, noDir)
        << jobmessage::IndexSizesDiffer;
    QTest::newRow("generate statics: no output directory")
        << generateStatics(ref, cur, noDir) << jobmessage::OutputDirMissing;
    QTest::newRow("generate statics: cannot create")
        << generateStatics(ref, cur, blocked) << jobmessage::UnableToCreateDiffFiles;
    QTest::newRow("generate statics: damaged current")
        << generateStatics(tidy, damaged, out) << jobmessage::currentStaticsDamaged(1);

    QTest::newRow("combine map: map missing")
        << combineMap(missing, locator, empty, out) << jobmessage::UnableToOpenMap;
    QTest::newRow("combine map: dif missing")
        << combineMap(ref.map, locator, missing, out) << jobmessage::UnableToOpenDifFiles;
    QTest::newRow("combine map: difl missing")
        << combineMap(ref.map, missing, empty, out) << jobmessage::UnableToOpenDifFiles;
    QTest::newRow("combine map: no output directory")
        << combineMap(ref.map, locator, empty, noDir) << jobmessage::UnableToCreateNewMap;
    QTest::newRow("combine map: cannot create")
        << combineMap(ref.map, locator, empty, blocked) << jobmessage::UnableToCreateNewMap;
    QTest::newRow("combine map: damaged")
        << combineMap(ref.map, locator, empty, out) << jobmessage::difFilesDamaged(5);

    QTest::newRow("combine statics: index missing")
        << combineStatics(missingIndex, locator, empty, empty, out) << jobmessage::UnableToOpenStatics;
    QTest::newRow("combine statics: difi missing")
        << combineStatics(ref, locator, missing, empty, out) << jobmessage::UnableToOpenDifFiles;
    QTest::newRow("combine statics: no output directory")
        << combineStatics(ref, locator, empty, empty, noDir) << jobmessage::UnableToCreateNewStatics;
    QTest::newRow("combine statics: cannot create")
        << combineStatics(ref, locator, empty, empty, blocked) << jobmessage::UnableToCreateNewStatics;
    QTest::newRow("combine statics: damaged")
        << combineStatics(ref, locator, empty, empty, out) << jobmessage::difFilesDamaged(5);
}

void CliJobsTest::failuresMatchTheWindow()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const ToolRun run = runCli(arguments);
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.err, message + "\n");
    QCOMPARE(run.out, QString());
    const WindowRun window = runInWindow(arguments);
    QVERIFY(!window.ok);
    QCOMPARE(window.message, message);
    // A failed job leaves its output directory as it was.
    QCOMPARE(filesIn(path("failures")), QStringList());
    QCOMPARE(filesIn(path("blocked")), QStringList());
}

void CliJobsTest::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("helpFor");

    const QStringList map = generateMap("a.mul", "b.mul", "out", "0");
    const auto without = [](QStringList arguments, const QString& option) {
        const int at = arguments.indexOf(option);
        arguments.remove(at, 2);
        return arguments;
    };
    const auto withFacet = [](QStringList arguments, const QString& facet) {
        arguments.last() = facet;
        return arguments;
    };
    const QString facetHelp = "give 0 to 5 or a name: Felucca, Trammel, Ilshenar, Malas, Tokuno, TerMur.";

    QTest::newRow("nothing") << QStringList() << "No command given."
                             << "";
    QTest::newRow("unknown command") << QStringList{"patch", "map"} << "Unknown command 'patch'."
                                     << "";
    QTest::newRow("unknown option") << QStringList{"--fast"} << "Unknown option 'fast'."
                                    << "";
    QTest::newRow("command without kind") << QStringList{"combine"} << "combine needs map or statics."
                                          << "";
    QTest::newRow("unknown kind") << QStringList{"generate", "tiles"}
                                  << "Unknown kind 'tiles' for generate: use map or statics."
                                  << "";
    QTest::newRow("missing --out") << without(map, "--out") << "Missing option --out."
                                   << " generate map";
    QTest::newRow("missing --facet") << without(map, "--facet") << "Missing option --facet."
                                     << " generate map";
    QTest::newRow("missing --current-data")
        << without(generateStatics({"", "a", "b"}, {"", "c", "d"}, "out"), "--current-data")
        << "Missing option --current-data."
        << " generate statics";
    QTest::newRow("missing --difi") << without(combineStatics({"", "a", "b"}, "l", "i", "d", "out"), "--difi")
                                    << "Missing option --difi."
                                    << " combine statics";
    QTest::newRow("missing --dif") << without(combineMap("m", "l", "d", "out"), "--dif")
                                   << "Missing option --dif."
                                   << " combine map";
    QTest::newRow("option of another job") << map + QStringList{"--difl", "x"} << "Unknown option 'difl'."
                                           << " generate map";
    QTest::newRow("stray argument") << map + QStringList{"extra"} << "Unexpected argument 'extra'."
                                    << " generate map";
    QTest::newRow("facet without value") << map.mid(0, map.size() - 1) << "Missing value after '--facet'."
                                         << " generate map";
    QTest::newRow("facet 6") << withFacet(map, "6") << "Unknown facet '6': " + facetHelp << " generate map";
    QTest::newRow("facet -1") << withFacet(map, "-1") << "Unknown facet '-1': " + facetHelp
                              << " generate map";
    QTest::newRow("facet 01") << withFacet(map, "01") << "Unknown facet '01': " + facetHelp
                              << " generate map";
    QTest::newRow("unknown facet name") << withFacet(combineMap("m", "l", "d", "out"), "Britain")
                                        << "Unknown facet 'Britain': " + facetHelp << " combine map";
}

void CliJobsTest::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QFETCH(QString, helpFor);
    const ToolRun run = runCli(arguments);
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.out, QString());
    QCOMPARE(run.err, QString("quillmark-cli: %1\nTry 'quillmark-cli%2 --help' for more information.\n")
                          .arg(message, helpFor));
}

void CliJobsTest::helpAndVersion()
{
    ToolRun run = runCli({"--version"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QString("quillmark-cli 0.95\n"));

    run = runCli({"--help"});
    QCOMPARE(run.exitCode, 0);
    for (const char* line :
         {"generate map --reference FILE --current FILE --out DIR --facet F",
          "combine statics --index FILE --data FILE --difl FILE --difi FILE --dif FILE --out DIR"})
        QVERIFY2(run.out.contains(line), line);

    // Each subcommand's help lists its own options.
    run = runCli({"generate", "statics", "--help"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.contains("--reference-index <FILE>"));
    QVERIFY(!run.out.contains("--difl"));
    run = runCli({"inspect", "map", "--help"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.contains("--picture <FILE.png>"));
}

void CliJobsTest::progressOnlyOnATerminal()
{
    const QString out = freshDir("terminal");
    ToolRun run = runCliOnTerminal(generateMap(m_reference.map, m_edited.map, out, "0"));
    QCOMPARE(run.exitCode, 0);
    // Percentages rewritten in place, rising to 100, then the line ends and
    // the summary follows on its own line.
    const QStringList updates = run.out.split('\r', Qt::SkipEmptyParts);
    QVERIFY2(updates.size() > 10, qPrintable(run.out));
    QCOMPARE(updates.first(), QString("generate map:   0%"));
    int previous = -1;
    for (const QString& update : updates.mid(0, updates.size() - 2)) {
        const QRegularExpressionMatch match = QRegularExpression("^generate map: +(\\d+)%$").match(update);
        QVERIFY2(match.hasMatch(), qPrintable(update));
        QVERIFY(match.captured(1).toInt() > previous);
        previous = match.captured(1).toInt();
    }
    QCOMPARE(previous, 100);
    QVERIFY(updates.at(updates.size() - 2).startsWith("\ngenerate map: "));
    QVERIFY(updates.at(updates.size() - 2).contains("blocks differ"));
    QCOMPARE(updates.last(), QString("\n"));

    // A job that fails its checks has shown no progress: only its message.
    run = runCliOnTerminal(generateMap(m_reference.map, path("missing.mul"), out, "0"));
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out, QString(jobmessage::UnableToOpenMapData) + "\r\n");
}

QTEST_MAIN(CliJobsTest)
#include "tst_cli_jobs.moc"
