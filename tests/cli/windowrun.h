#pragma once

// Runs a job in the window from the same arguments as a quillmark-cli job, so
// that a test can hold the two side by side: every option fills the field the
// window reads it from, and the page's worker runs as "Generate" or "Combine"
// would run it.

#include "app/mainwindow.h"

#include <QComboBox>
#include <QLineEdit>
#include <QStatusBar>
#include <QStringList>

#include <map>

struct WindowRun
{
    bool ok = false;
    QString message;  // the status bar after the run
};

inline WindowRun runInWindow(const QStringList& cliArguments)
{
    const std::map<QString, QLineEdit* mainwindow::*> fields{
        {"generate map --reference", &mainwindow::lineRefData},
        {"generate map --current", &mainwindow::lineMapMul},
        {"generate statics --reference-index", &mainwindow::lineRefIdx},
        {"generate statics --reference-data", &mainwindow::lineRefData},
        {"generate statics --current-index", &mainwindow::lineStaIdx},
        {"generate statics --current-data", &mainwindow::lineStaMul},
        {"combine map --map", &mainwindow::lineCMap},
        {"combine map --difl", &mainwindow::lineDifl},
        {"combine map --dif", &mainwindow::lineDif},
        {"combine statics --index", &mainwindow::lineCStaIdx},
        {"combine statics --data", &mainwindow::lineCStaData},
        {"combine statics --difl", &mainwindow::lineDifl},
        {"combine statics --difi", &mainwindow::lineDifi},
        {"combine statics --dif", &mainwindow::lineDif},
    };
    const std::map<QString, bool (mainwindow::*)()> workers{
        {"generate map", &mainwindow::mapDiffGenerate},
        {"generate statics", &mainwindow::staticsDiffGenerate},
        {"combine map", &mainwindow::mapDiffCombine},
        {"combine statics", &mainwindow::staticsDiffCombine},
    };

    mainwindow window;
    const QString job = cliArguments.at(0) + ' ' + cliArguments.at(1);
    for (int at = 2; at + 1 < cliArguments.size(); at += 2) {
        const QString option = cliArguments.at(at);
        const QString value = cliArguments.at(at + 1);
        if (option == "--out")
            window.lineOutDir->setText(value);
        else if (option == "--facet")
            window.comboBox1->setCurrentIndex(value.toInt());
        else
            (window.*fields.at(job + ' ' + option))->setText(value);
    }
    WindowRun run;
    run.ok = (window.*workers.at(job))();
    run.message = window.statusBar()->currentMessage();
    return run;
}
