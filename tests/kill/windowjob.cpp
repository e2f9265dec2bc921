// killjob-window JOB FILE... OUTDIR: runs one of the window's four workers,
// headless, on the given files, as pressing its button would; exit status 0
// when the worker succeeded. JOB is generate-map, combine-map,
// generate-statics or combine-statics, with the files in the order of
// quillmark-cli's options.

#include "mainwindow.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

#include <cstdio>

namespace {

bool run(mainwindow& w, const QString& job, const QStringList& files)
{
    const auto fill = [&](std::initializer_list<QLineEdit*> fields) {
        int i = 0;
        for (QLineEdit* field : fields)
            field->setText(files.value(i++));
    };
    if (job == "generate-map") {
        fill({w.lineRefData, w.lineMapMul});
        return w.mapDiffGenerate();
    }
    if (job == "combine-map") {
        fill({w.lineCMap, w.lineDifl, w.lineDif});
        return w.mapDiffCombine();
    }
    if (job == "generate-statics") {
        fill({w.lineRefIdx, w.lineRefData, w.lineStaIdx, w.lineStaMul});
        return w.staticsDiffGenerate();
    }
    fill({w.lineCStaIdx, w.lineCStaData, w.lineDifl, w.lineDifi, w.lineDif});
    return w.staticsDiffCombine();
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 4) {
        std::fprintf(stderr, "usage: killjob-window JOB FILE... OUTDIR\n");
        return 2;
    }
    mainwindow window;
    window.lineOutDir->setText(arguments.last());
    window.comboBox1->setCurrentIndex(0);
    return run(window, arguments[1], arguments.mid(2, arguments.size() - 3)) ? 0 : 1;
}
