// The sample-facet maker: the structure of what it writes, that its counts are
// what generation finds, that it is repeatable, and that its check catches
// combined files that do not reproduce the edited facet. Also quillmark-sample's
// exit codes.

#include "toolrun.h"

#include "testfiles.h"

#include "diff/indexentry.h"
#include "samplefacet/facetcheck.h"
#include "samplefacet/samplefacet.h"

#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace testfiles;

class SampleFacetTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void filesHaveTheGameStructure();
    void countsAreWhatDiffersBlockByBlock();
    void sameSeedSameFacet();
    void refusedOptions_data();
    void refusedOptions();
    void checkCatchesMismatches();
    void sampleToolExitCodes();

private:
    QString path(const QString& name) const { return m_dir.path() + QLatin1Char('/') + name; }

    QTemporaryDir m_dir;
    SampleFacetOptions m_options;
    SampleFacetSummary m_summary;
};

namespace {

std::vector<IndexEntry> indexEntries(const QByteArray& index)
{
    std::vector<IndexEntry> result;
    for (qsizetype at = 0; at + 12 <= index.size(); at += 12)
        result.push_back(IndexEntry::decode(index.constData() + at));
    return result;
}

QByteArray blockBytes(const QByteArray& data, const IndexEntry& entry)
{
    return data.mid(entry.offset, entry.length);
}

}  // namespace

void SampleFacetTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_options.directory = path("sample");
    m_options.facet = 2;
    m_options.widthBlocks = 50;
    m_options.heightBlocks = 40;
    m_options.changedShare = 0.05;
    m_options.emptiedShare = 0.02;
    m_options.newShare = 0.02;
    m_options.seed = 7;
    const SampleFacetResult result = writeSampleFacet(m_options);
    QVERIFY2(result.ok, qPrintable(result.message));
    m_summary = result.summary;
    QCOMPARE(m_summary.blocks, 2000);
    QCOMPARE(filesIn(path("sample/reference")), QStringList({"map2.mul", "staidx2.mul", "statics2.mul"}));
    QCOMPARE(filesIn(path("sample/current")), QStringList({"map2.mul", "staidx2.mul", "statics2.mul"}));
}

void SampleFacetTest::filesHaveTheGameStructure()
{
    for (const FacetFiles& files : {referenceFiles(m_options), editedFiles(m_options)}) {
        QCOMPARE(read(files.map).size(), 2000 * 196);
        const std::vector<IndexEntry> index = indexEntries(read(files.index));
        QCOMPARE(index.size(), size_t(2000));
        const qint64 dataSize = read(files.data).size();
        int empty = 0;
        int outOfOrder = 0;
        std::vector<std::pair<qint32, qint32>> runs;  // (offset, length) of blocks with data
        for (const IndexEntry& entry : index) {
            if (entry.isEmpty()) {
                ++empty;
                continue;
            }
            QVERIFY(entry.fitsIn(dataSize));
            QCOMPARE(entry.length % 7, 0);
            if (!runs.empty() && entry.offset < runs.back().first)
                ++outOfOrder;
            runs.emplace_back(entry.offset, entry.length);
        }
        QVERIFY(empty > 200 && empty < 800);
        QVERIFY(outOfOrder > 0 && outOfOrder < 100);  // mostly ascending, a few moved
        // Laid end to end in file order: no overlaps, and a few gaps of junk.
        std::sort(runs.begin(), runs.end());
        int gaps = 0;
        for (size_t i = 1; i < runs.size(); ++i) {
            const qint64 end = qint64(runs[i - 1].first) + runs[i - 1].second;
            QVERIFY(runs[i].first >= end);
            gaps += runs[i].first > end ? 1 : 0;
        }
        QVERIFY(gaps > 10 && gaps < 200);
    }
    QVERIFY(m_summary.blocksPlacedOutOfOrder > 0);
}

void SampleFacetTest::countsAreWhatDiffersBlockByBlock()
{
    const FacetFiles reference = referenceFiles(m_options);
    const FacetFiles edited = editedFiles(m_options);
    const QByteArray referenceMap = read(reference.map);
    const QByteArray editedMap = read(edited.map);
    qint64 payloads = 0;
    qint64 headersOnly = 0;
    for (qsizetype at = 0; at < referenceMap.size(); at += 196) {
        const bool payloadDiffers = referenceMap.mid(at + 4, 192) != editedMap.mid(at + 4, 192);
        payloads += payloadDiffers ? 1 : 0;
        headersOnly += !payloadDiffers && referenceMap.mid(at, 4) != editedMap.mid(at, 4) ? 1 : 0;
    }
    QCOMPARE(payloads, m_summary.mapBlocksDiffering);
    QCOMPARE(headersOnly, m_summary.headerOnlyChanges);

    const std::vector<IndexEntry> referenceIndex = indexEntries(read(reference.index));
    const std::vector<IndexEntry> editedIndex = indexEntries(read(edited.index));
    const QByteArray referenceData = read(reference.data);
    const QByteArray editedData = read(edited.data);
    qint64 emptied = 0, added = 0, edits = 0, extraOnly = 0, moved = 0;
    for (size_t block = 0; block < referenceIndex.size(); ++block) {
        const IndexEntry& before = referenceIndex[block];
        const IndexEntry& after = editedIndex[block];
        if (before.isEmpty() || after.isEmpty()) {
            emptied += !before.isEmpty() && after.isEmpty() ? 1 : 0;
            added += before.isEmpty() && !after.isEmpty() ? 1 : 0;
            continue;
        }
        const bool same = blockBytes(referenceData, before) == blockBytes(editedData, after);
        edits += same ? 0 : 1;
        extraOnly += same && before.extra != after.extra ? 1 : 0;
        moved += same && before.offset != after.offset ? 1 : 0;
    }
    QCOMPARE(emptied, m_summary.staticsEmptied);
    QCOMPARE(added, m_summary.staticsAdded);
    QCOMPARE(edits, m_summary.staticsEdited);
    QCOMPARE(extraOnly, m_summary.extraOnlyChanges);
    QCOMPARE(m_summary.staticsBlocksDiffering, emptied + added + edits);
    QVERIFY(emptied > 10 && added > 10 && edits > 50 && extraOnly > 10 && headersOnly > 10);
    QVERIFY(moved > 100);  // unchanged blocks that lie elsewhere in the edited data file
}

void SampleFacetTest::sameSeedSameFacet()
{
    SampleFacetOptions again = m_options;
    again.directory = path("again");
    QVERIFY(writeSampleFacet(again).ok);
    SampleFacetOptions other = again;
    other.directory = path("other");
    other.seed = 8;
    QVERIFY(writeSampleFacet(other).ok);
    for (const auto files : {&referenceFiles, &editedFiles}) {
        const FacetFiles first = files(m_options);
        const FacetFiles second = files(again);
        const FacetFiles third = files(other);
        for (const auto part : {&FacetFiles::map, &FacetFiles::index, &FacetFiles::data}) {
            QCOMPARE(read(second.*part), read(first.*part));
            QVERIFY(read(third.*part) != read(first.*part));
        }
    }
}

void SampleFacetTest::refusedOptions_data()
{
    QTest::addColumn<QString>("directory");
    QTest::addColumn<int>("facet");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<double>("changed");
    QTest::addColumn<double>("newShare");
    QTest::addColumn<QString>("message");
    QTest::newRow("no directory") << "" << 0 << 4 << 4 << 0.1 << 0.1 << "no directory given";
    QTest::newRow("facet 6") << "d" << 6 << 4 << 4 << 0.1 << 0.1 << "facet must be 0 to 5";
    QTest::newRow("no width") << "d" << 0 << 0 << 4 << 0.1 << 0.1
                              << "width and height must be at least 1 block";
    QTest::newRow("larger than Felucca")
        << "d" << 0 << 897 << 512 << 0.1 << 0.1 << "a sample facet holds at most 458752 blocks";
    QTest::newRow("negative share") << "d" << 0 << 4 << 4 << -0.1 << 0.1 << "shares must lie between 0 and 1";
    QTest::newRow("shares above 1") << "d" << 0 << 4 << 4 << 0.6 << 0.5
                                    << "the changed, emptied and new shares add up to more than 1";
}

void SampleFacetTest::refusedOptions()
{
    SampleFacetOptions options;
    QFETCH(QString, directory);
    options.directory = directory.isEmpty() ? directory : path(directory);
    QFETCH(int, facet);
    options.facet = facet;
    QFETCH(int, width);
    options.widthBlocks = width;
    QFETCH(int, height);
    options.heightBlocks = height;
    QFETCH(double, changed);
    options.changedShare = changed;
    QFETCH(double, newShare);
    options.newShare = newShare;
    QFETCH(QString, message);
    const SampleFacetResult result = writeSampleFacet(options);
    QVERIFY(!result.ok);
    QCOMPARE(result.message, message);
    QVERIFY(!QFileInfo::exists(path("d")));
}

void SampleFacetTest::checkCatchesMismatches()
{
    const FacetFiles edited = editedFiles(m_options);
    const QByteArray map = read(edited.map);
    const QByteArray indexBytes = read(edited.index);
    const QByteArray data = read(edited.data);
    const std::vector<IndexEntry> index = indexEntries(indexBytes);
    const QString combinedMap = path("combined.map");
    const QString combinedIndex = path("combined.idx");
    const QString combinedData = path("combined.dat");

    QVERIFY(write(combinedMap, map));
    QVERIFY(checkCombinedMap(edited.map, combinedMap).ok);
    QByteArray changed = map;
    changed[7 * 196 + 1] = char(changed[7 * 196 + 1] ^ 1);  // a header byte: still a match
    QVERIFY(write(combinedMap, changed));
    QVERIFY(checkCombinedMap(edited.map, combinedMap).ok);
    changed[7 * 196 + 100] = char(changed[7 * 196 + 100] ^ 1);
    changed[9 * 196 + 195] = char(changed[9 * 196 + 195] ^ 1);
    QVERIFY(write(combinedMap, changed));
    FacetCheck check = checkCombinedMap(edited.map, combinedMap);
    QVERIFY(!check.ok);
    QCOMPARE(check.message, QString("map block 7 differs from the edited facet (2 blocks differ)"));
    QVERIFY(write(combinedMap, map.left(map.size() - 196)));
    QCOMPARE(checkCombinedMap(edited.map, combinedMap).message,
             QString("the combined map has 1999 blocks, the edited map 2000"));

    // Statics: rewrite the edited pair compactly, then damage one block at a time.
    const size_t full =
        size_t(std::find_if(index.begin(), index.end(),
                            [](const IndexEntry& e) { return !e.isEmpty() && e.length >= 14; })
               - index.begin());
    const size_t empty =
        size_t(std::find_if(index.begin(), index.end(), [](const IndexEntry& e) { return e.isEmpty(); })
               - index.begin());
    QVERIFY(full < index.size() && empty < index.size());
    const auto writeCombined = [&](const auto& alter) {
        QByteArray newIndex;
        QByteArray newData;
        for (size_t block = 0; block < index.size(); ++block) {
            IndexEntry entry = index[block];
            QByteArray bytes = entry.isEmpty() ? QByteArray() : blockBytes(data, entry);
            alter(block, entry, bytes);
            if (!entry.isEmpty())
                entry.offset = qint32(newData.size());
            newData += bytes;
            char encoded[12];
            entry.encode(encoded);
            newIndex.append(encoded, 12);
        }
        return write(combinedIndex, newIndex) && write(combinedData, newData);
    };
    const auto check2 = [&] {
        return checkCombinedStatics(edited.index, edited.data, combinedIndex, combinedData);
    };
    QVERIFY(writeCombined([](size_t, IndexEntry&, QByteArray&) {}));
    QVERIFY(check2().ok);
    QCOMPARE(check2().blocks, 2000);

    const struct
    {
        std::function<void(size_t, IndexEntry&, QByteArray&)> alter;
        QString message;
    } damages[] = {
        {[&](size_t b, IndexEntry& e, QByteArray& bytes) {
             if (b == full) {
                 e.offset = -1;
                 bytes.clear();
             }
         },
         QString("statics block %1 is empty but should hold %2 bytes").arg(full).arg(index[full].length)},
        {[&](size_t b, IndexEntry& e, QByteArray& bytes) {
             if (b == empty) {
                 e.offset = 0;
                 e.length = 7;
                 bytes = "1234567";
             }
         },
         QString("statics block %1 should be empty").arg(empty)},
        {[&](size_t b, IndexEntry& e, QByteArray& bytes) {
             if (b == full) {
                 bytes.chop(7);
                 e.length -= 7;
             }
         },
         QString("statics block %1 holds %2 bytes instead of %3")
             .arg(full)
             .arg(index[full].length - 7)
             .arg(index[full].length)},
        {[&](size_t b, IndexEntry&, QByteArray& bytes) {
             if (b == full)
                 bytes[3] = char(bytes[3] ^ 0x40);
         },
         QString("statics block %1 holds other bytes").arg(full)},
    };
    for (const auto& damage : damages) {
        QVERIFY(writeCombined(damage.alter));
        check = check2();
        QVERIFY(!check.ok);
        QCOMPARE(check.message, damage.message + " (1 blocks differ)");
    }
    QVERIFY(write(combinedIndex, indexBytes.left(12 * 1999)));
    QCOMPARE(check2().message, QString("the combined statics index has 1999 blocks, the edited index 2000"));
    QCOMPARE(checkCombinedStatics(edited.index, edited.data, path("missing"), combinedData).message,
             QString("Unable to open %1").arg(path("missing")));
}

void SampleFacetTest::sampleToolExitCodes()
{
    const QString dir = path("tool");
    ToolRun run = runSample({"make", "--dir", dir, "--facet", "Malas", "--width", "20", "--height", "10"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.startsWith("made a sample Malas facet of 20 x 10 blocks: "), qPrintable(run.out));
    QVERIFY(QFileInfo::exists(dir + "/current/statics3.mul"));

    const QStringList verifyMap{"verify", "--edited-map", dir + "/current/map3.mul", "--combined-map"};
    run = runSample(verifyMap + QStringList{dir + "/current/map3.mul"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QString("map: all 200 blocks match the edited facet\nverdict: match\n"));
    run = runSample(verifyMap + QStringList{dir + "/reference/map3.mul"});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.out.endsWith("verdict: mismatch\n"));

    for (const QStringList& usage :
         {QStringList{"mix"}, QStringList{"verify"}, verifyMap, QStringList{"make", "--width", "0"},
          QStringList{"make", "--height", "2.5"}, QStringList{"make", "--facet", "Sosaria"}}) {
        run = runSample(usage);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.err.startsWith("quillmark-sample: "));
    }
}

QTEST_GUILESS_MAIN(SampleFacetTest)
#include "tst_cli_samplefacet.moc"
