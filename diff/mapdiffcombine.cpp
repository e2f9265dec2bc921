#include "mainwindow.h"

#include "jobs.h"

#include <QComboBox>
#include <QLineEdit>

bool mainwindow::mapDiffCombine()
{
    const MapCombineJob job{lineCMap->text(), lineDif->text(), lineDifl->text(), lineOutDir->text(),
                            comboBox1->currentIndex()};
    return runWorker([&job](JobProgress& progress) { return combineMapDiff(job, progress); });
}
