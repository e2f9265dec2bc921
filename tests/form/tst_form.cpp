// The main window's pages rendered for a person to look at, and the embedded
// icon collection: its pictures against the artwork they are made from,
// look-up by exact name, decoding once per name, and the application icon.
// (The window's wiring and states are the window suite's.)

#include "applicationicon.h"
#include "embeddedimage.h"
#include "iconsourcefactory.h"
#include "mainwindow.h"

#include <QTest>

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

class FormTest : public QObject
{
    Q_OBJECT

private slots:
    // The Generate, Combine and Merge pages at the designed size, rendered
    // headless, for a person to look at (tools/screenshots.sh takes the
    // documents' picture from here).
    void screenshots()
    {
        mainwindow w;
        w.show();
        QDir().mkpath(QUILLMARK_SCREENSHOT_DIR);
        const char* const names[] = {"generate", "combine", "merge"};
        for (int side = 0; side < 3; ++side) {
            w.tabWidget3->setCurrentIndex(side);
            QCoreApplication::processEvents();
            const QString path = QString(QUILLMARK_SCREENSHOT_DIR "/form-%1.png").arg(names[side]);
            QVERIFY(w.grab().save(path));
        }
    }

    // Every artwork is in the collection under its name, decoding to its
    // pixels, each fully opaque or fully transparent.
    void table()
    {
        const QStringList art = QDir(QUILLMARK_ICON_ART_DIR).entryList({"*.xpm"}, QDir::Files);
        QVERIFY(!art.isEmpty());
        for (const QString& file : art) {
            const QImage drawn(QUILLMARK_ICON_ART_DIR "/" + file);
            const QImage decoded = findEmbeddedImage(QFileInfo(file).completeBaseName());
            QVERIFY2(drawn.size() == QSize(22, 22) && decoded.size() == drawn.size()
                         && decoded.hasAlphaChannel(),
                     qPrintable(file));
            for (int p = 0; p < 22 * 22; ++p) {
                const QRgb pixel = drawn.pixel(p % 22, p / 22);
                QVERIFY2(decoded.pixel(p % 22, p / 22) == pixel && qAlpha(pixel) % 255 == 0,
                         qPrintable(file));
            }
        }
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

QTEST_MAIN(FormTest)
#include "tst_form.moc"
