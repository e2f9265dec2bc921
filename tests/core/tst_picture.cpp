// The engine's pictures against the toolkit that drew them before: the same
// clipping of rectangles at the picture's edges, exact scaling, and PNG data
// that any decoder reads back to the same pixels.

#include "colour.h"
#include "picture.h"
#include "pngdata.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QTest>

using namespace quillmark;

namespace {

QImage imageOf(const Picture& picture, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(picture.width(), picture.height(), format);
    for (int y = 0; y < picture.height(); ++y)
        std::copy(picture.row(y), picture.row(y) + picture.width(),
                  reinterpret_cast<QRgb*>(image.scanLine(y)));
    return image;
}

// Neighbouring pixels differ, and so do rows, unless `flat`.
Picture pattern(int width, int height, bool flat)
{
    Picture picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.row(y)[x] = flat ? rgb(40, 90, 175) : rgb(x * 37, y * 91, (x ^ y) * 13);
    return picture;
}

enum class Shape { Filled, Outlined };

}  // namespace

class PictureTest : public QObject
{
    Q_OBJECT

private slots:
    // A rectangle from one pixel outside an edge to one past the other, as the overview frames regions.
    void rectanglesClipAsAPainterClips_data()
    {
        QTest::addColumn<Shape>("shape");
        QTest::addColumn<QRect>("rectangle");
        QTest::newRow("filled, over the top left") << Shape::Filled << QRect(-1, -1, 3, 3);
        QTest::newRow("filled, wholly outside") << Shape::Filled << QRect(-6, 2, 5, 3);
        QTest::newRow("outlined, inside") << Shape::Outlined << QRect(1, 1, 5, 4);
        QTest::newRow("outlined, one pixel wide") << Shape::Outlined << QRect(3, 2, 1, 4);
        QTest::newRow("outlined, over every edge") << Shape::Outlined << QRect(-1, -1, 12, 10);
    }
    void rectanglesClipAsAPainterClips()
    {
        QFETCH(Shape, shape);
        QFETCH(QRect, rectangle);
        const Rgb ground = rgb(16, 16, 16);
        const Rgb ink = rgb(0x30, 0xe0, 0xff);
        Picture picture(10, 8, ground);
        QImage expected = imageOf(picture);
        QPainter painter(&expected);
        if (shape == Shape::Filled) {
            picture.fillRect(rectangle.x(), rectangle.y(), rectangle.width(), rectangle.height(), ink);
            painter.fillRect(rectangle, QColor(ink));
        } else {
            picture.outlineRect(rectangle.x(), rectangle.y(), rectangle.width(), rectangle.height(), ink);
            painter.setPen(QColor(ink));
            painter.drawRect(rectangle.adjusted(0, 0, -1, -1));  // a pen's rectangle is one pixel larger
        }
        painter.end();
        QCOMPARE(imageOf(picture), expected);
    }

    // Each pixel repeated; sides past the largest, or none, make no picture.
    void scalingRepeatsEachPixel()
    {
        const Picture small = pattern(3, 2, false);
        const Picture scaled = small.scaledUp(5);
        QCOMPARE(QSize(scaled.width(), scaled.height()), QSize(15, 10));
        for (int y = 0; y < scaled.height(); ++y)
            for (int x = 0; x < scaled.width(); ++x)
                QCOMPARE(scaled.pixel(x, y), small.pixel(x / 5, y / 5));
        QVERIFY(pattern(2, 2, true).scaledUp(Picture::MaxSide).isNull());  // past the largest side
        for (const QSize size : {QSize(0, 4), QSize(4, -1), QSize(Picture::MaxSide + 1, 1)})
            QVERIFY(Picture(size.width(), size.height(), rgb(1, 2, 3)).isNull());
    }

    void pngReadsBackAsDrawn_data()
    {
        // Indexed up to 256 colours, else RGB; with transparent pixels, a
        // palette entry or an alpha channel.
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("flat");
        QTest::addColumn<bool>("transparent");
        QTest::newRow("one pixel") << QSize(1, 1) << false << false;
        QTest::newRow("one column") << QSize(1, 300) << false << true;
        QTest::newRow("every row different") << QSize(257, 19) << false << false;
        QTest::newRow("every row different, some transparent") << QSize(257, 19) << false << true;
        QTest::newRow("every row the same") << QSize(64, 64) << true << false;
        QTest::newRow("few colours, some transparent") << QSize(64, 64) << true << true;
    }
    void pngReadsBackAsDrawn()
    {
        QFETCH(QSize, size);
        QFETCH(bool, flat);
        QFETCH(bool, transparent);
        Picture picture = pattern(size.width(), size.height(), flat);
        picture.fillRect(0, size.height() / 2, size.width(), size.height(), rgb(255, 0, 255));  // rows repeat
        if (transparent)
            picture.fillRect(0, 0, size.width(), size.height() / 3, Transparent);
        PngEncoder encoder;  // again, so that what the first picture left behind must not matter
        for (int round = 0; round < 2; ++round)
            QCOMPARE(QImage::fromData(encoder.encode(picture), "PNG").convertToFormat(QImage::Format_ARGB32),
                     imageOf(picture, QImage::Format_ARGB32));
    }
};

QTEST_MAIN(PictureTest)
#include "tst_picture.moc"
