// The main window's form as built from mainwindow.ui and finished in code:
// texts through tr, the connections, the initial size rule, the group rows and
// browse buttons on every page; screenshots for a person to look at; and the
// embedded icon collection: its pictures against the artwork they are made
// from, look-up by exact name, decoding once per name, and the application
// icon.

#include "applicationicon.h"
#include "embeddedimage.h"
#include "iconsourcefactory.h"
#include "mainwindow.h"
#include "mergepage.h"

#include <QtTest>
#include <QtWidgets>

namespace {

// The window with its slots replaced by a call log, so that every sender can
// be poked without a dialog or a job. The page switches keep their effect.
class FormWindow : public mainwindow
{
public:
    QStringList calls;
    using mainwindow::languageChange;
    // clang-format off
#define LOG(slot) void slot() override { calls << #slot; }
    LOG(fileExit) LOG(helpAbout) LOG(findRefIdx) LOG(findRefData) LOG(findDif) LOG(findDifl) LOG(findDifi)
    LOG(findOutputDir) LOG(findStaMul) LOG(findCStaMul) LOG(findStaIdx) LOG(findCStaIdx) LOG(findMapMul)
    LOG(findCMapMul) LOG(diffGenerate) LOG(diffCombine)
#define PAGE(slot) void slot(QWidget* p) override { calls << #slot, mainwindow::slot(p); }
    PAGE(tabChange) PAGE(tabCChange)
#undef LOG
#undef PAGE
    // clang-format on
};

// Translates the window's texts while it lives; a null result keeps the source.
class Translator : public QTranslator
{
public:
    explicit Translator(std::function<QString(const QString&)> t) : m_tr(t) { qApp->installTranslator(this); }
    ~Translator() override { QCoreApplication::removeTranslator(this); }
    QString translate(const char* context, const char* text, const char* comment, int) const override
    {
        return qstrcmp(context, "mainwindow") || (comment && *comment) ? QString() : m_tr(text);
    }
    std::function<QString(const QString&)> m_tr;
};

// Differs from every source text, accelerators included.
QString marked(const QString& s)
{
    return s.isEmpty() ? s : s.startsWith("Ctrl+") ? "Alt" + s.mid(4) : "[" + s + "]";
}

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
    // Every text the window shows passes through tr in the window's context,
    // none is lost, and the facet box holds the engine's four facets. A
    // second languageChange() leaves four facets, the first selected.
    void texts()
    {
        Translator translator(marked);
        FormWindow w;
        QStringList texts{w.windowTitle()};
        for (QWidget* widget : w.findChildren<QWidget*>()) {
            if (auto* label = qobject_cast<QLabel*>(widget))
                texts << label->text();
            else if (auto* button = qobject_cast<QPushButton*>(widget))
                texts << button->text();
            else if (auto* group = qobject_cast<QGroupBox*>(widget))
                texts << group->title();
            else if (auto* tabs = qobject_cast<QTabWidget*>(widget)) {
                for (int i = 0; i < tabs->count(); ++i)
                    texts << tabs->tabText(i);
            }
        }
        texts << w.fileMenu->title() << w.helpMenu->title();
        for (QAction* action : w.findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly))
            texts << action->text() << action->iconText();
        for (const QString& text : texts)
            QVERIFY2(text.startsWith('[') && text.endsWith(']'), qPrintable(text));
        QCOMPARE(w.fileNewAction->shortcut().toString(), QString("Alt+N"));  // shortcuts too
        QStringList facets;
        for (int i = 0; i < w.comboBox1->count(); ++i)
            facets << w.comboBox1->itemText(i);
        QCOMPARE(facets, QStringList({"[Felucca]", "[Trammel]", "[Ilshenar]", "[Malas]"}));

        QCoreApplication::removeTranslator(&translator);
        w.comboBox1->setCurrentIndex(3);
        w.languageChange();  // refills the facet box rather than adding to it
        QCOMPARE(QStringList({QString::number(w.comboBox1->count()), w.comboBox1->currentText(),
                              w.fileMenu->title(), w.helpMenu->title()}),
                 QStringList({"4", "Felucca", "&File", "&Help"}));
    }

    // Each sender reaches one slot per poke and is connected to the window;
    // every other widget and action, the outer tabs, the facet box and the
    // seven spare actions among them, reaches nothing and is connected to
    // nothing. Which slot each sender reaches, the window suite's tests of
    // the buttons, tabs and actions say.
    void connections()
    {
        FormWindow w;
        const QSet<QObject*> senders{
            w.fileExitAction, w.helpAboutAction, w.pushRefIdx, w.pushRefData,  w.pushMapData,  w.pushOutDir,
            w.pushStaData,    w.pushStaIdx,      w.tabWidget2, w.pushGenerate, w.pushCombine,  w.pushDif,
            w.pushDifi,       w.pushDifl,        w.tabWidget4, w.pushCMap,     w.pushCStaData, w.pushCStaIdx};
        for (QObject* o : w.findChildren<QObject*>()) {  // each object of the form, poked as a user would
            const bool action = o->inherits("QAction") && o->parent() == &w;
            // The merge page's pickers open their dialogs: the window suite drives them.
            const bool picker =
                o->inherits("QPushButton") && w.mergePage->isAncestorOf(qobject_cast<QWidget*>(o));
            int pokes = 0;
            w.calls.clear();
            if (o->inherits("QTabWidget") || o->inherits("QComboBox")) {
                o->setProperty("currentIndex", 1);
                o->setProperty("currentIndex", 0);
                pokes = 2;
            } else if ((o->inherits("QPushButton") && !picker) || action) {
                o->setProperty("enabled", true);
                QMetaObject::invokeMethod(o, action ? "trigger" : "click");
                pokes = 1;
            }
            QVERIFY2(w.calls.size() == (senders.contains(o) ? pokes : 0), qPrintable(o->objectName()));
            const bool connected = QObject::disconnect(o, nullptr, action ? nullptr : &w, nullptr);
            QVERIFY2(connected == senders.contains(o), qPrintable(o->objectName()));
        }
        QVERIFY(!QObject::disconnect(w.tabWidget3, nullptr, nullptr, nullptr));
    }

    // The Generate, Combine and Merge pages at the designed size, rendered
    // headless, for a person to look at (tools/screenshots.sh takes the
    // documents' picture from here).
    void screenshots()
    {
        FormWindow w;
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
