// quillmark-cli inspect: the verdict on good difference files, every kind of
// damage it reports (counted, with bounded examples), and the picture of the
// block grid with exactly the listed blocks marked.

#include "toolrun.h"

#include "testfiles.h"

#include "diff/diffjobs.h"
#include "samplefacet/samplefacet.h"

#include <QImage>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace testfiles;

class CliInspectTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void mapFiles_data();
    void mapFiles();
    void staticsFiles_data();
    void staticsFiles();
    void unreadableFiles();
    void usageErrors_data();
    void usageErrors();
    void pictureMarksExactlyTheListedBlocks();
    void pictureSize_data();
    void pictureSize();
    void blocksOutsideThePicture();

private:
    QString path(const QString& name) const { return m_dir.path() + QLatin1Char('/') + name; }
    // Everything from the problems on: the lines before name the files.
    static QString problemsAndVerdict(const QString& report);

    QTemporaryDir m_dir;
    SampleFacetOptions m_options;
    QString m_difs;
};

namespace {

constexpr int SampleWidth = 48;
constexpr int SampleHeight = 40;

QSet<qint32> blocksIn(const QByteArray& locator)
{
    QSet<qint32> blocks;
    for (qsizetype at = 0; at + 4 <= locator.size(); at += 4)
        blocks.insert(qFromLittleEndian<qint32>(locator.constData() + at));
    return blocks;
}

const QRgb Dark = qRgb(0x1c, 0x24, 0x30);

}  // namespace

QString CliInspectTest::problemsAndVerdict(const QString& report)
{
    const qsizetype problems = report.indexOf("problems:\n");
    return problems >= 0 ? report.mid(problems) : report.mid(report.indexOf("verdict: "));
}

void CliInspectTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_options.directory = path("sample");
    m_options.widthBlocks = SampleWidth;
    m_options.heightBlocks = SampleHeight;
    m_options.changedShare = 0.05;
    QVERIFY(writeSampleFacet(m_options).ok);
    m_difs = path("difs");
    QVERIFY(QDir().mkpath(m_difs));
    const FacetFiles reference = referenceFiles(m_options);
    const FacetFiles edited = editedFiles(m_options);
    SilentProgress silent;
    QVERIFY(generateMapDiff({reference.map, edited.map, m_difs, 0}, silent).ok);
    QVERIFY(
        generateStaticsDiff({reference.index, reference.data, edited.index, edited.data, m_difs, 0}, silent)
            .ok);
    // A map and a statics index of 10 blocks for the hand-made cases.
    QVERIFY(write(path("ten.map"), QByteArray(10 * 196, 'm')));
    QVERIFY(write(path("ten.idx"), QByteArray(10 * 12, 'i')));
}

void CliInspectTest::mapFiles_data()
{
    QTest::addColumn<QByteArray>("locator");
    QTest::addColumn<int>("difBytes");
    QTest::addColumn<bool>("withMap");
    QTest::addColumn<QString>("report");

    QTest::newRow("clean") << int32s({1, 4, 9}) << 3 * 196 << true << "verdict: clean\n";
    QTest::newRow("partial locator record")
        << int32s({1, 2}) + QByteArray(2, 'x') << 2 * 196 << true
        << "problems:\n  partial records: 1\n    locator: 2 bytes after its last whole record of 4 bytes\n"
           "verdict: 1 problem found\n";
    QTest::newRow("partial difference record")
        << int32s({1, 2}) << 2 * 196 + 5 << true
        << "problems:\n  partial records: 1\n    difference data: 5 bytes after its last whole record of 196 "
           "bytes\n"
           "  files that disagree in length: 1\n"
           "    2 locator records need 392 bytes of difference data, the file has 397\n"
           "verdict: 2 problems found\n";
    QTest::newRow("too few difference records")
        << int32s({1, 2, 3}) << 2 * 196 << true
        << "problems:\n  files that disagree in length: 1\n"
           "    3 locator records need 588 bytes of difference data, the file has 392\n"
           "verdict: 1 problem found\n";
    QTest::newRow("negative") << int32s({-3, 1}) << 2 * 196 << true
                              << "problems:\n  negative block numbers: 1\n    record 0: block -3\n"
                                 "verdict: 1 problem found\n";
    QTest::newRow("outside the map")
        << int32s({1, 10}) << 2 * 196 << true
        << "problems:\n  block numbers outside the map: 1\n    record 1: block 10, the map has 10 blocks\n"
           "verdict: 1 problem found\n";
    QTest::newRow("no map to be outside of") << int32s({1, 10}) << 2 * 196 << false << "verdict: clean\n";
    QTest::newRow("repeated")
        << int32s({1, 4, 4}) << 3 * 196 << true
        << "problems:\n  repeated block numbers: 1\n    record 2: block 4 repeats record 1\n"
           "verdict: 1 problem found\n";
    QTest::newRow("out of order")
        << int32s({5, 2, 7}) << 3 * 196 << true
        << "problems:\n  block numbers out of order: 1\n    record 1: block 2 follows block 5\n"
           "verdict: 1 problem found\n";
    QTest::newRow("repeated and out of order")
        << int32s({2, 5, 2}) << 3 * 196 << true
        << "problems:\n  repeated block numbers: 1\n    record 2: block 2 repeats record 0\n"
           "  block numbers out of order: 1\n    record 2: block 2 follows block 5\nverdict: 2 problems "
           "found\n";
    QTest::newRow("many repeats, few examples")
        << int32s({3, 3, 3, 3, 3, 3, 3, 3}) << 8 * 196 << true
        << "problems:\n  repeated block numbers: 7\n    record 1: block 3 repeats record 0\n"
           "    record 2: block 3 repeats record 0\n    record 3: block 3 repeats record 0\n"
           "    record 4: block 3 repeats record 0\n    record 5: block 3 repeats record 0\n    ... and 2 "
           "more\n"
           "verdict: 7 problems found\n";
}

void CliInspectTest::mapFiles()
{
    QFETCH(QByteArray, locator);
    QFETCH(int, difBytes);
    QFETCH(bool, withMap);
    QFETCH(QString, report);
    QVERIFY(write(path("case.difl"), locator));
    QVERIFY(write(path("case.dif"), QByteArray(difBytes, 'd')));
    QStringList arguments{"inspect", "map", "--difl", path("case.difl"), "--dif", path("case.dif")};
    if (withMap)
        arguments << "--map" << path("ten.map");
    const ToolRun run = runCli(arguments);
    QCOMPARE(run.err, QString());
    QCOMPARE(run.exitCode, report.startsWith("verdict: clean") ? 0 : 1);
    QVERIFY(run.out.startsWith(
        QString("inspect map:\n  locator: %1, %2 records\n  difference data: %3, %4 records\n")
            .arg(path("case.difl"))
            .arg(locator.size() / 4)
            .arg(path("case.dif"))
            .arg(difBytes / 196)));
    QCOMPARE(withMap, run.out.contains(QString("  map: %1, 10 blocks\n").arg(path("ten.map"))));
    QCOMPARE(problemsAndVerdict(run.out), report);
}

void CliInspectTest::staticsFiles_data()
{
    QTest::addColumn<QByteArray>("locator");
    QTest::addColumn<QByteArray>("difIndex");
    QTest::addColumn<int>("difBytes");
    QTest::addColumn<QString>("report");

    QTest::newRow("clean") << int32s({1, 2, 3}) << entries({{0, 6, 0}, {-1, 0, 0}, {6, 2, 0}}) << 8
                           << "verdict: clean\n";
    QTest::newRow("empty record with leftovers")
        << int32s({1}) << entries({{-1, -7, 3}}) << 0 << "verdict: clean\n";
    QTest::newRow("partial index record") << int32s({1}) << entries({{0, 4, 0}}) + QByteArray(3, 'x') << 4
                                          << "problems:\n  partial records: 1\n    difference index: 3 bytes "
                                             "after its last whole record of 12 bytes\n"
                                             "verdict: 1 problem found\n";
    QTest::newRow("fewer index records") << int32s({1, 2}) << entries({{0, 4, 0}}) << 4
                                         << "problems:\n  files that disagree in length: 1\n"
                                            "    2 locator records, but 1 difference index records\n"
                                            "verdict: 1 problem found\n";
    QTest::newRow("data longer than the records")
        << int32s({1, 2}) << entries({{0, 4, 0}, {4, 4, 0}}) << 10
        << "problems:\n  files that disagree in length: 1\n"
           "    the records with data add up to 8 bytes, the difference "
           "data file has 10\nverdict: 1 problem found\n";
    QTest::newRow("negative offset") << int32s({1}) << entries({{-5, 4, 0}}) << 4
                                     << "problems:\n  records with a negative offset: 1\n"
                                        "    record 0 (block 1): offset -5\nverdict: 1 problem found\n";
    QTest::newRow("negative length")
        << int32s({1}) << entries({{0, -2, 0}}) << 0
        << "problems:\n  files that disagree in length: 1\n"
           "    the records with data add up to -2 bytes, the difference data file has 0\n"
           "  records with a negative length: 1\n    record 0 (block 1): length -2\n"
           "verdict: 2 problems found\n";
    QTest::newRow("past the end")
        << int32s({1, 2}) << entries({{0, 4, 0}, {4, 6, 0}}) << 8
        << "problems:\n  files that disagree in length: 1\n"
           "    the records with data add up to 10 bytes, the difference data file has 8\n"
           "  records past the end of the difference data: 1\n"
           "    record 1 (block 2): bytes 4 to 9, the file has 8\nverdict: 2 problems found\n";
    QTest::newRow("index record without locator record")
        << int32s({1}) << entries({{0, 1, 0}, {5, 1, 0}}) << 2
        << "problems:\n  files that disagree in length: 1\n    1 locator records, but 2 difference index "
           "records\n"
           "  records past the end of the difference data: 1\n"
           "    record 1 (no locator record): bytes 5 to 5, the file has 2\nverdict: 2 problems found\n";
    QTest::newRow("outside the statics index")
        << int32s({1, 10}) << entries({{0, 1, 0}, {1, 1, 0}}) << 2
        << "problems:\n  block numbers outside the statics index: 1\n"
           "    record 1: block 10, the statics index has 10 blocks\nverdict: 1 problem found\n";
}

void CliInspectTest::staticsFiles()
{
    QFETCH(QByteArray, locator);
    QFETCH(QByteArray, difIndex);
    QFETCH(int, difBytes);
    QFETCH(QString, report);
    QVERIFY(write(path("case.difl"), locator));
    QVERIFY(write(path("case.difi"), difIndex));
    QVERIFY(write(path("case.dif"), QByteArray(difBytes, 'd')));
    const ToolRun run = runCli({"inspect", "statics", "--difl", path("case.difl"), "--difi",
                                path("case.difi"), "--dif", path("case.dif"), "--index", path("ten.idx")});
    QCOMPARE(run.err, QString());
    QCOMPARE(run.exitCode, report.startsWith("verdict: clean") ? 0 : 1);
    QVERIFY(
        run.out.startsWith(QString("inspect statics:\n  locator: %1, %2 records\n  difference index: %3, %4 "
                                   "records\n")
                               .arg(path("case.difl"))
                               .arg(locator.size() / 4)
                               .arg(path("case.difi"))
                               .arg(difIndex.size() / 12)));
    QVERIFY(run.out.contains(QString("  difference data: %1, %2 bytes\n  statics index: %3, 10 blocks\n")
                                 .arg(path("case.dif"))
                                 .arg(difBytes)
                                 .arg(path("ten.idx"))));
    QCOMPARE(problemsAndVerdict(run.out), report);
}

void CliInspectTest::unreadableFiles()
{
    const QString missing = path("missing.mul");
    const QString difl = m_difs + "/mapdifl0.mul";
    const QString dif = m_difs + "/mapdif0.mul";
    const QStringList cases[] = {
        {"inspect", "map", "--difl", missing, "--dif", dif},
        {"inspect", "map", "--difl", difl, "--dif", missing},
        {"inspect", "map", "--difl", difl, "--dif", dif, "--map", missing},
        {"inspect", "statics", "--difl", m_difs + "/stadifl0.mul", "--difi", missing, "--dif",
         m_difs + "/stadif0.mul"},
    };
    for (const QStringList& arguments : cases) {
        const ToolRun run = runCli(arguments);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err, QString("Unable to open %1\n").arg(missing));
        QCOMPARE(run.out, QString());
    }
}

void CliInspectTest::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    const QStringList map{"inspect", "map", "--difl", "l", "--dif", "d"};
    QTest::newRow("missing --dif") << map.mid(0, 4) << "Missing option --dif.";
    QTest::newRow("statics without --difi")
        << QStringList{"inspect", "statics", "--difl", "l", "--dif", "d"} << "Missing option --difi.";
    QTest::newRow("height 0") << map + QStringList{"--height", "0"}
                              << "--height must be a whole number from 1 to 32767.";
    QTest::newRow("height not a number")
        << map + QStringList{"--height", "tall"} << "--height must be a whole number from 1 to 32767.";
    QTest::newRow("unknown facet")
        << map + QStringList{"--facet", "9"}
        << "Unknown facet '9': give 0 to 5 or a name: Felucca, Trammel, Ilshenar, Malas, "
           "Tokuno, TerMur.";
}

void CliInspectTest::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const ToolRun run = runCli(arguments);
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.out, QString());
    QCOMPARE(run.err,
             QString("quillmark-cli: %1\nTry 'quillmark-cli inspect %2 --help' for more information.\n")
                 .arg(message, arguments.at(1)));

    const ToolRun unknownKind = runCli({"inspect", "tiles"});
    QCOMPARE(unknownKind.exitCode, 2);
    QVERIFY(
        unknownKind.err.startsWith("quillmark-cli: Unknown kind 'tiles' for inspect: use map or statics.\n"));
}

void CliInspectTest::pictureMarksExactlyTheListedBlocks()
{
    const FacetFiles reference = referenceFiles(m_options);
    const struct
    {
        QStringList arguments;
        QString locator;
    } cases[] = {
        {{"inspect", "map", "--difl", m_difs + "/mapdifl0.mul", "--dif", m_difs + "/mapdif0.mul", "--map",
          reference.map},
         m_difs + "/mapdifl0.mul"},
        {{"inspect", "statics", "--difl", m_difs + "/stadifl0.mul", "--difi", m_difs + "/stadifi0.mul",
          "--dif", m_difs + "/stadif0.mul", "--index", reference.index},
         m_difs + "/stadifl0.mul"},
    };
    for (const auto& [arguments, locator] : cases) {
        const QString picture = path("grid.png");
        const ToolRun run =
            runCli(arguments + QStringList{"--height", QString::number(SampleHeight), "--picture", picture});
        QCOMPARE(run.exitCode, 0);
        const QSet<qint32> listed = blocksIn(read(locator));
        QVERIFY(listed.size() > 20);
        QVERIFY(run.out.endsWith(
            QString("picture: %1, %2 x %3 blocks, %4 changed blocks marked\nverdict: clean\n")
                .arg(picture)
                .arg(SampleWidth)
                .arg(SampleHeight)
                .arg(listed.size())));
        const QImage image(picture);
        QCOMPARE(image.size(), QSize(SampleWidth, SampleHeight));
        for (qint32 block = 0; block < SampleWidth * SampleHeight; ++block) {
            const QRgb pixel = image.pixel(block / SampleHeight, block % SampleHeight);
            QVERIFY2((pixel != Dark) == listed.contains(block), qPrintable(QString::number(block)));
        }
    }
}

void CliInspectTest::pictureSize_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QSize>("size");
    const QString map = referenceFiles(m_options).map;  // 48 x 40 = 1920 blocks

    QTest::newRow("Felucca by default") << QStringList() << QSize(896, 512);
    QTest::newRow("Ilshenar") << QStringList{"--facet", "Ilshenar"} << QSize(288, 200);
    QTest::newRow("Tokuno") << QStringList{"--facet", "4"} << QSize(181, 181);
    QTest::newRow("TerMur") << QStringList{"--facet", "termur"} << QSize(160, 512);
    QTest::newRow("Malas with another height")
        << QStringList{"--facet", "malas", "--height", "100"} << QSize(320, 100);
    QTest::newRow("as wide as the map needs") << QStringList{"--map", map} << QSize(4, 512);
    QTest::newRow("map and height") << QStringList{"--map", map, "--height", "7"} << QSize(275, 7);
}

void CliInspectTest::pictureSize()
{
    QFETCH(QStringList, options);
    QFETCH(QSize, size);
    const QString picture = path("size.png");
    QFile::remove(picture);
    const ToolRun run = runCli(QStringList{"inspect", "map", "--difl", m_difs + "/mapdifl0.mul", "--dif",
                                           m_difs + "/mapdif0.mul", "--picture", picture}
                               + options);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(QImage(picture).size(), size);
}

void CliInspectTest::blocksOutsideThePicture()
{
    // Tokuno's grid is 181 x 181 blocks; -1 and 40000 lie outside it.
    QVERIFY(write(path("outside.difl"), int32s({-1, 5, 40000})));
    QVERIFY(write(path("outside.dif"), QByteArray(3 * 196, 'd')));
    const QString picture = path("outside.png");
    const ToolRun run = runCli({"inspect", "map", "--difl", path("outside.difl"), "--dif",
                                path("outside.dif"), "--facet", "Tokuno", "--picture", picture});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.out.endsWith(
        QString("picture: %1, 181 x 181 blocks, 1 changed blocks marked, 2 records outside the "
                "picture not drawn\nverdict: 1 problem found\n")
            .arg(picture)));
    const QImage image(picture);
    QCOMPARE(image.size(), QSize(181, 181));
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y)
            QCOMPARE(image.pixel(x, y) != Dark, x == 0 && y == 5);
    }
}

QTEST_GUILESS_MAIN(CliInspectTest)
#include "tst_cli_inspect.moc"
