// The window as its user and the program see it: meta-object, modes and tab
// handlers, file pickers and the game directory, the run slots with their
// cursor, progress bar and status messages, the About box, and how the window
// ends while idle and during a run.

#include "facetcheck.h"
#include "gamedir.h"
#include "jobrun.h"
#include "mainwindow.h"
#include "mergepage.h"
#include "samplefacet.h"
#include "toolrun.h"
#include "workspace.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

#include <functional>
#include <optional>

#ifdef Q_OS_WIN
#include "windows/scratchregistry.h"
#endif

using namespace quillmark;

namespace {

// Runs `handle` on the modal widget of type T as soon as it is shown.
template <typename T>
void whenModal(std::function<void(T*)> handle, int triesLeft = 200)
{
    QTimer::singleShot(triesLeft == 200 ? 0 : 10, [handle, triesLeft] {
        if (T* modal = qobject_cast<T*>(QApplication::activeModalWidget()))
            handle(modal);
        else if (triesLeft > 0)
            whenModal<T>(handle, triesLeft - 1);
    });
}

// Records the workers that the run slots call, and counts those called
// without the wait cursor up; the real workers run unless `answer` is set,
// which is returned instead.
class RecordingWindow : public mainwindow
{
public:
    // clang-format off
#define WORKER(name) bool name() override { return record(#name) ? mainwindow::name() : *answer; }
    WORKER(mapDiffGenerate) WORKER(staticsDiffGenerate) WORKER(mapDiffCombine) WORKER(staticsDiffCombine)
#undef WORKER
        // clang-format on
        bool record(const char* name)
    {
        const QCursor* cursor = QApplication::overrideCursor();
        calls << name;
        callsWithoutWaitCursor += !cursor || cursor->shape() != Qt::WaitCursor;
        return !answer;
    }
    QStringList calls;
    int callsWithoutWaitCursor = 0;
    std::optional<bool> answer;
};

// Which page of a side is current, as the side's mode says.
enum class Page { Map, Statics };

// The side's modes, and the widgets of the form that are disabled, the tab
// bars' arrows aside, are what the pages say.
bool showsPages(const mainwindow& w, Page generate, Page combine, const QSet<QWidget*>& disabled)
{
    QSet<QWidget*> found;
    for (QWidget* widget : w.centralWidget()->findChildren<QWidget*>()) {
        if (!widget->isEnabled() && !qobject_cast<QToolButton*>(widget))
            found << widget;
    }
    return w.generateMode == (generate == Page::Statics) && w.combineMode == (combine == Page::Statics)
           && found == disabled;
}

}  // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_settings;
#ifdef Q_OS_WIN
    ScratchRegistry m_registry;  // the settings are the registry there
#endif

private slots:
    void initTestCase()
    {
        // Never the user's real settings.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path() + "/user");
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, m_settings.path() + "/system");
#ifdef Q_OS_WIN
        QVERIFY2(m_registry.ok(), "the registry cannot be redirected to a scratch key");
#endif
    }

    // Each side starts in map mode: only the index rows it does not read are
    // disabled. A side's own tabs switch its mode, its index row and nothing else;
    // the run slots call the worker of their side's mode under the wait
    // cursor, and show "Ready" only after a success, until the next run.
    void tabsSwitchModesAndWorkers()
    {
        RecordingWindow w;
        const QSet<QWidget*> indexRows{w.lineRefIdx, w.pushRefIdx, w.lineDifi, w.pushDifi};
        QVERIFY(showsPages(w, Page::Map, Page::Map, indexRows));
        w.answer = true;
        w.pushGenerate->click();
        QCOMPARE(w.statusBar()->currentMessage(), QString("Ready"));
        // The menu bar opens a menu with its entry's empty tip, and an entry
        // hovered shows its own: the outcome stays all the same.
        for (QMenu* menu : {w.fileMenu, w.helpMenu}) {
            QVERIFY(menu->menuAction()->showStatusText(w.menuBar()));
            for (QAction* action : menu->actions())
                QVERIFY(action->showStatusText(w.menuBar()));
        }
        QCOMPARE(w.statusBar()->currentMessage(), QString("Ready"));
        w.tabWidget2->setCurrentIndex(1);
        w.tabWidget3->setCurrentIndex(1);  // the outer tabs change no mode
        QVERIFY(showsPages(w, Page::Statics, Page::Map, {w.lineDifi, w.pushDifi}));
        w.statusBar()->showMessage("earlier");
        w.answer = false;
        w.pushCombine->click();
        w.tabWidget4->setCurrentIndex(1);
        QVERIFY(showsPages(w, Page::Statics, Page::Statics, {}));
        w.pushCombine->click();
        w.pushGenerate->click();
        QCOMPARE(w.statusBar()->currentMessage(), QString("earlier"));
        QCOMPARE(w.calls, QStringList({"mapDiffGenerate", "mapDiffCombine", "staticsDiffCombine",
                                       "staticsDiffGenerate"}));
        QVERIFY(w.callsWithoutWaitCursor == 0 && !QApplication::overrideCursor());
        w.lineRefIdx->setText("kept");
        w.tabWidget2->setCurrentIndex(0);
        w.tabWidget4->setCurrentIndex(0);
        QVERIFY(showsPages(w, Page::Map, Page::Map, indexRows) && w.lineRefIdx->text() == "kept");
        w.tabChange(nullptr);  // no page: nothing changes
        w.tabCChange(nullptr);
        QVERIFY(showsPages(w, Page::Map, Page::Map, indexRows));
        w.tabChange(w.tab);  // not a page of this side: index -1 counts as statics
        w.tabCChange(w.tab);
        QVERIFY(showsPages(w, Page::Statics, Page::Statics, {}));
    }

    // The game directory: none, then the game's entries, the newer first,
    // then the program's own, a directory already and taken as it stands.
    // Each file picker's dialog, with its caption and filter, starts there;
    // the output folder's picks a folder, from wherever, with no filter. A
    // cancel keeps the field, a choice fills it.
    void gameDirectoryAndPickers()
    {
        Workspace ws;
        QCOMPARE(gameDir(), QString());
#ifdef Q_OS_WIN
        // As the game's installer writes them: drive letters and backslashes.
        const char *game = "C:\\Games\\Ultima Online\\client.exe", *gameFolder = "C:/Games/Ultima Online",
                   *thirdDawn = "D:\\td\\uotd.exe", *thirdDawnFolder = "D:/td";
#else
        const char *game = "/games/uo/client.exe", *gameFolder = "/games/uo", *thirdDawn = "/td/uotd.exe",
                   *thirdDawnFolder = "/td";
#endif
        QSettings("Origin Worlds Online", "Ultima Online").setValue("1.0/StartExePath", game);
        QCOMPARE(gameDir(), QString(gameFolder));
        QSettings("Origin Worlds Online", "Ultima Online Third Dawn").setValue("1.0/StartExePath", thirdDawn);
        QCOMPARE(gameDir(), QString(thirdDawnFolder));
#ifdef Q_OS_WIN
        // The value of the key itself: QSettings keeps an organisation's own
        // values under OrganizationDefaults there, which is not where it is.
        QSettings("HKEY_CURRENT_USER\\Software\\Harrowvane", QSettings::NativeFormat)
            .setValue("UODir", ws.dir.path() + "/");
#else
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Harrowvane")
            .setValue("UODir", ws.dir.path() + "/");
#endif
        QCOMPARE(gameDir(), ws.dir.path() + "/");
        const QString chosen = ws.file("map0.mul", "x");
        mainwindow w;
        w.tabWidget2->setCurrentIndex(1);  // enables the index rows
        w.tabWidget4->setCurrentIndex(1);
        const std::tuple<QPushButton*, QLineEdit*, const char*> pickers[] = {
            {w.pushRefIdx, w.lineRefIdx, "Reference Index File"},
            {w.pushRefData, w.lineRefData, "Reference Data File"},
            {w.pushDif, w.lineDif, "Dif Data File"},
            {w.pushDifl, w.lineDifl, "Dif Locator File"},
            {w.pushDifi, w.lineDifi, "Dif Index File"},
            {w.pushStaData, w.lineStaMul, "Current Static Data File"},
            {w.pushCStaData, w.lineCStaData, "Current Static Data File"},
            {w.pushStaIdx, w.lineStaIdx, "Current Static Index File"},
            {w.pushCStaIdx, w.lineCStaIdx, "Current Static Index File"},
            {w.pushMapData, w.lineMapMul, "Current Map Data File"},
            {w.pushCMap, w.lineCMap, "Current Map Data File"},
            {w.pushOutDir, w.lineOutDir, "Output Directory"}};
        for (const auto& [button, field, caption] : pickers) {
            const bool folder = field == w.lineOutDir;
            for (const QString& choice : {QString(), folder ? ws.out() : chosen}) {
                field->setText("earlier");
                QString title, directory;
                QStringList filters;
                bool picksFolder = false;
                whenModal<QFileDialog>([&](QFileDialog* dialog) {
                    title = dialog->windowTitle();
                    picksFolder = dialog->fileMode() == QFileDialog::Directory;
                    directory = dialog->directory().absolutePath();
                    filters = dialog->nameFilters();
                    dialog->selectFile(choice);
                    choice.isEmpty() ? dialog->reject() : static_cast<QDialog*>(dialog)->accept();
                });
                button->click();
                QVERIFY(title == caption && picksFolder == folder);
                if (!folder)
                    QCOMPARE(directory, ws.dir.path());
                const QStringList fileFilters{"Mul (*.mul)", "All files(*.*)"};
                QCOMPARE(filters, folder ? QStringList{"All Files (*)"} : fileFilters);
                QCOMPARE(field->text(), choice.isEmpty() ? "earlier" : choice);
            }
        }
    }

    // The reference map is a container, as current clients ship it; the
    // window writes a plain map3.mul from it all the same. Each run shows its
    // bar at 0, 100 and 200 of the 250 blocks, then takes it away; a press
    // during a run starts nothing.
    void allFourJobsFromTheWindow()
    {
        Workspace ws;
        // Malas, 25 x 10 blocks: 30% changed, 10% emptied, 10% new, from seed 5.
        SampleFacetOptions options{ws.path("sample"), 3, 25, 10, 0.3, 0.1, 0.1, 5, MapFormat::Uop};
        QVERIFY(writeSampleFacet(options).status.ok());
        const FacetFiles ref = referenceFiles(options), cur = editedFiles(options);
        QVERIFY(ref.map.endsWith("map3LegacyMUL.uop"));
        RecordingWindow w;
        w.lineOutDir->setText(ws.out());
        w.comboBox1->setCurrentIndex(3);
        const auto run = [&](QPushButton* button, const QList<std::pair<QLineEdit*, QString>>& fields) {
            for (const auto& [field, text] : fields)
                field->setText(text);
            w.statusBar()->clearMessage();
            QList<QPoint> seen;  // value, maximum
            QTimer watch;
            connect(&watch, &QTimer::timeout, [&] {
                if (const auto* bar = w.statusBar()->findChild<QProgressBar*>())
                    seen << QPoint(bar->value(), bar->maximum());
                if (seen.size() == 1) {
                    w.pushGenerate->click();
                    w.pushCombine->click();
                }
            });
            watch.start(0);
            button->click();
            QCOMPARE(seen, QList<QPoint>({{0, 250}, {100, 250}, {200, 250}}));
            QVERIFY(!w.statusBar()->findChild<QProgressBar*>() && !QApplication::overrideCursor());
            QCOMPARE(w.statusBar()->currentMessage(), QString("Ready"));
        };
        run(w.pushGenerate, {{w.lineRefData, ref.map}, {w.lineMapMul, cur.map}});
        run(w.pushCombine, {{w.lineCMap, ref.map},
                            {w.lineDif, ws.outFile("mapdif3.mul")},
                            {w.lineDifl, ws.outFile("mapdifl3.mul")}});
        QVERIFY(checkCombinedMap(cur.map, ws.outFile("map3.mul")).status.ok());
        w.tabWidget2->setCurrentIndex(1);
        w.tabWidget4->setCurrentIndex(1);
        run(w.pushGenerate, {{w.lineRefIdx, ref.index},
                             {w.lineRefData, ref.data},
                             {w.lineStaIdx, cur.index},
                             {w.lineStaMul, cur.data}});
        run(w.pushCombine, {{w.lineCStaIdx, ref.index},
                            {w.lineCStaData, ref.data},
                            {w.lineDif, ws.outFile("stadif3.mul")},
                            {w.lineDifi, ws.outFile("stadifi3.mul")},
                            {w.lineDifl, ws.outFile("stadifl3.mul")}});
        QVERIFY(
            checkCombinedStatics(cur.index, cur.data, ws.outFile("staidx3.mul"), ws.outFile("statics3.mul"))
                .status.ok());
        QCOMPARE(ws.outFiles().size(), 10);
        QCOMPARE(w.calls, QStringList({"mapDiffGenerate", "mapDiffCombine", "staticsDiffGenerate",
                                       "staticsDiffCombine"}));
    }

    void sayWhy_data()
    {
        QTest::addColumn<bool>("statics");
        QTest::addColumn<QString>("base");     // "reference", "replaced", "tampered" or "missing"
        QTest::addColumn<QString>("message");  // in the status bar
        QTest::addColumn<QString>("detail");   // beside it, '@' for the workspace
        QTest::addColumn<int>("facet");
        const auto row = [](const char* name, bool statics, const char* base, const char* message,
                            const QString& detail, int facet = 0) {
            QTest::newRow(name) << statics << QString(base) << QString(message) << detail << facet;
        };
        row("exact", false, "reference", "Ready",
            "combine map: 1 of 3 blocks replaced; wrote @out/map0.mul; base exact: it is the patch's "
            "reference");
        row("another facet", false, "reference", "Dif files do not fit this map",
            "@in/map0.mul: the patch is for Felucca (facet 0), not for Trammel (facet 1)", 1);
        row("map does not fit", false, "replaced", "Dif files do not fit this map",
            "@base: 1 of the 1 block it replaces holds something else, at tile 0,8");
        row("statics do not fit", true, "replaced", "Dif files do not fit these statics",
            "@in/idx: 1 of the 1 block it replaces holds something else, at tile 0,0");
        row("tampered", false, "tampered", "Dif files do not match their manifest",
            "@gen/mapdif0.mul: Its bytes are not those its manifest names");
        row("missing", false, "missing", "Unable to open map file", "@base: <reason>");
    }
    // Every path field is pasted wrapped in double quotes, as Windows' "Copy
    // as path" gives it. The status bar keeps the job's message; its tooltip
    // and accessible description say the file and the reason, in the words
    // quillmark-cli prints after the message, or what was found of the base.
    void sayWhy()
    {
        QFETCH(bool, statics);
        QFETCH(QString, base);
        QFETCH(QString, message);
        QFETCH(QString, detail);
        QFETCH(int, facet);
        Workspace ws;
        // The map's block 1 differs, or the statics' block 0 (the data's bytes 1 and 2).
        const Job job = statics ? Job::GenerateStatics : Job::GenerateMap;
        const QStringList made = ws.inputs(validInputs(job));
        QVERIFY(QDir(ws.dir.path()).mkdir("gen") && runJob(job, made, ws.path("gen")).succeeded());
        QStringList bases = made.mid(0, statics ? 2 : 1);
        if (base == "replaced")
            bases.last() = ws.file("base", testfiles::read(bases.last()).replace(statics ? 1 : 200, 1, "R"));
        if (base == "missing")
            bases.last() = ws.path("base");
        if (base == "tampered")
            ws.file("gen/mapdif0.mul", testfiles::read(ws.path("gen/mapdif0.mul")).replace(0, 1, "T"));
        const auto quoted = [](const QString& path) { return '"' + path + '"'; };
        mainwindow w;
        w.lineOutDir->setText(quoted(ws.out()));
        w.comboBox1->setCurrentIndex(facet);
        w.tabWidget4->setCurrentIndex(statics ? 1 : 0);
        const char* set = statics ? "sta" : "map";
        w.lineDifl->setText(quoted(ws.path(QString("gen/%1difl0.mul").arg(set))));
        w.lineDif->setText(quoted(ws.path(QString("gen/%1dif0.mul").arg(set))));
        w.lineDifi->setText(quoted(ws.path("gen/stadifi0.mul")));
        (statics ? w.lineCStaIdx : w.lineCMap)->setText(quoted(bases.first()));
        w.lineCStaData->setText(quoted(bases.last()));
        w.pushCombine->click();
        QCOMPARE(w.statusBar()->currentMessage(), message);
        const QString said =
            detail.replace('@', ws.dir.path() + '/').replace("<reason>", openFailureReason(bases.last()));
        QCOMPARE(w.statusBar()->toolTip(), said);
        QCOMPARE(w.statusBar()->accessibleDescription(), said);
        QCOMPARE(ws.outFiles().isEmpty(), message != "Ready");
        if (base != "missing")
            return;
        // A success after a failure says its own summary, none of the failure's reason.
        w.lineCMap->setText(made.first());
        w.pushCombine->click();
        QCOMPARE(w.statusBar()->currentMessage(), QString("Ready"));
        QVERIFY(w.statusBar()->toolTip().startsWith("combine map: 1 of 3 blocks replaced"));
    }

    // The Merge page runs the job of the page shown on that page's fields,
    // with the window's folder and facet. A conflict with "Stop" writes the
    // conflicts file alone and shows the message, with the file and the
    // tiles beside it; "Prefer theirs" merges and says what it did. A picker
    // fills its field.
    void mergePage()
    {
        Workspace ws;
        mainwindow w;
        MergePage& page = *w.mergePage;
        w.lineOutDir->setText(ws.out());
        const QStringList maps = ws.inputs(validInputs(Job::GenerateMap)),
                          statics = ws.inputs(validInputs(Job::GenerateStatics)),
                          difs = ws.inputs(validInputs(Job::CombineStatics)).mid(2)
                                 + ws.inputs(validInputs(Job::CombineMap)).mid(1);
        QByteArray theirs = testfiles::read(maps[0]), clash = testfiles::read(maps[1]);
        theirs.replace(2 * 196 + 4, 3, "abc");
        clash.replace(196 + 4, 3, "xyz");
        // The page's fields in the order of its rows; none given keeps them.
        const auto run = [&](int tab, const QStringList& paths, const QString& message,
                             const QString& detail) {
            page.tabWidgetMerge->setCurrentIndex(tab);
            const QList<QLineEdit*> fields = page.tabWidgetMerge->currentWidget()->findChildren<QLineEdit*>();
            for (qsizetype i = 0; i < paths.size(); ++i)
                fields[i]->setText(paths[i]);
            page.pushMerge->click();
            QCOMPARE(w.statusBar()->currentMessage(), message);
            QCOMPARE(w.statusBar()->toolTip(), detail);
        };
        const QString clean = "1 block changed by ours, 0 by theirs, 0 by both; no tiles conflict",
                      unchecked = "; base not checked: a locator of that name has no manifest";
        run(0, {maps[0], maps[1], ws.file("theirs", theirs)}, "Ready",
            "1 block changed by ours, 1 by theirs, 0 by both; no tiles conflict");
        QCOMPARE(testfiles::read(ws.outFile("map0.mul")),
                 testfiles::read(maps[1]).replace(2 * 196 + 4, 3, "abc"));
        page.lineConflicts->setText(ws.path("c.json"));
        run(0, {maps[0], maps[1], ws.file("clash", clash)}, "Both sides changed the same tiles",
            ws.path("c.json") + ": 1 tile conflicts, at tile 0,8");
        page.comboConflicts->setCurrentIndex(2);
        run(0, {}, "Ready",
            "0 blocks changed by ours, 0 by theirs, 1 by both; 1 tile conflicts, taken from theirs, at tile "
            "0,8");
        QCOMPARE(testfiles::read(ws.outFile("map0.mul")), clash);
        run(1, {statics[0], statics[1], statics[2], statics[3], statics[0], statics[1]}, "Ready", clean);
        run(2, {maps[0], difs[4], difs[3], maps[0]}, "Ready", clean + unchecked);
        run(3, {statics[0], statics[1], difs[2], difs[1], difs[0], statics[0], statics[1]}, "Ready",
            clean + unchecked);
        QCOMPARE(ws.outFiles(), QStringList({"map0.mul", "mapdif0.manifest.json", "mapdif0.mul",
                                             "mapdifl0.mul", "stadif0.manifest.json", "stadif0.mul",
                                             "stadifi0.mul", "stadifl0.mul", "staidx0.mul", "statics0.mul"}));
        QString title;
        whenModal<QFileDialog>([&](QFileDialog* dialog) {
            title = dialog->windowTitle();
            dialog->selectFile(maps[1]);
            static_cast<QDialog*>(dialog)->accept();
        });
        page.findChild<QPushButton*>("pushMergeTheirs")->click();
        QVERIFY(title == "Their Map File" && page.field("lineMergeTheirs")->text() == maps[1]);
    }

    // Exit ends the event loop with 0, while idle and during a run, which it
    // stops at its next progress step without leaving an output or its bar
    // behind.
    void exitEndsTheLoopWithZero()
    {
        for (const bool running : {false, true}) {
            Workspace ws;
            mainwindow w;
            w.show();
            w.lineOutDir->setText(ws.out());
            w.lineRefData->setText(ws.file("r.mul", testfiles::randomBytes(500 * 196, 7)));
            w.lineMapMul->setText(ws.file("c.mul", testfiles::randomBytes(500 * 196, 8)));
            connect(qApp, &QGuiApplication::lastWindowClosed, qApp, &QCoreApplication::quit);
            if (running)
                QTimer::singleShot(0, w.pushGenerate, &QPushButton::click);
            // The close button during a run, the File menu's Exit while idle.
            QTimer::singleShot(0, &w,
                               [&w, running] { running ? void(w.close()) : w.fileExitAction->trigger(); });
            QCOMPARE(qApp->exec(), 0);
            QVERIFY(!w.isVisible() && ws.outFiles().isEmpty() && w.statusBar()->currentMessage().isEmpty());
            QVERIFY(!QApplication::overrideCursor() && !w.statusBar()->findChild<QProgressBar*>());
        }
    }

    // The About box, over the window.
    void aboutBox()
    {
        mainwindow w;
        QStringList seen;
        whenModal<QMessageBox>([&](QMessageBox* box) {
            seen << box->windowTitle() << box->text();
            QVERIFY(box->icon() == QMessageBox::Information && box->parentWidget() == &w);
            QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
            box->button(QMessageBox::Ok)->click();
        });
        w.helpAboutAction->trigger();
        QCOMPARE(seen, QStringList({"Quillmark", "Version .95"}));
    }
};

int main(int argc, char** argv)
{
    // The toolkit's own dialogs, which a test can drive, on every platform.
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication application(argc, argv);
    MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
