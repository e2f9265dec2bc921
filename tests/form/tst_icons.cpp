// The embedded icon collection: the generated table against the artwork it
// is made from, look-up by exact name, decoding once per name, and its
// registration with the default image source.

#include "app/icons/embeddedimage.h"
#include "app/icons/iconsourcefactory.h"

#include <QDir>
#include <QPainter>
#include <QtTest>

namespace {

const QStringList iconNames = {"filenew",   "fileopen", "filesave", "print",     "undo",
                               "redo",      "editcut",  "editcopy", "editpaste", "searchfind"};

QImage artwork(const QString& name)
{
    return QImage(QDir(QUILLMARK_ICON_ART_DIR).filePath(name + ".xpm")).convertToFormat(QImage::Format_ARGB32);
}

// Records each image it stores, so a test sees every decode.
class CountingFactory : public IconSourceFactory
{
public:
    QStringList stored;
    void setImage(const QString& name, const QImage& image) override
    {
        stored << name;
        IconSourceFactory::setImage(name, image);
    }
};

} // namespace

class IconsTest : public QObject
{
    Q_OBJECT

private slots:
    void servedWithoutSetUp();
    void table_data();
    void table();
    void tableEndsWithEmptyEntry();
    void namesMatchExactly_data();
    void namesMatchExactly();
    void eachNameIsDecodedOnce();
    void cleanupRemovesTheCollection();
    void iconSheet();
};

// The static registration has run before the test's main.
void IconsTest::servedWithoutSetUp()
{
    for (const char* name : {"filenew", "fileopen", "filesave", "print"})
        QCOMPARE(pixmapFromSource(QString(name)).size(), QSize(22, 22));
}

void IconsTest::table_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < iconNames.size(); ++i)
        QTest::newRow(qPrintable(iconNames[i])) << i;
}

// Each entry holds its artwork, byte for byte in the stored layout, and
// decodes to the same pixels.
void IconsTest::table()
{
    QFETCH(int, index);
    const EmbeddedImage& entry = embeddedImages[index];
    const QString name = iconNames[index];
    QCOMPARE(QString::fromUtf8(entry.name), name);
    QCOMPARE(QList<int>({entry.width, entry.height, entry.depth, entry.numColors}), QList<int>({22, 22, 32, 0}));
    QVERIFY(!entry.colorTable);
    QVERIFY(entry.alpha);

    const QByteArray stored(reinterpret_cast<const char*>(entry.imageData), int(entry.compressed));
    QCOMPARE(qFromBigEndian<quint32>(stored.constData()), 1936u);
    const QByteArray pixels = qUncompress(stored);
    QCOMPARE(pixels.size(), 1936);

    const QImage art = artwork(name);
    QCOMPARE(art.size(), QSize(22, 22));
    const QImage decoded = findEmbeddedImage(name);
    QCOMPARE(decoded.size(), QSize(22, 22));
    QVERIFY(decoded.hasAlphaChannel());
    int opaque = 0;
    for (int y = 0; y < 22; ++y) {
        for (int x = 0; x < 22; ++x) {
            const QRgb pixel = art.pixel(x, y);
            QCOMPARE(qFromLittleEndian<quint32>(pixels.constData() + 4 * (y * 22 + x)), quint32(pixel));
            QCOMPARE(decoded.pixel(x, y), pixel);
            QVERIFY(qAlpha(pixel) == 0 || qAlpha(pixel) == 255);
            opaque += qAlpha(pixel) == 255;
        }
    }
    QVERIFY(opaque > 0 && opaque < 22 * 22);
}

void IconsTest::tableEndsWithEmptyEntry()
{
    const EmbeddedImage& end = embeddedImages[iconNames.size()];
    QVERIFY(!end.imageData && !end.name && !end.colorTable && !end.alpha);
    QCOMPARE(QList<qint64>({end.width, end.height, end.depth, end.compressed, end.numColors}),
             QList<qint64>({0, 0, 0, 0, 0}));
}

void IconsTest::namesMatchExactly_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("capitals") << "FileNew";
    QTest::newRow("trailing space") << "filenew ";
    QTest::newRow("file name") << "filenew.xpm";
    QTest::newRow("prefix") << "file";
    QTest::newRow("empty") << "";
    QTest::newRow("null") << QString();
}

void IconsTest::namesMatchExactly()
{
    QFETCH(QString, name);
    QVERIFY(findEmbeddedImage(name).isNull());
    CountingFactory factory;
    QVERIFY(!factory.data(name));
    QVERIFY(factory.stored.isEmpty());
}

// The second request is answered from the store: one decode per name.
void IconsTest::eachNameIsDecodedOnce()
{
    CountingFactory factory;
    const QImage* first = factory.data("filenew");
    QVERIFY(first);
    QCOMPARE(first->size(), QSize(22, 22));
    QCOMPARE(factory.data("filenew"), first);
    QVERIFY(factory.data("print"));
    QVERIFY(factory.data("print"));
    QCOMPARE(factory.stored, QStringList({"filenew", "print"}));
}

// A second initIcons adds nothing, so one cleanupIcons takes the collection
// away; a later initIcons brings it back.
void IconsTest::cleanupRemovesTheCollection()
{
    initIcons();
    cleanupIcons();
    QVERIFY(!ImageSourceFactory::defaultFactory()->data("undo"));
    QVERIFY(pixmapFromSource("filenew").isNull());
    cleanupIcons();
    initIcons();
    QVERIFY(ImageSourceFactory::defaultFactory()->data("undo"));
}

// The ten icons, eight times enlarged, for a person to look at.
void IconsTest::iconSheet()
{
    constexpr int scale = 8;
    QImage sheet(iconNames.size() * 23 * scale + scale, 24 * scale, QImage::Format_ARGB32);
    sheet.fill(QColor(200, 220, 255));
    QPainter painter(&sheet);
    for (int i = 0; i < iconNames.size(); ++i)
        painter.drawImage(QRect((1 + 23 * i) * scale, scale, 22 * scale, 22 * scale), findEmbeddedImage(iconNames[i]));
    painter.end();
    QDir().mkpath(QUILLMARK_SCREENSHOT_DIR);
    const QString path = QDir(QUILLMARK_SCREENSHOT_DIR).filePath("icons.png");
    QVERIFY(sheet.save(path));
    qInfo("icons: %s", qPrintable(path));
}

QTEST_MAIN(IconsTest)
#include "tst_icons.moc"
