#include "mainwindow.h"

#include "jobs.h"

#include <QComboBox>
#include <QLineEdit>

using namespace quillmark;

bool mainwindow::mapDiffGenerate()
{
    const MapGenerateJob job{pathIn(lineRefData), pathIn(lineMapMul), pathIn(lineOutDir),
                             comboBox1->currentIndex()};
    return runWorker([&job](JobProgress& progress, const CommitOptions& options) {
        return generateMapDiff(job, progress, options);
    });
}
