// The embedded icon collection: the generated table against the artwork it
// is made from, look-up by exact name, decoding once per name, and the
// application icon.

#include "applicationicon.h"
#include "embeddedimage.h"
#include "iconsourcefactory.h"

#include <QtEndian>
#include <QtTest>

namespace {

// Added to a collection, it logs each name that the collection passes on:
// once before its table search and once after.
struct Probe : ImageSourceFactory
{
    mutable QStringList log;
    const QImage* data(const QString& name) const override
    {
        return log << (name.isNull() ? "null" : name), nullptr;
    }
};

}  // namespace

class IconsTest : public QObject
{
    Q_OBJECT

private slots:
    // The table holds every artwork, and only those; each entry its artwork
    // byte for byte in the stored layout, decoding to the same pixels, each
    // fully opaque or fully transparent.
    void table()
    {
        QStringList names;
        for (const EmbeddedImage* e = embeddedImages; e->name; ++e) {
            const QString name = QString::fromUtf8(e->name);
            names << name + ".xpm";
            const QByteArray stored(reinterpret_cast<const char*>(e->imageData), int(e->compressed));
            const QByteArray pixels = qUncompress(stored);
            const QImage art(QUILLMARK_ICON_ART_DIR "/" + name + ".xpm");
            const QImage decoded = findEmbeddedImage(name);
            QVERIFY(qFromBigEndian<quint32>(stored.constData()) == 1936 && pixels.size() == 1936);
            QVERIFY(art.size() == QSize(22, 22) && decoded.size() == QSize(22, 22)
                    && decoded.hasAlphaChannel());
            for (int p = 0; p < 22 * 22; ++p) {
                const QRgb pixel = art.pixel(p % 22, p / 22);
                QCOMPARE(qFromLittleEndian<quint32>(pixels.constData() + 4 * p), pixel);
                QVERIFY2(decoded.pixel(p % 22, p / 22) == pixel && qAlpha(pixel) % 255 == 0,
                         qPrintable(name));
            }
        }
        names.sort();
        QCOMPARE(names, QDir(QUILLMARK_ICON_ART_DIR).entryList({"*.xpm"}, QDir::Files, QDir::Name));
    }

    // Names match exactly; a null name is answered without a search; the
    // second request for a name is answered from the store, undecoded. The
    // collection serves the application's pixmaps from before main.
    void lookUp()
    {
        for (const char* name : {"FileNew", "filenew ", "file", ""})
            QVERIFY(findEmbeddedImage(name).isNull());
        IconSourceFactory source;
        Probe probe;
        source.addFactory(&probe);
        const QImage* first = source.data("filenew");
        QVERIFY(first && first->size() == QSize(22, 22) && source.data("filenew") == first);
        QVERIFY(!source.data("FileNew") && !source.data("") && !source.data(QString()));
        // "filenew" was passed on only before its one decode; the unknown names
        // before and after their searches; the null name never searched.
        QCOMPARE(probe.log, QStringList({"filenew", "FileNew", "FileNew", "", "", "null"}));
        QVERIFY(!pixmapFromSource("print").isNull());
    }

    // The program's icon at each theme size: square, drawn inside its canvas
    // (corners clear, the middle covered); the window's icon offers exactly
    // these sizes.
    void applicationIcon()
    {
        QList<QSize> sizes;
        for (const int size : applicationIconSizes()) {
            const QImage image = paintApplicationIcon(size);
            QVERIFY(image.size() == QSize(size, size) && image.hasAlphaChannel());
            const int last = size - 1;
            QCOMPARE(qAlpha(image.pixel(0, 0)) + qAlpha(image.pixel(last, 0)) + qAlpha(image.pixel(0, last))
                         + qAlpha(image.pixel(last, last)),
                     0);
            QCOMPARE(qAlpha(image.pixel(size / 2, size / 2)), 255);
            sizes << image.size();
        }
        QCOMPARE(::applicationIcon().availableSizes(), sizes);
    }
};

QTEST_MAIN(IconsTest)
#include "tst_icons.moc"
