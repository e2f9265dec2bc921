#include "mainwindow.h"

#include "jobs.h"
#include "jobsummary.h"

#include <QComboBox>
#include <QLineEdit>

using namespace quillmark;

bool mainwindow::staticsDiffCombine()
{
    StaticsCombineJob job;
    job.currentIndex = pathIn(lineCStaIdx);
    job.currentData = pathIn(lineCStaData);
    job.difData = pathIn(lineDif);
    job.difIndex = pathIn(lineDifi);
    job.difLocator = pathIn(lineDifl);
    job.outDir = pathIn(lineOutDir);
    job.facet = comboBox1->currentIndex();
    // Beside "Ready": the counts, and what was found of the statics the
    // patch was applied to.
    return runWorker(
        [&job](JobProgress& progress, const CommitOptions& options) {
            return combineStaticsDiff(job, progress, options);
        },
        [](const JobResult& result) {
            return combinationSummary(QStringLiteral("combine statics"), result, true);
        });
}
