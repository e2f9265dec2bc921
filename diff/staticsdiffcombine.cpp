#include "mainwindow.h"

#include "jobs.h"

#include <QComboBox>
#include <QLineEdit>

using namespace quillmark;

bool mainwindow::staticsDiffCombine()
{
    const StaticsCombineJob job{lineCStaIdx->text(),      lineCStaData->text(), lineDif->text(),
                                lineDifi->text(),         lineDifl->text(),     lineOutDir->text(),
                                comboBox1->currentIndex()};
    return runWorker([&job](JobProgress& progress, const CommitOptions& options) {
        return combineStaticsDiff(job, progress, options);
    });
}
