// killjob-window JOB FILE... OUTDIR: runs one of the window's four workers,
// headless, on the given files, as pressing its button would; exit status 0
// when the worker succeeded. JOB is generate-map, combine-map,
// generate-statics or combine-statics, with the files in the order of
// quillmark-cli's options.

#include "filesizesignal.h"
#include "mainwindow.h"
#include "pausehook.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

#include <cstdio>
#include <map>
#include <utility>

using namespace quillmark;

int main(int argc, char** argv)
{
    quillmark::ignoreFileSizeSignal();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    mainwindow w;
    w.setCommitOptions(pausingCommitOptions());
    using Worker = bool (mainwindow::*)();
    const std::map<QString, std::pair<QList<QLineEdit*>, Worker>> jobs = {
        {"generate-map", {{w.lineRefData, w.lineMapMul}, &mainwindow::mapDiffGenerate}},
        {"combine-map", {{w.lineCMap, w.lineDifl, w.lineDif}, &mainwindow::mapDiffCombine}},
        {"generate-statics",
         {{w.lineRefIdx, w.lineRefData, w.lineStaIdx, w.lineStaMul}, &mainwindow::staticsDiffGenerate}},
        {"combine-statics",
         {{w.lineCStaIdx, w.lineCStaData, w.lineDifl, w.lineDifi, w.lineDif},
          &mainwindow::staticsDiffCombine}}};
    const auto job = jobs.find(arguments.value(1));
    if (job == jobs.end() || arguments.size() != job->second.first.size() + 3) {
        std::fprintf(stderr, "usage: killjob-window JOB FILE... OUTDIR\n");
        return 2;
    }
    for (int i = 0; i < job->second.first.size(); ++i)
        job->second.first[i]->setText(arguments[i + 2]);
    w.lineOutDir->setText(arguments.last());
    w.comboBox1->setCurrentIndex(0);
    return (w.*job->second.second)() ? 0 : 1;
}
