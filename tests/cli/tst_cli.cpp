// quillmark-cli and quillmark-sample end to end on a sample facet: the four
// jobs' summaries and outputs, the job's message on a failure (the window's
// own), usage errors, progress only on a terminal; inspect's verdict on good
// difference files and on each kind of damage, and its picture of the changed
// blocks; the sample facet's structure and summary, the same facet from the
// same seed, and the check that catches combined files that differ from it.

#include "containerbuilder.h"
#include "testfiles.h"

#include "diffjobs.h"
#include "facetcheck.h"
#include "indexentry.h"
#include "jobmessages.h"
#include "mainwindow.h"
#include "samplefacet.h"

#include <QtTest>
#include <QtWidgets>

#include <map>

#include <unistd.h>

using namespace testfiles;

namespace {

struct ToolRun
{
    int exitCode = -1;
    QString out, err;
};

ToolRun runTool(const QStringList& arguments, const QString& program = QUILLMARK_CLI)
{
    QProcess process;
    process.start(program, arguments);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

IndexEntry entryAt(const QByteArray& index, int block)
{
    return IndexEntry::decode(index.constData() + block * 12);
}

}  // namespace

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
    ToolRun cli(const QString& text) const { return runTool(line(text)); }

private slots:
    void initTestCase()
    {
        // A Malas sample facet of 48 x 40 blocks, its copies in ref/ and cur/, their differences in difs/.
        const SampleFacetResult sample = writeSampleFacet({m_dir.path(), 3, 48, 40, 0.05, 0.03, 0.01, 7});
        QVERIFY2(sample.status.ok(), qPrintable(sample.status.message()));
        m_summary = sample.summary;
        QVERIFY(QDir(m_dir.path()).rename("reference", "ref") && QDir(m_dir.path()).rename("current", "cur"));
        for (const char* dir : {"difs", "gen", "new", "uop", "out", "locked", "blocked/map3.mul"})
            QVERIFY(QDir().mkpath(path(dir)));
        // Tools run as another user (see failures) must reach the files, and may not write to locked/.
        const auto readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther
                              | QFile::ReadGroup | QFile::ExeGroup;
        QVERIFY(QFile::setPermissions(m_dir.path(), readOnly | QFile::WriteOwner)
                && QFile::setPermissions(path("locked"), readOnly));
        const FacetFiles ref = facetFiles(path("ref"), 3), cur = facetFiles(path("cur"), 3);
        SilentProgress silent;
        QVERIFY(generateMapDiff({ref.map, cur.map, path("difs"), 3}, silent).succeeded());
        QVERIFY(generateStaticsDiff({ref.index, ref.data, cur.index, cur.data, path("difs"), 3}, silent)
                    .succeeded());
        QVERIFY(write(path("five.difl"), int32s({5})) && write(path("empty.mul"), {}));
        QVERIFY(write(path("ten.map"), QByteArray(1960, 'm'))
                && write(path("ten.idx"), QByteArray(120, 'i')));
        QVERIFY(write(path("odd.difl"), int32s({-1, 5, 40000}))
                && write(path("odd.dif"), QByteArray(588, 'd')));
        // The reference map as a container too, and a container without its chunk 1.
        QVERIFY(convertMap({ref.map, path("ref"), 3, MapFormat::Uop}, silent).succeeded());
        const QByteArray block(196, 'b');
        QVERIFY(write(path("bad.uop"), containerbuilder::build({containerbuilder::storedChunk(3, 0, block),
                                                                containerbuilder::storedChunk(3, 2, block)})
                                           .bytes));
    }

    void fourJobsReproduceTheEditedFacet()
    {
        // Facets by name in any case, or by number. {bytes}: the size of the last file written.
        const std::pair<QString, QString> jobs[] = {
            {"generate map --reference @ref/map3.mul --current @cur/map3.mul --out @gen --facet malas",
             "generate map: %1 of %2 blocks differ; wrote @gen/mapdifl3.mul, @gen/mapdif3.mul"},
            {"generate statics --reference-index @ref/staidx3.mul --reference-data @ref/statics3.mul "
             "--current-index @cur/staidx3.mul --current-data @cur/statics3.mul --out @gen --facet Malas",
             "generate statics: %1 of %2 blocks differ, {bytes} bytes of block data; "
             "wrote @gen/stadifl3.mul, @gen/stadifi3.mul, @gen/stadif3.mul"},
            {"combine map --map @ref/map3.mul --difl @gen/mapdifl3.mul --dif @gen/mapdif3.mul --out @new "
             "--facet 3",
             "combine map: %1 of %2 blocks replaced; wrote @new/map3.mul"},
            {"combine statics --index @ref/staidx3.mul --data @ref/statics3.mul --difl @gen/stadifl3.mul "
             "--difi @gen/stadifi3.mul --dif @gen/stadif3.mul --out @new --facet 3",
             "combine statics: %1 of %2 blocks replaced, {bytes} bytes of block data; "
             "wrote @new/staidx3.mul, @new/statics3.mul"},
            {"combine map --map @ref/map3LegacyMUL.uop --difl @gen/mapdifl3.mul --dif @gen/mapdif3.mul "
             "--out @uop --facet 3 --format uop",
             "combine map: %1 of %2 blocks replaced; wrote @uop/map3LegacyMUL.uop"},
            {"convert map --in @uop/map3LegacyMUL.uop --to mul --out @uop --facet Malas",
             "convert map: 1920 blocks, 376320 bytes; wrote @uop/map3.mul"}};
        for (const auto& [text, summary] : jobs) {
            const ToolRun run = cli(text);
            const bool map = text.section(' ', 1, 1) == "map";
            const qint64 bytes = QFileInfo(path(summary.section('@', -1))).size();
            QCOMPARE(run.err, QString());  // not a terminal: no progress
            QCOMPARE(run.out,
                     QString(summary)
                             .arg(map ? m_summary.mapBlocksDiffering : m_summary.staticsBlocksDiffering)
                             .arg(m_summary.blocks)
                             .replace("{bytes}", QString::number(bytes))
                             .replace("@", m_dir.path() + '/')
                         + '\n');
            QCOMPARE(run.exitCode, 0);
        }
        // The container combined, converted back: the plain map combined, byte for byte.
        const FacetFiles edited = facetFiles(path("cur"), 3), made = facetFiles(path("new"), 3);
        QVERIFY(read(path("uop/map3.mul")) == read(made.map));
        QCOMPARE(checkCombinedMap(edited.map, made.map).status.message(), QString());
        QCOMPARE(checkCombinedStatics(edited.index, edited.data, made.index, made.data).status.message(),
                 QString());
    }

    void errors_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("error");  // after "quillmark-cli: "
        // A failed job: the job's message, the file, the reason.
        const QString genMap = "generate map --reference @%1 --current @cur/map3.mul --out @%2 --facet 3";
        const QString combineMap =
            "combine map --map @%1 --difl @five.difl --dif @empty.mul --out @%2 --facet 3";
        QTest::newRow("missing file")
            << genMap.arg("missing", "out") << 1
            << "Unable to open reference data file: @missing: No such file or directory";
        QTest::newRow("damaged container") << combineMap.arg("bad.uop", "out") + " --format uop" << 1
                                           << "Unable to open map file: @bad.uop: chunk 1 is missing";
        QTest::newRow("directory as a file")
            << combineMap.arg("difs", "out") << 1 << "Unable to open map file: @difs: Is a directory";
        QTest::newRow("no output folder") << genMap.arg("ref/map3.mul", "nowhere") << 1
                                          << "Output Directory does not exist: @nowhere: No such directory";
        QTest::newRow("unwritable output folder")
            << genMap.arg("ref/map3.mul", "locked") << 1
            << "Unable to create diff files: @locked/mapdif3.mul: Permission denied";
        QTest::newRow("output name taken")
            << combineMap.arg("ref/map3.mul", "blocked") << 1
            << "Unable to create new map file: @blocked/map3.mul: Is a directory";
        QTest::newRow("damaged")
            << "combine statics --index @ref/staidx3.mul --data @ref/statics3.mul "
               "--difl @five.difl --difi @empty.mul --dif @empty.mul --out @out --facet 3"
            << 1
            << "Dif files are damaged at block 5: @empty.mul: It holds 0 records, the locator names record 0";
        QTest::newRow("inspect") << "inspect statics --difl @five.difl --difi @missing --dif @empty.mul" << 1
                                 << "Unable to open @missing: No such file or directory";
        // Usage errors.
        const QString facet = "Unknown facet '%1': give 0 to 5 or a name: "
                              "Felucca, Trammel, Ilshenar, Malas, Tokuno, TerMur.";
        const QString map = "generate map --reference a --current b --out o";
        const QString convert = "convert map --in a --out o --facet 0";
        QTest::newRow("unknown command") << "patch map" << 2 << "Unknown command 'patch'.";
        QTest::newRow("unknown kind")
            << "inspect tiles" << 2 << "Unknown kind 'tiles' for inspect: use map or statics.";
        QTest::newRow("missing option") << map << 2 << "Missing option --facet.";
        QTest::newRow("facet out of range") << map + " --facet 6" << 2 << facet.arg("6");
        QTest::newRow("unknown facet") << map + " --facet Britain" << 2 << facet.arg("Britain");
        QTest::newRow("height") << "inspect map --difl a --dif b --height 0" << 2
                                << "--height must be a whole number from 1 to 32767.";
        QTest::newRow("format") << "combine map --map a --difl b --dif c --out o --facet 0 --format tar" << 2
                                << "Unknown format 'tar' for --format: use mul or uop.";
        QTest::newRow("convert to") << convert + " --to MUL" << 2
                                    << "Unknown format 'MUL' for --to: use mul or uop.";
        QTest::newRow("convert without to") << convert << 2 << "Missing option --to.";
        QTest::newRow("convert statics")
            << "convert statics" << 2 << "Unknown kind 'statics' for convert: use map.";
    }

    // Nothing on stdout and nothing left in an output folder. Root may write
    // anywhere, so there the tool runs as nobody to meet a folder it may not
    // write to. Past the command and its kind, a usage error points to that
    // command's help.
    void errors()
    {
        QFETCH(QString, line);
        QFETCH(int, exitCode);
        QFETCH(QString, error);
        const QStringList nobody{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                                 QUILLMARK_CLI};
        const bool asNobody =
            geteuid() == 0 && QTest::currentDataTag() == QString("unwritable output folder");
        const ToolRun run = asNobody ? runTool(nobody.mid(1) + this->line(line), nobody[0]) : cli(line);
        const QString help = line.count(' ') > 1 ? " " + line.section(' ', 0, 1) : "";
        if (exitCode == 2)
            error += QString("\nTry 'quillmark-cli%1 --help' for more information.").arg(help);
        QCOMPARE(run.err, "quillmark-cli: " + error.replace("@", m_dir.path() + '/') + '\n');
        QVERIFY(run.exitCode == exitCode && run.out.isEmpty());
        QCOMPARE(filesIn(path("out")) + filesIn(path("blocked")) + filesIn(path("locked")), QStringList());
    }

    // The window shows the job's message alone and takes its bar away; the
    // tool starts with the same text.
    void sameMessageAsTheWindow()
    {
        mainwindow window;
        window.lineCMap->setText(path("ref/map3.mul"));
        window.lineDifl->setText(path("five.difl"));
        window.lineDif->setText(path("empty.mul"));
        window.lineOutDir->setText(path("out"));
        window.mapDiffCombine();
        const ToolRun run =
            cli("combine map --map @ref/map3.mul --difl @five.difl --dif @empty.mul --out @out "
                "--facet 0");
        QCOMPARE(window.statusBar()->currentMessage(), QString(jobmessage::difFilesDamaged(5)));
        QVERIFY(!window.statusBar()->findChild<QProgressBar*>());
        QVERIFY2(run.err.startsWith("quillmark-cli: " + window.statusBar()->currentMessage() + ": "),
                 qPrintable(run.err));
    }

    // On a pseudo-terminal (through script(1)), stderr being a terminal: rising
    // percentages rewritten in place up to 100, then the summary on a line of
    // its own; a job that fails its checks shows no progress, only its message.
    void progressOnlyOnATerminal()
    {
        const QString generate = "generate map --reference @ref/map3.mul --current @%1 --out @out --facet 3";
        const auto onTerminal = [this](const QString& text) {
            return runTool({"-qec", QUILLMARK_CLI " " + line(text).join(' '), "/dev/null"}, "script");
        };
        ToolRun run = onTerminal(generate.arg("cur/map3.mul"));
        QCOMPARE(run.exitCode, 0);
        QStringList updates = run.out.split('\r', Qt::SkipEmptyParts);
        QCOMPARE(updates.takeLast(), QString("\n"));
        QVERIFY(updates.takeLast().startsWith(
            QString("\ngenerate map: %1 of ").arg(m_summary.mapBlocksDiffering)));
        QVERIFY2(updates.size() > 10 && updates.first() == "generate map:   0%", qPrintable(run.out));
        int last = -1;
        for (const QString& shown : updates) {
            const int percent = shown.mid(14).chopped(1).toInt();
            QVERIFY2(shown == QString("generate map: %1%").arg(percent, 3) && percent > last,
                     qPrintable(shown));
            last = percent;
        }
        QCOMPARE(last, 100);
        run = onTerminal(generate.arg("missing"));
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, QString("quillmark-cli: %1: %2: No such file or directory\r\n")
                              .arg(jobmessage::UnableToOpenMapData, path("missing")));
        // One that fails during its walk ends the line where it stopped.
        run = onTerminal(
            "combine map --map @ref/map3.mul --difl @five.difl --dif @empty.mul --out @out --facet 3");
        QVERIFY2(
            run.out.startsWith("\rcombine map:   0%\r\nquillmark-cli: Dif files are damaged at block 5: ")
                && !run.out.contains("100%"),
            qPrintable(run.out));
    }

    void inspect_data()
    {
        QTest::addColumn<QByteArray>("locator");
        QTest::addColumn<QByteArray>("difi");  // none for map difference files
        QTest::addColumn<int>("difBytes");
        QTest::addColumn<QString>("report");  // from the problems on
        QTest::newRow("map: clean") << int32s({1, 4, 9}) << QByteArray() << 3 * 196 << "verdict: clean\n";
        QTest::newRow("map: data too long") << int32s({1}) << QByteArray() << 2 * 196
                                            << "problems:\n  files that disagree in length: 1\n"
                                               "    1 locator records need 196 bytes of difference data, the "
                                               "file has 392\nverdict: 1 problem found\n";
        QTest::newRow("map: damaged")
            << int32s({-3, 10, 5, 5}) + "xy" << QByteArray() << 2 * 196
            << "problems:\n  partial records: 1\n"
               "    locator: 2 bytes after its last whole record of 4 bytes\n  files that disagree in "
               "length: 1\n"
               "    4 locator records need 784 bytes of difference data, the file has 392\n"
               "  negative block numbers: 1\n    record 0: block -3\n  block numbers outside the map: 1\n"
               "    record 1: block 10, the map has 10 blocks\n  repeated block numbers: 1\n"
               "    record 3: block 5 repeats record 2\n  block numbers out of order: 1\n"
               "    record 2: block 5 follows block 10\nverdict: 6 problems found\n";
        // Length 0 reads nothing: no offset is wrong for it, even one far past the end.
        QTest::newRow("statics: clean")
            << int32s({1, 2, 3, 4, 5})
            << entries({{0, 6, 0}, {-1, -7, 3}, {6, 2, 0}, {900, 0, 3}, {-9, 0, 1}}) << 8
            << "verdict: clean\n";
        QTest::newRow("statics: damaged")
            << int32s({1, 12}) << entries({{-5, 4, 0}, {0, -2, 0}, {4, 6, 0}}) << 9
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
        QFETCH(QByteArray, locator);
        QFETCH(QByteArray, difi);
        QFETCH(int, difBytes);
        QFETCH(QString, report);
        QVERIFY(write(path("case.difl"), locator) && write(path("case.difi"), difi)
                && write(path("case.dif"), QByteArray(difBytes, 'd')));
        const QString kind =
            difi.isEmpty() ? "map --map @ten.map" : "statics --index @ten.idx --difi @case.difi";
        const ToolRun run = cli("inspect " + kind + " --difl @case.difl --dif @case.dif");
        QCOMPARE(run.err, QString());
        QCOMPARE(run.exitCode, report.startsWith("verdict: clean") ? 0 : 1);
        QVERIFY(run.out.contains(
            QString("  locator: %1, %2 records\n").arg(path("case.difl")).arg(locator.size() / 4)));
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
        QTest::newRow("Felucca") << map << QSize(896, 512) << difs;
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
        QVERIFY(run.out.contains(QString(", %1 x %2 blocks, %3 changed blocks marked")
                                     .arg(size.width())
                                     .arg(size.height())
                                     .arg(marked.size())));
        const QImage image(path("grid.png"));
        QCOMPARE(image.size(), size);
        int wrong = 0;
        for (int block = 0; block < size.width() * size.height(); ++block)
            wrong += (image.pixel(block / size.height(), block % size.height()) != qRgb(0x1c, 0x24, 0x30))
                     != marked.contains(block);
        QCOMPARE(wrong, 0);
    }

    // The sample's statics lie in runs of whole 7-byte records inside the data
    // file, mostly in block order, never overlapping, now and then with junk
    // between them; what differs block by block, noise included, is what the
    // summary says.
    void sampleStructureAndSummary()
    {
        QByteArray map[2], index[2], data[2];
        std::map<qint32, qint32> runs[2];  // offset -> length
        int empty[2] = {}, outOfOrder[2] = {}, gaps[2] = {};
        qint64 payloads = 0, headers = 0, statics = 0, extras = 0;
        for (int copy = 0; copy < 2; ++copy) {
            const FacetFiles files = facetFiles(path(copy == 0 ? "ref" : "cur"), 3);
            map[copy] = read(files.map), index[copy] = read(files.index), data[copy] = read(files.data);
            QVERIFY(map[copy].size() == 1920 * 196 && index[copy].size() == 1920 * 12);
        }
        for (int block = 0; block < 1920; ++block) {
            const IndexEntry before = entryAt(index[0], block), after = entryAt(index[1], block);
            for (int copy = 0; copy < 2; ++copy) {
                const IndexEntry entry = copy == 0 ? before : after;
                QVERIFY(entry.isEmpty() || (entry.fitsIn(data[copy].size()) && entry.length % 7 == 0));
                outOfOrder[copy] +=
                    !entry.isEmpty() && !runs[copy].empty() && entry.offset < runs[copy].rbegin()->first;
                entry.isEmpty() ? ++empty[copy] : runs[copy][entry.offset] = entry.length;
            }
            const bool payload = map[0].mid(block * 196 + 4, 192) != map[1].mid(block * 196 + 4, 192);
            payloads += payload;
            headers += !payload && map[0].mid(block * 196, 4) != map[1].mid(block * 196, 4);
            const bool both = !before.isEmpty() && !after.isEmpty();
            const bool same =
                both && data[0].mid(before.offset, before.length) == data[1].mid(after.offset, after.length);
            statics += before.isEmpty() != after.isEmpty() || (both && !same);
            extras += same && before.extra != after.extra;
        }
        for (int copy = 0; copy < 2; ++copy) {
            for (auto run = runs[copy].begin(), next = std::next(run); next != runs[copy].end();
                 run = next++) {
                QVERIFY(next->first >= run->first + run->second);
                gaps[copy] += next->first > run->first + run->second;
            }
            QVERIFY(empty[copy] > 200 && empty[copy] < 800 && outOfOrder[copy] > 0 && outOfOrder[copy] < 100
                    && gaps[copy] > 10 && gaps[copy] < 200);
        }
        const SampleFacetSummary& s = m_summary;
        QCOMPARE(QList<qint64>({payloads, headers, statics, extras}),
                 QList<qint64>({s.mapBlocksDiffering, s.headerOnlyChanges, s.staticsBlocksDiffering,
                                s.extraOnlyChanges}));
        QVERIFY(payloads > 50 && headers > 10 && extras > 10 && s.staticsEmptied > 10 && s.staticsAdded > 10);
    }

    // The tool given the options of the facet in ref/ and cur/ makes the same files; another seed, others.
    void sameSeedSameFacet()
    {
        const QString make =
            "make --dir @%1 --facet malas --width 48 --height 40 --changed 0.05 --emptied 0.03 "
            "--new 0.01 --seed %2";
        for (const QString& options :
             {make.arg("same", "7"), make.arg("other", "8"), make.arg("uopsample", "7") + " --uop"})
            QCOMPARE(runTool(line(options), QUILLMARK_SAMPLE).exitCode, 0);
        QVERIFY(read(path("uopsample/reference/map3LegacyMUL.uop")) == read(path("ref/map3LegacyMUL.uop")));
        QCOMPARE(filesIn(path("uopsample/reference")),
                 QStringList({"map3LegacyMUL.uop", "staidx3.mul", "statics3.mul"}));
        for (const QString name : {"map3.mul", "staidx3.mul", "statics3.mul"}) {
            for (const auto& [copy, made] :
                 {std::pair("ref/", "/reference/"), std::pair("cur/", "/current/")}) {
                QVERIFY2(read(path("same") + made + name) == read(path(copy + name)),
                         qPrintable(copy + name));
                QVERIFY2(read(path("other") + made + name) != read(path(copy + name)),
                         qPrintable(copy + name));
            }
        }
    }

    void sampleTool_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        // Combined files that differ from the edited copy in a map header (never compared), in a
        // map payload, in the bytes of a block's statics, and in that block's index entry.
        QByteArray map = read(path("cur/map3.mul")), index = read(path("cur/staidx3.mul"));
        QByteArray data = read(path("cur/statics3.mul"));
        map[7 * 196 + 1] = char(map[7 * 196 + 1] ^ 1);
        QVERIFY(write(path("header.map"), map));
        map[9 * 196 + 100] = char(map[9 * 196 + 100] ^ 1);
        QVERIFY(write(path("payload.map"), map));
        int block = 0;
        while (entryAt(index, block).isEmpty() || entryAt(index, block).length == 0)
            ++block;
        const IndexEntry entry = entryAt(index, block);
        data[entry.offset] = char(data[entry.offset] ^ 0x40);
        IndexEntry().encode(index.data() + block * 12);
        QVERIFY(write(path("changed.dat"), data) && write(path("emptied.idx"), index));

        const QString verifyMap = "verify --edited-map @%1 --combined-map @%2";
        const QString verifyStatics = "verify --edited-index @%1 --edited-data @cur/statics3.mul "
                                      "--combined-index @%2 --combined-data @%3";
        const QString match = "map: all 1920 blocks match the edited facet\nverdict: match\n";
        const QString mismatch = "statics: statics block %1 %2 (1 blocks differ)\nverdict: mismatch\n";
        QTest::newRow("map header") << verifyMap.arg("cur/map3.mul", "header.map") << 0 << match;
        QTest::newRow("map in a container")
            << verifyMap.arg("ref/map3.mul", "ref/map3LegacyMUL.uop") << 0 << match;
        QTest::newRow("map payload")
            << verifyMap.arg("cur/map3.mul", "payload.map") << 1
            << "map: map block 9 differs from the edited facet (1 blocks differ)\nverdict: mismatch\n";
        QTest::newRow("statics bytes")
            << verifyStatics.arg("cur/staidx3.mul", "cur/staidx3.mul", "changed.dat") << 1
            << mismatch.arg(block).arg("holds other bytes");
        QTest::newRow("statics block emptied")
            << verifyStatics.arg("cur/staidx3.mul", "emptied.idx", "cur/statics3.mul") << 1
            << mismatch.arg(block).arg(QString("is empty but should hold %1 bytes").arg(entry.length));
        QTest::newRow("statics block filled")
            << verifyStatics.arg("emptied.idx", "cur/staidx3.mul", "cur/statics3.mul") << 1
            << mismatch.arg(block).arg("should be empty");
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
        const ToolRun run = runTool(this->line(line), QUILLMARK_SAMPLE);
        QCOMPARE(run.out, out);
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(run.err.startsWith("quillmark-sample: "), exitCode == 2);
        QVERIFY(!QDir(path("no")).exists());
    }
};

QTEST_MAIN(CliTest)
#include "tst_cli.moc"
