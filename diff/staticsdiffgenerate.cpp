#include "mainwindow.h"

#include "jobs.h"

#include <QComboBox>
#include <QLineEdit>

using namespace quillmark;

bool mainwindow::staticsDiffGenerate()
{
    const StaticsGenerateJob job{pathIn(lineRefIdx), pathIn(lineRefData), pathIn(lineStaIdx),
                                 pathIn(lineStaMul), pathIn(lineOutDir),  comboBox1->currentIndex()};
    return runWorker([&job](JobProgress& progress, const CommitOptions& options) {
        return generateStaticsDiff(job, progress, options);
    });
}
