#include "mainwindow.h"

#include "jobs.h"
#include "jobsummary.h"

#include <QComboBox>
#include <QLineEdit>

using namespace quillmark;

bool mainwindow::mapDiffGenerate()
{
    MapGenerateJob job;
    job.referenceMap = pathIn(lineRefData);
    job.currentMap = pathIn(lineMapMul);
    job.outDir = pathIn(lineOutDir);
    job.facet = comboBox1->currentIndex();
    return runWorker([&job](JobProgress& progress,
                            const CommitOptions& options) { return generateMapDiff(job, progress, options); },
                     [](const JobResult& result) {
                         return generationSummary(QStringLiteral("generate map"), result, false);
                     });
}
