#include "mainwindow.h"

#include "jobs.h"
#include "jobsummary.h"

#include <QComboBox>
#include <QLineEdit>

using namespace quillmark;

bool mainwindow::mapDiffCombine()
{
    MapCombineJob job;
    job.currentMap = pathIn(lineCMap);
    job.difData = pathIn(lineDif);
    job.difLocator = pathIn(lineDifl);
    job.outDir = pathIn(lineOutDir);
    job.facet = comboBox1->currentIndex();
    // Beside "Ready": the counts, and what was found of the map the patch
    // was applied to.
    return runWorker([&job](JobProgress& progress,
                            const CommitOptions& options) { return combineMapDiff(job, progress, options); },
                     [](const JobResult& result) {
                         return combinationSummary(QStringLiteral("combine map"), result, false);
                     });
}
