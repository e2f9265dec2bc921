#include "mainwindow.h"

#include "jobs.h"

#include <QComboBox>
#include <QLineEdit>

using namespace quillmark;

bool mainwindow::mapDiffCombine()
{
    const MapCombineJob job{lineCMap->text(), lineDif->text(), lineDifl->text(), lineOutDir->text(),
                            comboBox1->currentIndex()};
    return runWorker([&job](JobProgress& progress, const CommitOptions& options) {
        return combineMapDiff(job, progress, options);
    });
}
