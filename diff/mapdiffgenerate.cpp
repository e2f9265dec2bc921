#include "mainwindow.h"

#include "jobs.h"

#include <QComboBox>
#include <QLineEdit>

using namespace quillmark;

bool mainwindow::mapDiffGenerate()
{
    const MapGenerateJob job{lineRefData->text(), lineMapMul->text(), lineOutDir->text(),
                             comboBox1->currentIndex()};
    return runWorker([&job](JobProgress& progress, const CommitOptions& options) {
        return generateMapDiff(job, progress, options);
    });
}
