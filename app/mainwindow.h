#pragma once

#include "ui_mainwindow.h"

#include "commitoptions.h"

#include <QMainWindow>

#include <functional>

namespace quillmark {
class JobProgress;
class JobOutcome;
struct JobResult;
}  // namespace quillmark

class MergePage;

// The main window: the output group, the Generate and Combine pages, and the
// four jobs run from them; after them the Merge page, which is not the form's
// (mergepage.h) and runs its jobs through the window. The form is designed in mainwindow.ui; setupUi()
// makes every widget, layout, spacer, action and menu as a child of the window
// and keeps it in the one pointer of that name that Ui_mainwindow declares.
// The window inherits those pointers rather than holding a copy of each, so
// every object has exactly one named member. The inheritance is protected:
// the widgets, menus and actions are made public below, the layouts and
// spacers stay protected.
class mainwindow : public QMainWindow, protected Ui_mainwindow
{
    Q_OBJECT

public:
    explicit mainwindow(QWidget* parent = nullptr, const char* name = nullptr,
                        Qt::WindowFlags fl = Qt::Window);
    ~mainwindow() override;

    // How the jobs run from the window treat their folders; tests that kill
    // a job between its renames set a pause.
    void setCommitOptions(const quillmark::CommitOptions& options) { m_commitOptions = options; }

    // The form's widgets, menus and actions, public as they always were, in
    // the form's order (kept by hand: clang-format would sort them).
    // clang-format off
    using Ui_mainwindow::groupBox3;
    using Ui_mainwindow::textLabel3_3;
    using Ui_mainwindow::lineOutDir;
    using Ui_mainwindow::pushOutDir;
    using Ui_mainwindow::textLabel4;
    using Ui_mainwindow::comboBox1;
    using Ui_mainwindow::tabWidget3;
    using Ui_mainwindow::tab;
    using Ui_mainwindow::groupBox2;
    using Ui_mainwindow::pushRefIdx;
    using Ui_mainwindow::lineRefIdx;
    using Ui_mainwindow::lineRefData;
    using Ui_mainwindow::textLabel3_2;
    using Ui_mainwindow::pushRefData;
    using Ui_mainwindow::textLabel3;
    using Ui_mainwindow::tabWidget2;
    using Ui_mainwindow::tab_2;
    using Ui_mainwindow::textLabel3_2_3;
    using Ui_mainwindow::lineMapMul;
    using Ui_mainwindow::pushMapData;
    using Ui_mainwindow::tab_3;
    using Ui_mainwindow::pushStaIdx;
    using Ui_mainwindow::lineStaIdx;
    using Ui_mainwindow::lineStaMul;
    using Ui_mainwindow::textLabel3_2_2;
    using Ui_mainwindow::pushStaData;
    using Ui_mainwindow::textLabel3_4;
    using Ui_mainwindow::pushGenerate;
    using Ui_mainwindow::tab_4;
    using Ui_mainwindow::groupBox2_2;
    using Ui_mainwindow::textLabel3_2_4;
    using Ui_mainwindow::pushDif;
    using Ui_mainwindow::pushDifl;
    using Ui_mainwindow::lineDif;
    using Ui_mainwindow::pushDifi;
    using Ui_mainwindow::lineDifl;
    using Ui_mainwindow::lineDifi;
    using Ui_mainwindow::textLabel3_2_4_2;
    using Ui_mainwindow::textLabel3_5;
    using Ui_mainwindow::tabWidget4;
    using Ui_mainwindow::tab_5;
    using Ui_mainwindow::textLabel3_2_4_3;
    using Ui_mainwindow::lineCMap;
    using Ui_mainwindow::pushCMap;
    using Ui_mainwindow::tab_6;
    using Ui_mainwindow::textLabel3_2_4_3_2;
    using Ui_mainwindow::lineCStaIdx;
    using Ui_mainwindow::pushCStaIdx;
    using Ui_mainwindow::textLabel3_2_4_3_3;
    using Ui_mainwindow::lineCStaData;
    using Ui_mainwindow::pushCStaData;
    using Ui_mainwindow::pushCombine;
    using Ui_mainwindow::MenuBar;
    using Ui_mainwindow::fileMenu;
    using Ui_mainwindow::helpMenu;
    using Ui_mainwindow::fileNewAction;
    using Ui_mainwindow::fileOpenAction;
    using Ui_mainwindow::fileSaveAction;
    using Ui_mainwindow::fileSaveAsAction;
    using Ui_mainwindow::filePrintAction;
    using Ui_mainwindow::fileExitAction;
    using Ui_mainwindow::helpContentsAction;
    using Ui_mainwindow::helpIndexAction;
    using Ui_mainwindow::helpAboutAction;
    // clang-format on

    // false: the side's "Map" page is current; true: its "Statics" page.
    bool generateMode;
    bool combineMode;

    // The "Merge" page after the form's two, in files of its own.
    MergePage* mergePage = nullptr;

    // A path field's text, without the double quotes that wrap it whole when
    // it was pasted from Windows' "Copy as path".
    static QString pathIn(const QLineEdit* field);

    virtual bool mapDiffGenerate();
    virtual bool staticsDiffGenerate();
    virtual bool mapDiffCombine();
    virtual bool staticsDiffCombine();

public slots:
    virtual void fileExit();
    virtual void helpAbout();
    virtual void findRefIdx();
    virtual void findRefData();
    virtual void findDif();
    virtual void findDifl();
    virtual void findDifi();
    virtual void findOutputDir();
    virtual void findStaMul();
    virtual void findCStaMul();
    virtual void findStaIdx();
    virtual void findCStaIdx();
    virtual void findMapMul();
    virtual void findCMapMul();
    virtual void tabChange(QWidget* widget);
    virtual void tabCChange(QWidget* widget);
    virtual void diffGenerate();
    virtual void diffCombine();

protected:
    // Closing the window during a run stops the run; it leaves no output.
    void closeEvent(QCloseEvent* event) override;
    // The status bar keeps "Ready" or a job's message until the next run:
    // the empty status tips that opening a menu sends do not wipe it.
    bool event(QEvent* event) override;

protected slots:
    virtual void languageChange();

private:
    void buildForm();
    void finishGroupRows();
    void setActionIcons();
    void adoptMenus();
    void connectPageSwitches();

    void pickFile(QLineEdit* field, const QString& caption);
    using Job =
        std::function<quillmark::JobOutcome(quillmark::JobProgress&, const quillmark::CommitOptions&)>;
    // What a job that succeeded says of itself: its summary line.
    using Summary = std::function<QString(const quillmark::JobResult&)>;
    // Runs a job and shows its outcome: a failure's message in the status
    // bar, its file and reason in the bar's tooltip and accessible
    // description; a success's `summary` there, beside the caller's "Ready".
    bool runWorker(const Job& job, const Summary& summary);
    // What the status bar says beside its message.
    void showDetail(const QString& detail);
    // Adds the "Merge" page, whose jobs run through runPageJob().
    void addMergePage();
    // Runs a job of a page kept in files of its own as the form's run slots
    // run theirs: not during another run, under the wait cursor, and after a
    // success "Ready" with `detail()` beside it.
    bool runPageJob(const Job& job, const std::function<QString()>& detail);

    quillmark::CommitOptions m_commitOptions;
    bool m_running = false;
    bool m_stopRequested = false;
};
