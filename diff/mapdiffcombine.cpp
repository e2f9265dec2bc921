#include "mainwindow.h"

#include "jobs.h"
#include "patchcheck.h"

#include <QComboBox>
#include <QLineEdit>
#include <QStatusBar>

using namespace quillmark;

bool mainwindow::mapDiffCombine()
{
    const MapCombineJob job{pathIn(lineCMap), pathIn(lineDif), pathIn(lineDifl), pathIn(lineOutDir),
                            comboBox1->currentIndex()};
    JobResult result;
    const bool done =
        runWorker([&job](JobProgress& progress,
                         const CommitOptions& options) { return combineMapDiff(job, progress, options); },
                  &result);
    // Beside "Ready": what was found of the map the patch was applied to.
    if (done)
        showDetail(baseCaseText(result.base));
    return done;
}
