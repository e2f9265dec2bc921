#include "mainwindow.h"

#include "jobs.h"

#include <QComboBox>
#include <QLineEdit>

bool mainwindow::staticsDiffGenerate()
{
    const StaticsGenerateJob job{lineRefIdx->text(), lineRefData->text(), lineStaIdx->text(),
                                 lineStaMul->text(), lineOutDir->text(),  comboBox1->currentIndex()};
    return runWorker([&job](JobProgress& progress) { return generateStaticsDiff(job, progress); });
}
