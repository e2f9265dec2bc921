#include "mainwindow.h"

#include "jobs.h"

#include <QComboBox>
#include <QLineEdit>

using namespace quillmark;

bool mainwindow::staticsDiffGenerate()
{
    const StaticsGenerateJob job{lineRefIdx->text(), lineRefData->text(), lineStaIdx->text(),
                                 lineStaMul->text(), lineOutDir->text(),  comboBox1->currentIndex()};
    return runWorker([&job](JobProgress& progress, const CommitOptions& options) {
        return generateStaticsDiff(job, progress, options);
    });
}
