// The window as its user and the program see it: meta-object, modes and tab
// handlers, file pickers and the game directory, the run slots with their
// cursor, progress bar and status messages, the About box, and how the window
// ends while idle and during a run.

#include "facetcheck.h"
#include "gamedir.h"
#include "mainwindow.h"
#include "samplefacet.h"
#include "workspace.h"

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMetaMethod>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTabWidget>
#include <QtTest>

#include <functional>

namespace {

QByteArray randomMap(int blocks, quint32 seed)
{
    QByteArray map;
    for (int i = 0; i < blocks; ++i)
        map += testfiles::mapBlock(qint32(i), seed * 977 + i);
    return map;
}

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

// Records the workers that the run slots call, with the cursor at the time;
// the real workers run unless the window is told to answer by itself.
class RecordingWindow : public mainwindow
{
public:
    bool mapDiffGenerate() override
    {
        return record("mapDiffGenerate") ? mainwindow::mapDiffGenerate() : answer;
    }
    bool staticsDiffGenerate() override
    {
        return record("staticsDiffGenerate") ? mainwindow::staticsDiffGenerate() : answer;
    }
    bool mapDiffCombine() override
    {
        return record("mapDiffCombine") ? mainwindow::mapDiffCombine() : answer;
    }
    bool staticsDiffCombine() override
    {
        return record("staticsDiffCombine") ? mainwindow::staticsDiffCombine() : answer;
    }

    QStringList calls;
    QList<Qt::CursorShape> cursors;
    bool realWorkers = true;
    bool answer = true;

private:
    // True when the real worker should run.
    bool record(const char* name)
    {
        calls << QLatin1String(name);
        cursors << (QApplication::overrideCursor() ? QApplication::overrideCursor()->shape()
                                                   : Qt::ArrowCursor);
        return realWorkers;
    }
};

// Points the Generate side's map page at two maps of `blocks` blocks.
void prepareMapGeneration(mainwindow& w, const Workspace& ws, int blocks)
{
    w.show();
    w.lineOutDir->setText(ws.out());
    w.lineRefData->setText(ws.file("r.mul", randomMap(blocks, 7)));
    w.lineMapMul->setText(ws.file("c.mul", randomMap(blocks, 8)));
}

}  // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void metaObjectHasTheNineteenSlots();
    void tabsSwitchModes();
    void runSlotsCallTheWorkerOfTheMode();
    void gameDirLookUp();
    void pickersFillTheirFields_data();
    void pickersFillTheirFields();
    void outputDirectoryPicker();
    void allFourJobsFromTheWindow();
    void failureLeavesItsMessage();
    void progressBarOnlyDuringTheWalk();
    void aPressDuringARunStartsNothing();
    void closingDuringARunStopsIt();
    void aboutBox();
    void exitEndsTheLoopWithZero();

private:
    QTemporaryDir m_settings;
};

void MainWindowTest::init()
{
    // Never the user's real settings.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path() + "/user");
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, m_settings.path() + "/system");
    QDir(m_settings.path()).removeRecursively();
    QDir().mkpath(m_settings.path());
}

void MainWindowTest::metaObjectHasTheNineteenSlots()
{
    const QStringList expected{
        "fileExit()",           "helpAbout()",    "findRefIdx()",    "findRefData()",   "findDif()",
        "findDifl()",           "findDifi()",     "findOutputDir()", "findStaMul()",    "findCStaMul()",
        "findStaIdx()",         "findCStaIdx()",  "findMapMul()",    "findCMapMul()",   "tabChange(QWidget*)",
        "tabCChange(QWidget*)", "diffGenerate()", "diffCombine()",   "languageChange()"};
    const QMetaObject& meta = mainwindow::staticMetaObject;
    QCOMPARE(meta.className(), "mainwindow");
    QCOMPARE(meta.superClass(), &QMainWindow::staticMetaObject);
    QStringList signatures;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QMetaMethod method = meta.method(i);
        QCOMPARE(method.methodType(), QMetaMethod::Slot);
        QCOMPARE(method.access(), i + 1 == meta.methodCount() ? QMetaMethod::Protected : QMetaMethod::Public);
        signatures << QString::fromLatin1(method.methodSignature());
    }
    QCOMPARE(signatures, expected);
    QCOMPARE(meta.propertyCount(), meta.propertyOffset());
    QCOMPARE(meta.enumeratorCount(), meta.enumeratorOffset());
    QCOMPARE(meta.classInfoCount(), meta.classInfoOffset());

    mainwindow window;
    QCOMPARE(window.qt_metacast("mainwindow"), static_cast<void*>(&window));
    QCOMPARE(window.objectName(), QString("mainwindow"));
    QVERIFY(window.isWindow() && !window.parent());
    QCOMPARE(mainwindow(nullptr, "second").objectName(), QString("second"));
}

void MainWindowTest::tabsSwitchModes()
{
    mainwindow w;
    QVERIFY(!w.generateMode && !w.combineMode);
    struct Side
    {
        QTabWidget* tabs;
        QLineEdit* field;
        QPushButton* button;
        bool* mode;
        void (mainwindow::*handler)(QWidget*);
    };
    for (const Side& side :
         {Side{w.tabWidget2, w.lineRefIdx, w.pushRefIdx, &w.generateMode, &mainwindow::tabChange},
          Side{w.tabWidget4, w.lineDifi, w.pushDifi, &w.combineMode, &mainwindow::tabCChange}}) {
        QVERIFY(!side.field->isEnabled() && !side.button->isEnabled());
        side.field->setText("kept");
        side.tabs->setCurrentIndex(1);
        QVERIFY(*side.mode && side.field->isEnabled() && side.button->isEnabled());
        side.tabs->setCurrentIndex(0);
        QVERIFY(!*side.mode && !side.field->isEnabled() && !side.button->isEnabled());
        QCOMPARE(side.field->text(), QString("kept"));
        (w.*side.handler)(nullptr);  // no page: nothing changes
        QVERIFY(!*side.mode);
        (w.*side.handler)(w.tab);  // not a page of this side: index -1 counts as statics
        QVERIFY(*side.mode && side.field->isEnabled());
    }
}

void MainWindowTest::runSlotsCallTheWorkerOfTheMode()
{
    RecordingWindow w;
    w.realWorkers = false;
    w.pushGenerate->click();
    QCOMPARE(w.statusBar()->currentMessage(), QString("Ready"));
    // The outer tabs change no mode: only each side's own tabs do.
    w.tabWidget2->setCurrentIndex(1);
    w.tabWidget3->setCurrentIndex(1);
    w.statusBar()->showMessage("earlier");
    w.answer = false;
    w.pushCombine->click();
    QCOMPARE(w.statusBar()->currentMessage(), QString("earlier"));  // no "Ready" after a failure
    w.tabWidget4->setCurrentIndex(1);
    w.pushCombine->click();
    w.pushGenerate->click();
    QCOMPARE(w.calls,
             QStringList({"mapDiffGenerate", "mapDiffCombine", "staticsDiffCombine", "staticsDiffGenerate"}));
    QCOMPARE(w.cursors, QList<Qt::CursorShape>(4, Qt::WaitCursor));
    QVERIFY(!QApplication::overrideCursor());
}

void MainWindowTest::gameDirLookUp()
{
    QCOMPARE(gameDir(), QString());
    QSettings("Origin Worlds Online", "Ultima Online").setValue("1.0/StartExePath", "/games/uo/client.exe");
    QCOMPARE(gameDir(), QString("/games/uo"));
    QSettings("Origin Worlds Online", "Ultima Online Third Dawn")
        .setValue("1.0/StartExePath", "/games/td/uotd.exe");
    QCOMPARE(gameDir(), QString("/games/td"));
    // The program's own entry wins and is a directory already: taken as it is.
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "Harrowvane").setValue("UODir", "/shard/files/");
    QCOMPARE(gameDir(), QString("/shard/files/"));
}

void MainWindowTest::pickersFillTheirFields_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("caption");
    QTest::newRow("findRefIdx") << "pushRefIdx"
                                << "lineRefIdx"
                                << "Reference Index File";
    QTest::newRow("findRefData") << "pushRefData"
                                 << "lineRefData"
                                 << "Reference Data File";
    QTest::newRow("findDif") << "pushDif"
                             << "lineDif"
                             << "Dif Data File";
    QTest::newRow("findDifl") << "pushDifl"
                              << "lineDifl"
                              << "Dif Locator File";
    QTest::newRow("findDifi") << "pushDifi"
                              << "lineDifi"
                              << "Dif Index File";
    QTest::newRow("findStaMul") << "pushStaData"
                                << "lineStaMul"
                                << "Current Static Data File";
    QTest::newRow("findCStaMul") << "pushCStaData"
                                 << "lineCStaData"
                                 << "Current Static Data File";
    QTest::newRow("findStaIdx") << "pushStaIdx"
                                << "lineStaIdx"
                                << "Current Static Index File";
    QTest::newRow("findCStaIdx") << "pushCStaIdx"
                                 << "lineCStaIdx"
                                 << "Current Static Index File";
    QTest::newRow("findMapMul") << "pushMapData"
                                << "lineMapMul"
                                << "Current Map Data File";
    QTest::newRow("findCMapMul") << "pushCMap"
                                 << "lineCMap"
                                 << "Current Map Data File";
}

void MainWindowTest::pickersFillTheirFields()
{
    QFETCH(QString, button);
    QFETCH(QString, field);
    QFETCH(QString, caption);
    Workspace ws;
    const QString chosen = ws.file("map0.mul", "x");
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "Harrowvane").setValue("UODir", ws.dir.path());
    mainwindow w;
    w.tabWidget2->setCurrentIndex(1);  // enables the index rows
    w.tabWidget4->setCurrentIndex(1);
    auto* push = w.findChild<QPushButton*>(button);
    auto* line = w.findChild<QLineEdit*>(field);
    line->setText("earlier");

    QString seenCaption, seenDirectory;
    QStringList seenFilters;
    whenModal<QFileDialog>([&](QFileDialog* dialog) {
        seenCaption = dialog->windowTitle();
        seenDirectory = dialog->directory().absolutePath();
        seenFilters = dialog->nameFilters();
        dialog->reject();
    });
    push->click();
    QCOMPARE(seenCaption, caption);
    QCOMPARE(seenDirectory, ws.dir.path());
    QCOMPARE(seenFilters, QStringList({"Mul (*.mul)", "All files(*.*)"}));
    QCOMPARE(line->text(), QString("earlier"));  // cancelled

    whenModal<QFileDialog>([&](QFileDialog* dialog) {
        dialog->selectFile(chosen);
        static_cast<QDialog*>(dialog)->accept();
    });
    push->click();
    QCOMPARE(line->text(), chosen);
}

void MainWindowTest::outputDirectoryPicker()
{
    Workspace ws;
    mainwindow w;
    whenModal<QFileDialog>([&](QFileDialog* dialog) {
        QCOMPARE(dialog->windowTitle(), QString("Output Directory"));
        QCOMPARE(dialog->fileMode(), QFileDialog::Directory);
        dialog->setDirectory(ws.out());
        dialog->selectFile(ws.out());
        static_cast<QDialog*>(dialog)->accept();
    });
    w.pushOutDir->click();
    QCOMPARE(w.lineOutDir->text(), ws.out());
}

void MainWindowTest::allFourJobsFromTheWindow()
{
    Workspace ws;
    // The reference map is a container, as current clients ship it; the
    // window writes a plain map3.mul from it all the same.
    SampleFacetOptions options{ws.path("sample"), 3, 20, 12, 0.3, 0.1, 0.1, 5, MapFormat::Uop};
    QVERIFY(writeSampleFacet(options).status.ok());
    const FacetFiles reference = referenceFiles(options), current = editedFiles(options);
    QVERIFY(reference.map.endsWith("map3LegacyMUL.uop"));
    mainwindow w;
    w.lineOutDir->setText(ws.out());
    w.comboBox1->setCurrentIndex(3);
    const auto run = [&](QPushButton* button) {
        w.statusBar()->clearMessage();
        button->click();
        return w.statusBar()->currentMessage() == "Ready";
    };
    w.lineRefData->setText(reference.map);
    w.lineMapMul->setText(current.map);
    QVERIFY(run(w.pushGenerate));
    w.lineCMap->setText(reference.map);
    w.lineDif->setText(ws.outFile("mapdif3.mul"));
    w.lineDifl->setText(ws.outFile("mapdifl3.mul"));
    QVERIFY(run(w.pushCombine));
    QVERIFY(checkCombinedMap(current.map, ws.outFile("map3.mul")).status.ok());

    w.tabWidget2->setCurrentIndex(1);
    w.lineRefIdx->setText(reference.index);
    w.lineRefData->setText(reference.data);
    w.lineStaIdx->setText(current.index);
    w.lineStaMul->setText(current.data);
    QVERIFY(run(w.pushGenerate));
    w.tabWidget4->setCurrentIndex(1);
    w.lineCStaIdx->setText(reference.index);
    w.lineCStaData->setText(reference.data);
    w.lineDif->setText(ws.outFile("stadif3.mul"));
    w.lineDifi->setText(ws.outFile("stadifi3.mul"));
    w.lineDifl->setText(ws.outFile("stadifl3.mul"));
    QVERIFY(run(w.pushCombine));
    QVERIFY(checkCombinedStatics(current.index, current.data, ws.outFile("staidx3.mul"),
                                 ws.outFile("statics3.mul"))
                .status.ok());
    QCOMPARE(ws.outFiles().size(), 8);
}

void MainWindowTest::failureLeavesItsMessage()
{
    Workspace ws;
    mainwindow w;
    w.statusBar()->showMessage("Ready");
    w.lineRefData->setText(ws.path("absent.mul"));
    w.pushGenerate->click();
    QCOMPARE(w.statusBar()->currentMessage(), QString("Unable to open reference data file"));
    w.pushCombine->click();
    QCOMPARE(w.statusBar()->currentMessage(), QString("Unable to open map file"));
    // A damaged container: the same message, the reason only on the command line.
    w.statusBar()->showMessage("Ready");
    w.lineCMap->setText(ws.file("map0LegacyMUL.uop", QByteArray("MYP\0\5", 5)));
    w.pushCombine->click();
    QCOMPARE(w.statusBar()->currentMessage(), QString("Unable to open map file"));
    QVERIFY(!w.statusBar()->findChild<QProgressBar*>());
}

void MainWindowTest::progressBarOnlyDuringTheWalk()
{
    Workspace ws;
    mainwindow w;
    prepareMapGeneration(w, ws, 250);
    w.lineCMap->setText(w.lineRefData->text());
    w.lineDif->setText(ws.outFile("mapdif0.mul"));
    w.lineDifl->setText(ws.outFile("mapdifl0.mul"));

    for (QPushButton* run : {w.pushGenerate, w.pushCombine}) {
        QList<int> seen;
        int maximum = -1;
        QTimer watch;
        watch.setInterval(0);
        connect(&watch, &QTimer::timeout, [&] {
            if (const auto* bar = w.statusBar()->findChild<QProgressBar*>()) {
                seen << bar->value();
                maximum = bar->maximum();
            }
        });
        watch.start();
        run->click();
        watch.stop();
        QCOMPARE(seen, QList<int>({0, 100, 200}));
        QCOMPARE(maximum, 250);
        QVERIFY(!w.statusBar()->findChild<QProgressBar*>());
        QCOMPARE(w.statusBar()->currentMessage(), QString("Ready"));
    }
}

void MainWindowTest::aPressDuringARunStartsNothing()
{
    Workspace ws;
    RecordingWindow w;
    prepareMapGeneration(w, ws, 300);
    QTimer::singleShot(0, [&] {
        w.pushGenerate->click();
        w.pushCombine->click();
    });
    w.pushGenerate->click();
    QCOMPARE(w.calls, QStringList{"mapDiffGenerate"});
    QCOMPARE(w.statusBar()->currentMessage(), QString("Ready"));
    QVERIFY(!QApplication::overrideCursor());
}

void MainWindowTest::closingDuringARunStopsIt()
{
    Workspace ws;
    mainwindow w;
    prepareMapGeneration(w, ws, 500);
    connect(qApp, &QGuiApplication::lastWindowClosed, qApp, &QCoreApplication::quit);
    QTimer::singleShot(0, w.pushGenerate, &QPushButton::click);
    QTimer::singleShot(0, &w, &QWidget::close);  // reaches the run at its first progress step
    QCOMPARE(qApp->exec(), 0);
    QVERIFY(!w.isVisible());
    QVERIFY(ws.outFiles().isEmpty());
    QVERIFY(w.statusBar()->currentMessage().isEmpty());
    QVERIFY(!QApplication::overrideCursor());
}

void MainWindowTest::aboutBox()
{
    mainwindow w;
    QString title, text;
    QMessageBox::StandardButtons buttons;
    whenModal<QMessageBox>([&](QMessageBox* box) {
        title = box->windowTitle();
        text = box->text();
        buttons = box->standardButtons();
        QCOMPARE(box->icon(), QMessageBox::Information);
        QCOMPARE(box->parentWidget(), &w);
        box->button(QMessageBox::Ok)->click();
    });
    w.helpAboutAction->trigger();
    QCOMPARE(title, QString("Quillmark"));
    QCOMPARE(text, QString("Version .95"));
    QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

void MainWindowTest::exitEndsTheLoopWithZero()
{
    mainwindow w;
    w.show();
    connect(qApp, &QGuiApplication::lastWindowClosed, qApp, &QCoreApplication::quit);
    QTimer::singleShot(0, w.fileExitAction, &QAction::trigger);
    QCOMPARE(qApp->exec(), 0);
    QVERIFY(!w.isVisible());
}

int main(int argc, char** argv)
{
    // The toolkit's own dialogs, which a test can drive, on every platform.
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication application(argc, argv);
    MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
