#include "mainwindow.h"

#include "jobs.h"

#include <QComboBox>
#include <QLineEdit>

bool mainwindow::mapDiffGenerate()
{
    const MapGenerateJob job{lineRefData->text(), lineMapMul->text(), lineOutDir->text(),
                             comboBox1->currentIndex()};
    return runWorker([&job](JobProgress& progress) { return generateMapDiff(job, progress); });
}
