// How a report lays out its pictures (how it groups changed blocks, the
// report suite holds to the review model on random patches): a region is
// pictured whole with a margin within the facet, or, past a town's size, as
// an overview and the detail of each square that holds a change; the
// overview frames every region and numbers them without overlap.

#include "overview.h"
#include "regionpicture.h"
#include "regions.h"

#include <QRandomGenerator>
#include <QTest>

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
        if (random.generateDouble() >= facet.density)
            continue;
        const auto corner = [&random] { return quint8(random.bounded(8)); };
        const quint8 x = corner(), y = corner();
        facts.changed.push_back(
            {block, 0, 0, 1, x, y, quint8(x + random.bounded(8 - x)), quint8(y + random.bounded(8 - y))});
    }
    return facts;
}

}  // namespace

Q_DECLARE_METATYPE(Facet)
Q_DECLARE_METATYPE(TileRect)

class RegionsTest : public QObject
{
    Q_OBJECT

private slots:
    // A region whole, with a margin of half a block within the facet, at
    // the largest scale that keeps its views to a few hundred pixels, at
    // least 4 a tile; past a town's size, its overview of squares of tiles
    // and the detail of each square of 128 tiles that holds a change.
    void pictureParts_data()
    {
        QTest::addColumn<TileRect>("blocks");  // all changed, unless `changedCorners`
        QTest::addColumn<bool>("changedCorners");
        QTest::addColumn<QList<QList<qint64>>>(
            "expected");  // kind, x, y, width, height, tiles a cell, shown pixels
        QTest::newRow("a block in the corner")
            << TileRect{0, 0, 8, 8} << false << QList<QList<qint64>>{{0, 0, 0, 12, 12, 1, 12}};
        QTest::newRow("a town") << TileRect{800, 800, 200, 160} << false
                                << QList<QList<qint64>>{{0, 796, 796, 208, 168, 1, 4}};
        QTest::newRow("a rebuild, changed in two corners")
            << TileRect{800, 800, 512, 264} << true
            << QList<QList<qint64>>{{1, 800, 800, 512, 264, 2, 4},
                                    {2, 800, 800, 128, 128, 1, 4},
                                    {2, 1184, 1056, 128, 8, 1, 4}};
    }

    void pictureParts()
    {
        QFETCH(TileRect, blocks);
        QFETCH(bool, changedCorners);
        QFETCH(QList<QList<qint64>>, expected);
        ReportFacts facts;
        facts.widthBlocks = 896;
        facts.heightBlocks = 512;
        for (qint64 x = blocks.x / 8; x < blocks.right() / 8; ++x)
            for (qint64 y = blocks.y / 8; y < blocks.bottom() / 8; ++y)
                if (!changedCorners || (x == blocks.x / 8 && y == blocks.y / 8)
                    || (x == blocks.right() / 8 - 1 && y == blocks.bottom() / 8 - 1))
                    facts.changed.push_back({qint32(x * 512 + y), 0, 0, 1, 0, 0, 7, 7});
        groupRegions(facts, 100);
        QCOMPARE(facts.regions.size(), size_t(1));
        QList<QList<qint64>> parts;
        for (const PicturePart& part : partsOf(facts.regions.front(), facts, false))
            parts << QList<qint64>{qint64(part.kind), part.area.x,    part.area.y,     part.area.width,
                                   part.area.height,  part.cellTiles, part.shownPixels};
        QCOMPARE(parts, expected);
    }

    // Every region framed, and numbered where no number overlaps another or
    // leaves the picture; each linked.
    void overviewFramesAndNumbers_data()
    {
        QTest::addColumn<Facet>("facet");
        QTest::addColumn<int>("gap");
        QTest::newRow("sparse") << Facet{60, 40, 0.02, 11} << 1;
        QTest::newRow("crowded") << Facet{60, 40, 0.3, 12} << 0;
        QTest::newRow("a tall narrow facet") << Facet{3, 300, 0.1, 13} << 0;
    }

    void overviewFramesAndNumbers()
    {
        QFETCH(Facet, facet);
        QFETCH(int, gap);
        ReportFacts facts = randomFacts(facet);
        groupRegions(facts, gap);
        const Overview overview(facet.width, facet.height);
        std::vector<OverviewLink> links;
        const quillmark::Picture image = overview.draw(facts, links);
        QVERIFY(!image.isNull());
        const QRect bounds(0, 0, image.width(), image.height());
        std::vector<QRect> numbers;
        std::set<qint64> framed;
        for (const OverviewLink& link : links) {
            const Rgb frame = Overview::RegionFrame;
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
            QVERIFY(bounds.contains(link.rect));
            for (const QRect& other : numbers)
                QVERIFY(!other.intersects(link.rect));
            numbers.push_back(link.rect);
        }
        QCOMPARE(framed.size(), facts.regions.size());
        // Sparse regions all find room for their numbers; crowded ones most.
        QVERIFY2(numbers.size() * 4 >= facts.regions.size() * 3,
                 qPrintable(QString("%1 of %2").arg(numbers.size()).arg(facts.regions.size())));
    }
};

QTEST_GUILESS_MAIN(RegionsTest)
#include "tst_regions.moc"
