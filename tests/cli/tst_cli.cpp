// quillmark-cli and quillmark-sample end to end on a sample facet: the four
// jobs' summaries and outputs, the job's message on a failure, usage errors,
// progress only on a terminal; inspect's verdict on good difference files
// and on each kind of damage, and its picture of the changed blocks; the
// sample facet's summary, the same facet from the same seed, and the check
// that catches combined files that differ from it.

#include "jobrun.h"
#include "toolrun.h"

#include "facetcheck.h"
#include "jobmessages.h"
#include "jobs.h"
#include "samplefacet.h"

#include <QImage>
#include <QTest>

using namespace quillmark;
using namespace testfiles;

class CliTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    SampleFacetSummary m_summary;

    QString path(const QString& name) const { return m_dir.filePath(name); }
    // A command line written as one text; words that start with '@' name files in the test's directory.
    QStringList line(const QString& text) const
    {
        return QString(text).replace('@', m_dir.path() + '/').split(' ', Qt::SkipEmptyParts);
    }
    ToolRun cli(const QString& text) const { return runTool(QUILLMARK_CLI, line(text)); }
    // What a job that succeeds prints on stdout, '@' for the test's directory;
    // else what it prints on stderr.
    QString summary(const QString& text) const
    {
        ToolRun run = cli(text);
        if (run.exitCode == 0 && run.err.isEmpty())
            return run.out.replace(m_dir.path() + '/', "@");
        return run.err.isEmpty() ? QString("exit code %1, nothing on stderr").arg(run.exitCode) : run.err;
    }

private slots:
    void initTestCase()
    {
        // A Malas sample facet of 48 x 40 blocks, its copies in ref/ and cur/, their differences in difs/;
        // 5% of its blocks changed, 3% emptied, 1% new, from seed 7.
        const SampleFacetResult sample = writeSampleFacet({m_dir.path(), 3, 48, 40, 0.05, 0.03, 0.01, 7});
        QVERIFY2(sample.status.ok(), qPrintable(sample.status.message()));
        m_summary = sample.summary;
        QVERIFY(QDir(m_dir.path()).rename("reference", "ref") && QDir(m_dir.path()).rename("current", "cur"));
        for (const char* dir : {"difs", "gen", "new", "uop", "out", "forced", "tampered", "blocked/map3.mul"})
            QVERIFY(QDir().mkpath(path(dir)));
        const FacetFiles ref = facetFiles(path("ref"), 3), cur = facetFiles(path("cur"), 3);
        QVERIFY(runJob(Job::GenerateMap, {ref.map, cur.map}, path("difs"), {3}).succeeded());
        QVERIFY(runJob(Job::GenerateStatics, {ref.index, ref.data, cur.index, cur.data}, path("difs"), {3})
                    .succeeded());
        QVERIFY(write(path("five.difl"), int32s({5})) && write(path("empty.mul"), {}));
        QVERIFY(write(path("ten.map"), QByteArray(1960, 'm'))
                && write(path("ten.idx"), QByteArray(120, 'i')));
        QVERIFY(write(path("odd.difl"), int32s({-1, 5, 40000}))
                && write(path("odd.dif"), QByteArray(588, 'd')));
        // The reference map as a container too.
        QVERIFY(runJob(Job::ConvertMapToContainer, {ref.map}, path("ref"), {3}).succeeded());
        // The reference map with the first block the patch replaces edited; the patch with a byte changed.
        QByteArray edited = read(ref.map), tampered = read(path("difs/mapdif3.mul"));
        const qint32 first = readInt32s(read(path("difs/mapdifl3.mul"))).value(0);
        edited[first * 196 + 10] = char(edited[first * 196 + 10] ^ 1);
        tampered[0] = char(tampered[0] ^ 1);
        QVERIFY(write(path("edited.map"), edited) && write(path("tampered/mapdif3.mul"), tampered));
    }

    void fourJobsReproduceTheEditedFacet()
    {
        const QString mapCounts =
            QString("%1 of %2 blocks").arg(m_summary.mapBlocksDiffering).arg(m_summary.blocks);
        const QString staticsCounts =
            QString("%1 of %2 blocks").arg(m_summary.staticsBlocksDiffering).arg(m_summary.blocks);
        const auto bytes = [this](const char* file) { return QFileInfo(path(file)).size(); };
        const QString Exact = "; base exact: it is the patch's reference\n";
        // What a job prints on stdout, '@' for the test's directory; not on a
        // terminal, it prints no progress. Facets by name in any case, or by number.
        QCOMPARE(
            summary(
                "generate map --reference @ref/map3.mul --current @cur/map3.mul --out @gen --facet malas"),
            "generate map: " + mapCounts
                + " differ; wrote @gen/mapdifl3.mul, @gen/mapdif3.mul, @gen/mapdif3.manifest.json\n");
        QString out =
            summary("generate statics --reference-index @ref/staidx3.mul --reference-data "
                    "@ref/statics3.mul --current-index @cur/staidx3.mul --current-data @cur/statics3.mul "
                    "--out @gen --facet Malas");
        QCOMPARE(out, QString("generate statics: %1 differ, %2 bytes of block data; wrote @gen/stadifl3.mul, "
                              "@gen/stadifi3.mul, @gen/stadif3.mul, @gen/stadif3.manifest.json\n")
                          .arg(staticsCounts)
                          .arg(bytes("gen/stadif3.mul")));
        QCOMPARE(
            summary("combine map --map @ref/map3.mul --difl @gen/mapdifl3.mul --dif @gen/mapdif3.mul --out "
                    "@new --facet 3"),
            "combine map: " + mapCounts + " replaced; wrote @new/map3.mul" + Exact);
        out = summary(
            "combine statics --index @ref/staidx3.mul --data @ref/statics3.mul --difl @gen/stadifl3.mul "
            "--difi @gen/stadifi3.mul --dif @gen/stadif3.mul --out @new --facet 3");
        QCOMPARE(out, QString("combine statics: %1 replaced, %2 bytes of block data; wrote @new/staidx3.mul, "
                              "@new/statics3.mul; base exact: it is the patch's reference\n")
                          .arg(staticsCounts)
                          .arg(bytes("new/statics3.mul")));
        QCOMPARE(summary("combine map --map @ref/map3LegacyMUL.uop --difl @gen/mapdifl3.mul --dif "
                         "@gen/mapdif3.mul --out @uop --facet 3 --format uop"),
                 "combine map: " + mapCounts + " replaced; wrote @uop/map3LegacyMUL.uop" + Exact);
        QCOMPARE(summary("convert map --in @uop/map3LegacyMUL.uop --to mul --out @uop --facet Malas"),
                 QString("convert map: 1920 blocks, 376320 bytes; wrote @uop/map3.mul\n"));
        QVERIFY(write(path("one.map"), QByteArray(1960, 'm').replace(500, 1, "x")));  // one block differs
        QCOMPARE(summary("generate map --reference @ten.map --current @one.map --out @gen --facet 0"),
                 QString("generate map: 1 of 10 blocks differs; wrote @gen/mapdifl0.mul, @gen/mapdif0.mul, "
                         "@gen/mapdif0.manifest.json\n"));
        // The container combined, converted back: the plain map combined, byte for byte.
        const FacetFiles edited = facetFiles(path("cur"), 3), made = facetFiles(path("new"), 3);
        QVERIFY(read(path("uop/map3.mul")) == read(made.map));
        QCOMPARE(checkCombinedMap(edited.map, made.map).status.message(), QString());
        QCOMPARE(checkCombinedStatics(edited.index, edited.data, made.index, made.data).status.message(),
                 QString());
    }

    // Exit status and both streams, '@' for the test's directory. A job's
    // failure prints its message (the window's own), the file and the reason; a usage error points to the
    // help of the command named, once its command and kind are known. verify tells the case, and fails for a
    // base the patch does not fit or no manifest to check against; combine refuses such a base, unless
    // forced, and says what it found of its base on its summary line. A failure leaves nothing in an output
    // folder.
    void commandLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        const auto printed = [](const char* name, const QString& line, int exitCode, const QString& out) {
            QTest::newRow(name) << line << exitCode << out << QString();
        };
        const auto failed = [](const char* name, const QString& line, const QString& error) {
            QTest::newRow(name) << line << 1 << QString() << "quillmark-cli: " + error + '\n';
        };
        const auto misused = [](const QString& line, const QString& error, const QString& helpFor) {
            QTest::newRow(qPrintable(line))
                << line << 2 << QString()
                << QString("quillmark-cli: %1\nTry 'quillmark-cli%2 --help' for more information.\n")
                       .arg(error, helpFor.isEmpty() ? QString() : ' ' + helpFor);
        };
        const QString genMap = "generate map --reference @%1 --current @cur/map3.mul --out @%2 --facet 3";
        failed("missing file", genMap.arg("missing", "out"),
               "Unable to open reference data file: @missing: " + openFailureReason(path("missing")));
        failed("no output folder", genMap.arg("ref/map3.mul", "nowhere"),
               "Output Directory does not exist: @nowhere: No such directory");
        failed("directory as a file",
               "combine map --map @difs --difl @empty.mul --dif @empty.mul --out @out --facet 3",
               "Unable to open map file: @difs: Is a directory");
        failed("output name taken",
               "combine map --map @ref/map3.mul --difl @empty.mul --dif @empty.mul --out @blocked --facet 3",
               "Unable to create new map file: @blocked/map3.mul: Is a directory");
        failed(
            "damaged",
            "combine statics --index @ref/staidx3.mul --data @ref/statics3.mul --difl @five.difl --difi "
            "@empty.mul --dif @empty.mul --out @out --facet 3",
            "Dif files are damaged at block 5: @empty.mul: It holds 0 records, the locator names record 0");
        failed("inspect", "inspect statics --difl @five.difl --difi @missing --dif @empty.mul",
               "Unable to open @missing: " + openFailureReason(path("missing")));

        const QString map = "--difl @difs/mapdifl3.mul --dif @difs/mapdif3.mul";
        const QString patch = QString("; the patch, made for Malas (facet 3), replaces %1 of 1920 blocks\n")
                                  .arg(m_summary.mapBlocksDiffering);
        // The first block the patch replaces, edited in edited.map: its top left tile on Malas.
        const qint32 first = readInt32s(read(path("difs/mapdifl3.mul"))).value(0);
        const QString conflict = QString("1 of the %1 blocks it replaces holds something else, at tile %2,%3")
                                     .arg(m_summary.mapBlocksDiffering)
                                     .arg(first / 256 * 8)
                                     .arg(first % 256 * 8);
        printed("exact", "verify map --map @ref/map3.mul " + map, 0,
                "verify map: base exact: it is the patch's reference" + patch);
        printed("already patched",
                "verify statics --index @cur/staidx3.mul --data @cur/statics3.mul --difl "
                "@difs/stadifl3.mul --difi @difs/stadifi3.mul --dif @difs/stadif3.mul",
                0,
                QString("verify statics: base already patched: it is the patch's result; the patch, made for "
                        "Malas (facet 3), replaces %1 of 1920 blocks\n")
                    .arg(m_summary.staticsBlocksDiffering));
        printed("does not fit", "verify map --map @edited.map " + map, 1,
                "verify map: base does not fit: " + conflict + patch);
        failed("combined anyway", "combine map --map @edited.map " + map + " --out @out --facet 3",
               "Dif files do not fit this map: @edited.map: " + conflict);
        printed("forced", "combine map --map @edited.map " + map + " --out @forced --facet 3 --force", 0,
                QString("combine map: %1 of 1920 blocks replaced; wrote @forced/map3.mul; base does not fit, "
                        "forced: ")
                        .arg(m_summary.mapBlocksDiffering)
                    + conflict + "\n");
        // Another facet's statics: the patch does not fit them, but is applied when forced.
        const QString statics = "--index @ref/staidx3.mul --data @ref/statics3.mul --difl @difs/stadifl3.mul "
                                "--difi @difs/stadifi3.mul --dif @difs/stadif3.mul";
        const QString otherFacet = "the patch is for Malas (facet 3), not for Ilshenar (facet 2)";
        printed(
            "statics of another facet", "verify statics --facet 2 " + statics, 1,
            QString("verify statics: base does not fit: %1; the patch, made for Malas (facet 3), replaces %2 "
                    "of 1920 blocks\n")
                .arg(otherFacet)
                .arg(m_summary.staticsBlocksDiffering));
        printed("forced onto another facet", "combine statics --out @forced --facet 2 --force " + statics, 0,
                QString("combine statics: %1 of 1920 blocks replaced, %2 bytes of block data; wrote "
                        "@forced/staidx2.mul, @forced/statics2.mul; base does not fit, forced: %3\n")
                    .arg(m_summary.staticsBlocksDiffering)
                    .arg(QFileInfo(path("new/statics3.mul")).size())
                    .arg(otherFacet));
        failed("tampered",
               "verify map --map @ref/map3.mul --difl @difs/mapdifl3.mul --dif @tampered/mapdif3.mul",
               "Dif files do not match their manifest: @tampered/mapdif3.mul: Its bytes are not those its "
               "manifest names");
        printed("no manifest", "verify map --map @ten.map --difl @five.difl --dif @ten.map", 3,
                "verify map: base not checked: a locator of that name has no manifest; the patch replaces 1 "
                "of 10 blocks\n");
        printed("not checked",
                "combine map --map @ten.map --difl @odd.difl --dif @odd.dif --out @forced --facet 0", 0,
                "combine map: 1 of 10 blocks replaced; wrote @forced/map0.mul; base not checked: a locator "
                "of that name has no manifest\n");

        // Theirs left as the base: ours, every block of it that differs in any byte.
        printed(
            "merged",
            "merge map --base @ref/map3.mul --ours @cur/map3.mul --theirs @ref/map3.mul --out @gen --facet 3",
            0,
            QString("merge map: 1920 blocks; %1 blocks changed by ours, 0 by theirs, 0 by both; no tiles "
                    "conflict; wrote @gen/map3.mul\n")
                .arg(m_summary.mapBlocksDiffering + m_summary.headerOnlyChanges));

        const QString facet = "Unknown facet '%1': give 0 to 5 or a name: Felucca, Trammel, Ilshenar, Malas, "
                              "Tokuno, TerMur.";
        const QString generate = "generate map --reference a --current b --out o";
        const QString convert = "convert map --in a --out o --facet 0";
        misused("patch map", "Unknown command 'patch'.", "");
        misused("inspect tiles", "Unknown kind 'tiles' for inspect: use map or statics.", "");
        misused(generate, "Missing option --facet.", "generate map");
        misused(generate + " --facet 6", facet.arg("6"), "generate map");
        misused("inspect map --difl a --dif b --height 0", "--height must be a whole number from 1 to 32767.",
                "inspect map");
        misused(convert + " --to MUL", "Unknown format 'MUL' for --to: use mul or uop.", "convert map");
        misused(convert + " --to mul stray", "Unexpected argument 'stray'.", "convert map");
        misused("convert statics", "Unknown kind 'statics' for convert: use map.", "");
        misused("verify map --map a --difl b --dif c --height 0",
                "--height must be a whole number from 1 to 1073741824.", "verify map");
        // Files that are plainly not in the roles they were given.
        misused(
            "combine map --map @ref/map3.mul --difl @difs/stadifl3.mul --dif @difs/stadifi3.mul --out @out "
            "--facet 3",
            QString("Unable to open dif files: @difs/stadifl3.mul: These look like statics difference files, "
                    "not map ones: @difs/stadifl3.mul has %1 bytes, @difs/stadifi3.mul has %2 bytes")
                .arg(m_summary.staticsBlocksDiffering * 4)
                .arg(m_summary.staticsBlocksDiffering * 12),
            "combine map");
        misused(
            "combine statics --index @ref/staidx3.mul --data @ref/map3.mul --difl @difs/stadifl3.mul --difi "
            "@difs/stadifi3.mul --dif @difs/stadif3.mul --out @out --facet 3",
            "Unable to open static files: @ref/map3.mul: It is as large as a map file of the 1920 blocks its "
            "index has: a map file given as statics data?",
            "combine statics");
        misused("merge map --base a --ours b --theirs c --out o --facet 0 --prefer mine",
                "Unknown side 'mine' for --prefer: use ours or theirs.", "merge map");
    }
    void commandLines()
    {
        QFETCH(QString, line);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        ToolRun run = cli(line);
        QCOMPARE(run.err.replace(m_dir.path() + '/', "@"), err);
        QCOMPARE(run.out.replace(m_dir.path() + '/', "@"), out);
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(filesIn(path("out")) + filesIn(path("blocked")), QStringList());
    }

    // On a pseudo-terminal (through script(1)), stderr being a terminal:
    // percentages rewritten in place up to 100, then the summary on a line of
    // its own; a job that fails its checks shows no progress, only its message;
    // one that fails during its walk ends the line where it stopped, with its
    // message.
    void progressOnlyOnATerminal()
    {
#ifdef Q_OS_WIN
        QSKIP("script(1) gives the tool a POSIX pseudo-terminal; on its Windows counterpart, a "
              "pseudo-console (CreatePseudoConsole), Wine 8 starts the program without any of its handles");
#endif
        const QString generate = "generate map --reference @ref/map3.mul --current @%1 --out @out --facet 3";
        const auto onTerminal = [this](const QString& text) {
            return runTool("script", {"-qec", QUILLMARK_CLI " " + line(text).join(' '), "/dev/null"});
        };
        ToolRun run = onTerminal(generate.arg("cur/map3.mul"));
        QCOMPARE(run.exitCode, 0);
        QStringList updates = run.out.split('\r', Qt::SkipEmptyParts);
        QCOMPARE(updates.takeLast(), QString("\n"));
        QVERIFY(updates.takeLast().startsWith(
            QString("\ngenerate map: %1 of ").arg(m_summary.mapBlocksDiffering)));
        QVERIFY2(updates.size() > 10 && updates.first().endsWith(" 0%") && updates.last().endsWith(" 100%"),
                 qPrintable(run.out));
        run = onTerminal(generate.arg("missing"));
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, QString("quillmark-cli: %1: %2: No such file or directory\r\n")
                              .arg(jobmessage::UnableToOpenMapData, path("missing")));
        run = onTerminal(  // index entries far past their data: damaged in the walk
            "combine statics --index @ten.idx --data @empty.mul --difl @empty.mul --difi @empty.mul "
            "--dif @empty.mul --out @out --facet 0");
        QVERIFY2(run.out.startsWith("\rcombine statics:   0%\r\nquillmark-cli: "
                                    + jobmessage::currentStaticsDamaged(0) + ": ")
                     && !run.out.contains("100%"),
                 qPrintable(run.out));
    }

    void inspect_data()
    {
        QTest::addColumn<QString>("kind");  // and the options that only that kind takes
        QTest::addColumn<QByteArray>("locator");
        QTest::addColumn<QByteArray>("difi");
        QTest::addColumn<QByteArray>("dif");
        QTest::addColumn<QString>("report");  // from the problems on
        const QString map = "map --map @ten.map", statics = "statics --index @ten.idx --difi @case.difi";
        const auto dif = [](int bytes) { return QByteArray(bytes, '\x01'); };  // statics at x 1, y 1
        QTest::newRow("map: damaged")
            << map << int32s({-3, 10, 5, 5}) + "xy" << QByteArray() << dif(5 * 196)
            << "problems:\n  partial records: 1\n"
               "    locator: 2 bytes after its last whole record of 4 bytes\n  files that disagree in "
               "length: 1\n"
               "    4 locator records need 784 bytes of difference data, the file has 980\n"
               "  negative block numbers: 1\n    record 0: block -3\n  block numbers outside the map: 1\n"
               "    record 1: block 10, the map has 10 blocks\n  repeated block numbers: 1\n"
               "    record 3: block 5 repeats record 2\n  block numbers out of order: 1\n"
               "    record 2: block 5 follows block 10\nverdict: 6 problems found\n";
        // Length 0 reads nothing: no offset is wrong for it, even one far past the end.
        QTest::newRow("statics: clean")
            << statics << int32s({1, 2, 3, 4, 5})
            << entries({{0, 7, 0}, {-1, -7, 3}, {7, 7, 0}, {900, 0, 3}, {-9, 0, 1}}) << dif(14)
            << "verdict: clean\n";
        // What a combination copies as it is: bytes that are not whole statics, a static at x 9 of its block.
        QTest::newRow("statics: damaged statics")
            << statics << int32s({1, 2}) << entries({{0, 10, 0}, {10, 7, 0}})
            << dif(10) + QByteArray("\x01\x01\x09\x01\x01\x01\x01", 7)
            << "problems:\n  records that are not whole statics: 1\n"
               "    record 0 (block 1): 10 bytes, not a whole number of 7-byte statics\n"
               "  statics outside their block: 1\n    record 1 (block 2): static 1 at x 9, y 1\n"
               "verdict: 2 problems found\n";
        QTest::newRow("statics: damaged")
            << statics << int32s({1, 12}) << entries({{-5, 4, 0}, {0, -2, 0}, {4, 6, 0}}) << dif(9)
            << "problems:\n  files that disagree in length: 2\n"
               "    2 locator records, but 3 difference index records\n"
               "    the records with data add up to 8 bytes, the difference data file has 9\n"
               "  block numbers outside the statics index: 1\n"
               "    record 1: block 12, the statics index has 10 blocks\n"
               "  records with a negative offset: 1\n    record 0 (block 1): offset -5\n"
               "  records with a negative length: 1\n    record 1 (block 12): length -2\n"
               "  records past the end of the difference data: 1\n"
               "    record 2 (no locator record): bytes 4 to 9, the file has 9\nverdict: 6 problems found\n";
    }

    void inspect()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, locator);
        QFETCH(QByteArray, difi);
        QFETCH(QByteArray, dif);
        QFETCH(QString, report);
        QVERIFY(write(path("case.difl"), locator) && write(path("case.difi"), difi)
                && write(path("case.dif"), dif));
        const ToolRun run = cli("inspect " + kind + " --difl @case.difl --dif @case.dif");
        QVERIFY(run.err.isEmpty() && run.exitCode == (report.startsWith("verdict: clean") ? 0 : 1));
        const qsizetype problems = run.out.indexOf("problems:\n");
        QCOMPARE(run.out.mid(problems >= 0 ? problems : run.out.indexOf("verdict: ")), report);
    }

    void picture_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("locator");  // its blocks inside the grid are marked, no others
        const QString map = "inspect map --difl @difs/mapdifl3.mul --dif @difs/mapdif3.mul";
        const QString difs = "difs/mapdifl3.mul";
        QTest::newRow("map") << map + " --map @ref/map3.mul --height 7" << QSize(275, 7) << difs;
        QTest::newRow("map in a container")
            << map + " --map @ref/map3LegacyMUL.uop --height 7" << QSize(275, 7) << difs;
        QTest::newRow("statics") << "inspect statics --difl @difs/stadifl3.mul --difi @difs/stadifi3.mul "
                                    "--dif @difs/stadif3.mul --index @ref/staidx3.mul --height 40"
                                 << QSize(48, 40) << "difs/stadifl3.mul";
        QTest::newRow("Felucca, the default") << map << QSize(896, 512) << difs;
        QTest::newRow("Trammel") << map + " --facet trammel" << QSize(896, 512) << difs;
        QTest::newRow("Ilshenar") << map + " --facet 2" << QSize(288, 200) << difs;
        QTest::newRow("TerMur") << map + " --facet termur" << QSize(160, 512) << difs;
        QTest::newRow("Malas, other height")
            << map + " --facet malas --height 100" << QSize(320, 100) << difs;
        QTest::newRow("Tokuno, outside")
            << "inspect map --difl @odd.difl --dif @odd.dif --facet 4" << QSize(181, 181) << "odd.difl";
    }

    // Block b at column b / height, row b % height.
    void picture()
    {
        QFETCH(QString, line);
        QFETCH(QSize, size);
        QFETCH(QString, locator);
        QFile::remove(path("grid.png"));
        const ToolRun run = cli(line + " --picture @grid.png");
        const QList<qint32> blocks = readInt32s(read(path(locator)));
        QCOMPARE(run.exitCode, blocks.contains(-1) ? 1 : 0);  // a negative block number is a problem
        QSet<qint32> marked(blocks.begin(), blocks.end());
        marked.removeIf([&size](qint32 block) { return block < 0 || block >= size.width() * size.height(); });
        QVERIFY(run.out.contains(QString(", %1 x %2 blocks, %3 changed %4 marked")
                                     .arg(size.width())
                                     .arg(size.height())
                                     .arg(marked.size())
                                     .arg(marked.size() == 1 ? "block" : "blocks")));
        const QImage image(path("grid.png"));
        QCOMPARE(image.size(), size);
        int wrong = 0;
        for (int block = 0; block < size.width() * size.height(); ++block)
            wrong += (image.pixel(block / size.height(), block % size.height()) != qRgb(0x1c, 0x24, 0x30))
                     != marked.contains(block);
        QCOMPARE(wrong, 0);
    }

    // The tool given the options of the facet in ref/ and cur/ makes the same
    // files, its --uop reference map the container converted from them. The
    // sample holds as many header-only changes, which no job may count, as its
    // summary says, and by that summary extra-only changes and statics out of
    // block order too; the generate jobs check its other counts.
    void sampleFacet()
    {
        const QStringList make = line("make --dir @same --facet malas --width 48 --height 40 --changed 0.05 "
                                      "--emptied 0.03 --new 0.01 --seed 7 --uop");
        QCOMPARE(runTool(QUILLMARK_SAMPLE, make).exitCode, 0);
        QCOMPARE(filesIn(path("same/reference")),
                 QStringList({"map3LegacyMUL.uop", "staidx3.mul", "statics3.mul"}));
        for (const auto& [made, mine] :
             {std::pair("same/reference/", "ref/"), std::pair("same/current/", "cur/")}) {
            for (const QString& name : filesIn(path(made)))
                QVERIFY2(read(path(made + name)) == read(path(mine + name)), qPrintable(made + name));
        }
        const QByteArray ref = read(path("ref/map3.mul")), cur = read(path("cur/map3.mul"));
        qint64 headers = 0;
        for (int block = 0; block < 1920; ++block) {
            headers += ref.mid(block * 196 + 4, 192) == cur.mid(block * 196 + 4, 192)
                       && ref.mid(block * 196, 4) != cur.mid(block * 196, 4);
        }
        QCOMPARE(headers, m_summary.headerOnlyChanges);
        QVERIFY(headers > 10 && m_summary.extraOnlyChanges > 10 && m_summary.blocksPlacedOutOfOrder > 0);
    }

    void sampleTool_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        // Combined files that differ from the edited ones in a map header (never compared), in a map
        // payload, in the bytes of a block's statics, and in that block's index entry.
        QVERIFY(write(path("a.map"), mapBlock(1, 5) + mapBlock(2, 6))
                && write(path("header.map"), mapBlock(9, 5) + mapBlock(2, 6))
                && write(path("payload.map"), mapBlock(1, 5) + mapBlock(2, 7)));
        QVERIFY(write(path("one.idx"), entries({{0, 7, 0}})) && write(path("none.idx"), entries({{-1, 0, 0}}))
                && write(path("one.dat"), "abcdefg") && write(path("other.dat"), "abcdefh"));
        const QString verifyMap = "verify --edited-map @a.map --combined-map @%1";
        const QString verifyStatics =
            "verify --edited-index @%1 --edited-data @one.dat --combined-index @%2 --combined-data @%3";
        const QString mismatch = "statics: statics block 0 %1 (1 blocks differ)\nverdict: mismatch\n";
        QTest::newRow("map header") << verifyMap.arg("header.map") << 0
                                    << "map: all 2 blocks match the edited facet\nverdict: match\n";
        QTest::newRow("map payload")
            << verifyMap.arg("payload.map") << 1
            << "map: map block 1 differs from the edited facet (1 blocks differ)\nverdict: mismatch\n";
        QTest::newRow("statics bytes")
            << verifyStatics.arg("one.idx", "one.idx", "other.dat") << 1 << mismatch.arg("holds other bytes");
        QTest::newRow("statics block emptied") << verifyStatics.arg("one.idx", "none.idx", "one.dat") << 1
                                               << mismatch.arg("is empty but should hold 7 bytes");
        QTest::newRow("statics block filled")
            << verifyStatics.arg("none.idx", "one.idx", "one.dat") << 1 << mismatch.arg("should be empty");
        for (const char* usage :
             {"mix", "verify", "verify --edited-map a", "make --width 0 --dir @no",
              "make --height 2.5 --dir @no", "make --facet Sosaria --dir @no",
              "make --width 1000 --height 1000 --dir @no", "make --new 0.6 --changed 0.5 --dir @no"})
            QTest::newRow(usage) << usage << 2 << "";
    }

    void sampleTool()
    {
        QFETCH(QString, line);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        const ToolRun run = runTool(QUILLMARK_SAMPLE, this->line(line));
        QCOMPARE(run.out, out);
        QCOMPARE(run.err.startsWith("quillmark-sample: "), exitCode == 2);
        QVERIFY(run.exitCode == exitCode && !QDir(path("no")).exists());
    }
};

QTEST_MAIN(CliTest)
#include "tst_cli.moc"
