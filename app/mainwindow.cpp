#include "mainwindow.h"

#include "gamedir.h"
#include "mergepage.h"
#include "statusbarprogress.h"

#include "joboutcome.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>

namespace {
const char FileFilter[] = "Mul (*.mul);;All files(*.*)";
}

mainwindow::mainwindow(QWidget* parent, const char* name, Qt::WindowFlags fl) : QMainWindow(parent, fl)
{
    // The status bar exists before any widget, for the run slots and workers.
    statusBar();
    setObjectName(QLatin1String(name ? name : "mainwindow"));
    buildForm();
}

// Every object of the form is a child of the window and goes with it.
mainwindow::~mainwindow() = default;

void mainwindow::fileExit()
{
    close();
}

void mainwindow::helpAbout()
{
    QMessageBox::information(this, QStringLiteral("Quillmark"), QStringLiteral("Version .95"),
                             QMessageBox::Ok);
}

void mainwindow::pickFile(QLineEdit* field, const QString& caption)
{
    const QString path = QFileDialog::getOpenFileName(this, caption, gameDir(), QLatin1String(FileFilter));
    if (!path.isEmpty())
        field->setText(path);
}

void mainwindow::findRefIdx()
{
    pickFile(lineRefIdx, QStringLiteral("Reference Index File"));
}

void mainwindow::findRefData()
{
    pickFile(lineRefData, QStringLiteral("Reference Data File"));
}

void mainwindow::findDif()
{
    pickFile(lineDif, QStringLiteral("Dif Data File"));
}

void mainwindow::findDifl()
{
    pickFile(lineDifl, QStringLiteral("Dif Locator File"));
}

void mainwindow::findDifi()
{
    pickFile(lineDifi, QStringLiteral("Dif Index File"));
}

void mainwindow::findOutputDir()
{
    const QString path = QFileDialog::getExistingDirectory(this, QStringLiteral("Output Directory"),
                                                           QString(), QFileDialog::ShowDirsOnly);
    if (!path.isEmpty())
        lineOutDir->setText(path);
}

void mainwindow::findStaMul()
{
    pickFile(lineStaMul, QStringLiteral("Current Static Data File"));
}

void mainwindow::findCStaMul()
{
    pickFile(lineCStaData, QStringLiteral("Current Static Data File"));
}

void mainwindow::findStaIdx()
{
    pickFile(lineStaIdx, QStringLiteral("Current Static Index File"));
}

void mainwindow::findCStaIdx()
{
    pickFile(lineCStaIdx, QStringLiteral("Current Static Index File"));
}

void mainwindow::findMapMul()
{
    pickFile(lineMapMul, QStringLiteral("Current Map Data File"));
}

void mainwindow::findCMapMul()
{
    pickFile(lineCMap, QStringLiteral("Current Map Data File"));
}

// Page 0 is the "Map" page; any other page puts the side in statics mode,
// which needs the reference index row.
void mainwindow::tabChange(QWidget* widget)
{
    if (!widget)
        return;
    generateMode = tabWidget2->indexOf(widget) != 0;
    lineRefIdx->setEnabled(generateMode);
    pushRefIdx->setEnabled(generateMode);
}

void mainwindow::tabCChange(QWidget* widget)
{
    if (!widget)
        return;
    combineMode = tabWidget4->indexOf(widget) != 0;
    lineDifi->setEnabled(combineMode);
    pushDifi->setEnabled(combineMode);
}

// The workers process events while they run, so the buttons stay live; a
// press during a run starts nothing.
void mainwindow::diffGenerate()
{
    if (m_running)
        return;
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    const bool done = generateMode ? staticsDiffGenerate() : mapDiffGenerate();
    if (done)
        statusBar()->showMessage(QStringLiteral("Ready"));
    QApplication::restoreOverrideCursor();
}

void mainwindow::diffCombine()
{
    if (m_running)
        return;
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    const bool done = combineMode ? staticsDiffCombine() : mapDiffCombine();
    if (done)
        statusBar()->showMessage(QStringLiteral("Ready"));
    QApplication::restoreOverrideCursor();
}

QString mainwindow::pathIn(const QLineEdit* field)
{
    const QString text = field->text();
    const QLatin1Char quote('"');
    if (text.size() >= 2 && text.startsWith(quote) && text.endsWith(quote))
        return text.mid(1, text.size() - 2);
    return text;
}

void mainwindow::showDetail(const QString& detail)
{
    statusBar()->setToolTip(detail);
    statusBar()->setAccessibleDescription(detail);
}

bool mainwindow::runWorker(const Job& job, const Summary& summary)
{
    const bool wasRunning = m_running;
    m_running = true;
    m_stopRequested = false;
    const quillmark::JobOutcome outcome = [&] {
        StatusBarProgress progress(statusBar(), m_stopRequested);
        return job(progress, m_commitOptions);
    }();
    m_running = wasRunning;
    // A stopped run has nobody left to tell: the window is closing. The
    // status bar shows the job's fixed message, as always; beside it, the
    // file and the system's reason, in the words quillmark-cli prints
    // after the message.
    if (outcome.failed()) {
        statusBar()->showMessage(outcome.message());
        const quillmark::Status& failure = outcome.failure();
        showDetail(
            quillmark::Status::failure(failure.kind(), QString(), failure.file(), failure.reason()).text());
    }
    if (outcome.succeeded())
        showDetail(summary(outcome.result()));
    return outcome.succeeded();
}

bool mainwindow::event(QEvent* event)
{
    if (event->type() == QEvent::StatusTip)
        return true;
    return QMainWindow::event(event);
}

void mainwindow::closeEvent(QCloseEvent* event)
{
    if (m_running)
        m_stopRequested = true;
    QMainWindow::closeEvent(event);
}

void mainwindow::addMergePage()
{
    mergePage = new MergePage(
        lineOutDir, comboBox1,
        [this](const MergePage::Job& job, const std::function<QString()>& detail) {
            return runPageJob(job, detail);
        },
        tabWidget3);
    tabWidget3->addTab(mergePage, QString());
}

bool mainwindow::runPageJob(const Job& job, const std::function<QString()>& detail)
{
    if (m_running)
        return false;
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    const bool done = runWorker(job, [&detail](const quillmark::JobResult&) { return detail(); });
    if (done)
        statusBar()->showMessage(QStringLiteral("Ready"));
    QApplication::restoreOverrideCursor();
    return done;
}
