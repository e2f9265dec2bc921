#include "mainwindow.h"

#include "jobs.h"
#include "jobsummary.h"

#include <QComboBox>
#include <QLineEdit>

using namespace quillmark;

bool mainwindow::staticsDiffGenerate()
{
    StaticsGenerateJob job;
    job.referenceIndex = pathIn(lineRefIdx);
    job.referenceData = pathIn(lineRefData);
    job.currentIndex = pathIn(lineStaIdx);
    job.currentData = pathIn(lineStaMul);
    job.outDir = pathIn(lineOutDir);
    job.facet = comboBox1->currentIndex();
    return runWorker(
        [&job](JobProgress& progress, const CommitOptions& options) {
            return generateStaticsDiff(job, progress, options);
        },
        [](const JobResult& result) {
            return generationSummary(QStringLiteral("generate statics"), result, true);
        });
}
