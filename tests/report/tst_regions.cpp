// How a report groups changed blocks and lays out its pictures: regions
// match a plain model that joins every two changed blocks within reach of
// each other, on random facets of several densities and gaps, come largest
// first with their bounding boxes; picture areas take a block's margin
// within the facet, one of the page's scales and room for their rulers; the
// overview frames every region and numbers the drawn ones without overlap.

#include "overview.h"
#include "regionpicture.h"
#include "regions.h"

#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>
#include <limits>
#include <set>

using namespace quillmark;

namespace {

struct Facet
{
    int width;
    int height;
    double density;
    quint32 seed;
};

ReportFacts randomFacts(const Facet& facet)
{
    ReportFacts facts;
    facts.widthBlocks = facet.width;
    facts.heightBlocks = facet.height;
    QRandomGenerator random(facet.seed);
    for (qint32 block = 0; block < facet.width * facet.height; ++block) {
        if (random.generateDouble() < facet.density)
            facts.changed.push_back({block, 1, 0, 0});
    }
    return facts;
}

using Partition = std::set<std::set<qint32>>;

// Every pair of changed blocks at most gap + 1 apart across and down, joined:
// each block in turn takes in every group that holds a block within its reach.
Partition modelPartition(const ReportFacts& facts, int gap)
{
    std::vector<std::set<qint32>> groups;
    for (const auto& changed : facts.changed) {
        const auto near = [&facts, &changed, gap](qint32 other) {
            return qAbs(facts.blockX(changed.block) - facts.blockX(other)) <= gap + 1
                   && qAbs(facts.blockY(changed.block) - facts.blockY(other)) <= gap + 1;
        };
        std::set<qint32> joined{changed.block};
        for (auto group = groups.begin(); group != groups.end();) {
            const bool reached = std::any_of(group->begin(), group->end(), near);
            if (reached)
                joined.insert(group->begin(), group->end());
            group = reached ? groups.erase(group) : group + 1;
        }
        groups.push_back(joined);
    }
    return Partition(groups.begin(), groups.end());
}

}  // namespace

Q_DECLARE_METATYPE(Facet)
Q_DECLARE_METATYPE(PictureArea)
Q_DECLARE_METATYPE(Region)

class RegionsTest : public QObject
{
    Q_OBJECT

private slots:
    void regionsMatchTheModel_data()
    {
        QTest::addColumn<Facet>("facet");
        QTest::addColumn<int>("gap");
        QTest::newRow("sparse, touching only") << Facet{40, 30, 0.03, 1} << 0;
        QTest::newRow("scattered, gap 3") << Facet{40, 30, 0.1, 3} << 3;
        QTest::newRow("dense, default gap") << Facet{40, 30, 0.5, 4} << 1;
        QTest::newRow("one column, gap 2") << Facet{1, 200, 0.2, 5} << 2;
        QTest::newRow("one row, default gap") << Facet{200, 1, 0.2, 6} << 1;
    }

    void regionsMatchTheModel()
    {
        QFETCH(Facet, facet);
        QFETCH(int, gap);
        ReportFacts facts = randomFacts(facet);
        groupRegions(facts, gap);

        Partition found;
        qint64 previousBlocks = std::numeric_limits<qint64>::max();
        for (const Region& region : facts.regions) {
            const auto first = facts.regionBlocks.begin() + region.firstBlock;
            const std::set<qint32> blocks(first, first + region.blocks);
            QCOMPARE(qint64(blocks.size()), region.blocks);
            QVERIFY(std::is_sorted(first, first + region.blocks));
            found.insert(blocks);
            QVERIFY(region.blocks <= previousBlocks);  // largest first
            previousBlocks = region.blocks;
            // The bounding box of its blocks, in tiles.
            QRect box;
            for (const qint32 block : blocks)
                box |= QRect(int(facts.blockX(block)) * 8, int(facts.blockY(block)) * 8, 8, 8);
            QCOMPARE(QRect(int(region.x), int(region.y), int(region.width), int(region.height)), box);
            QCOMPARE(region.landCells, region.blocks);
        }
        QVERIFY(found == modelPartition(facts, gap));
    }

    void pictureAreas_data()
    {
        QTest::addColumn<Region>("region");
        QTest::addColumn<int>("widthTiles");
        QTest::addColumn<int>("heightTiles");
        QTest::addColumn<PictureArea>("expected");
        QTest::addColumn<bool>("drawable");
        // The rulers: 19 pixels on top, and on the left room for the largest y shown.
        QTest::newRow("a block, at the largest scale")
            << Region{8, 8, 8, 8} << 64 << 64 << PictureArea{0, 0, 24, 24, 12, 24, 19} << true;
        QTest::newRow("a block in the corner: the margin stops at the edge")
            << Region{0, 0, 8, 8} << 64 << 64 << PictureArea{0, 0, 16, 16, 12, 24, 19} << true;
        QTest::newRow("five blocks across")
            << Region{800, 800, 40, 8} << 7168 << 4096 << PictureArea{792, 792, 56, 24, 4, 32, 19} << true;
        QTest::newRow("wider than a picture abreast: one pixel a tile")
            << Region{800, 800, 200, 40} << 7168 << 4096 << PictureArea{792, 792, 216, 56, 1, 32, 19} << true;
        QTest::newRow("one column of blocks down the facet")
            << Region{800, 0, 8, 4096} << 7168 << 4096 << PictureArea{792, 0, 24, 4096, 1, 40, 19} << true;
        QTest::newRow("the whole facet: too large to draw")
            << Region{0, 0, 7168, 4096} << 7168 << 4096 << PictureArea{0, 0, 7168, 4096, 1, 40, 19} << false;
    }

    void pictureAreas()
    {
        QFETCH(Region, region);
        QFETCH(int, widthTiles);
        QFETCH(int, heightTiles);
        QFETCH(PictureArea, expected);
        QFETCH(bool, drawable);
        const auto fields = [](const PictureArea& a) {
            return QList<qint64>{a.x, a.y, a.width, a.height, a.pixelsPerTile, a.left, a.top};
        };
        const PictureArea area = pictureArea(region, widthTiles, heightTiles);
        QCOMPARE(fields(area), fields(expected));
        QCOMPARE(area.drawable(), drawable);
    }

    // Every region framed, drawn or not; the drawn ones numbered where no
    // number overlaps another or leaves the picture; each linked.
    void overviewFramesAndNumbers_data()
    {
        QTest::addColumn<Facet>("facet");
        QTest::addColumn<int>("gap");
        QTest::addColumn<int>("drawnEvery");  // region r is drawn when r % drawnEvery == 0
        QTest::newRow("sparse, all drawn") << Facet{60, 40, 0.02, 11} << 1 << 1;
        QTest::newRow("crowded, every other drawn") << Facet{60, 40, 0.3, 12} << 0 << 2;
        QTest::newRow("a tall narrow facet") << Facet{3, 300, 0.1, 13} << 0 << 1;
    }

    void overviewFramesAndNumbers()
    {
        QFETCH(Facet, facet);
        QFETCH(int, gap);
        QFETCH(int, drawnEvery);
        ReportFacts facts = randomFacts(facet);
        groupRegions(facts, gap);
        std::vector<RegionDrawing> drawing;
        for (size_t r = 0; r < facts.regions.size(); ++r)
            drawing.push_back(r % size_t(drawnEvery) == 0 ? RegionDrawing::Drawn : RegionDrawing::PastBudget);
        const Overview overview(facet.width, facet.height);
        std::vector<OverviewLink> links;
        const quillmark::Picture image = overview.draw(facts, drawing, qint64(facts.regions.size()), links);
        QVERIFY(!image.isNull());
        const QRect bounds(0, 0, image.width(), image.height());
        std::vector<QRect> numbers;
        std::set<qint64> framed;
        for (const OverviewLink& link : links) {
            const Rgb frame = drawing[size_t(link.region - 1)] == RegionDrawing::Drawn
                                  ? Overview::DrawnFrame
                                  : Overview::UndrawnFrame;
            if (!link.isNumber) {
                framed.insert(link.region);
                bool coloured = false;
                const QRect inside = link.rect.intersected(bounds);
                for (int y = inside.top(); y <= inside.bottom() && !coloured; ++y)
                    for (int x = inside.left(); x <= inside.right() && !coloured; ++x)
                        coloured = image.pixel(x, y) == frame;
                QVERIFY2(coloured, qPrintable(QString::number(link.region)));
                continue;
            }
            QCOMPARE(drawing[size_t(link.region - 1)], RegionDrawing::Drawn);
            QVERIFY(bounds.contains(link.rect));
            for (const QRect& other : numbers)
                QVERIFY(!other.intersects(link.rect));
            numbers.push_back(link.rect);
        }
        QCOMPARE(framed.size(), facts.regions.size());
        const qint64 drawn = std::count(drawing.begin(), drawing.end(), RegionDrawing::Drawn);
        // Sparse regions all find room for their numbers; crowded ones most.
        QVERIFY2(qint64(numbers.size()) * 4 >= drawn * 3,
                 qPrintable(QString("%1 of %2").arg(numbers.size()).arg(drawn)));
    }
};

QTEST_GUILESS_MAIN(RegionsTest)
#include "tst_regions.moc"
