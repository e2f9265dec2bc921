#pragma once

#include "jobprogress.h"

class QProgressBar;
class QStatusBar;

// Shows a job's progress as a bar in the window's status bar, present only
// while the job walks its blocks, and keeps the window alive by processing
// pending events at every progress step. A close of the window during the run
// reaches the job through `stopRequested`.
class StatusBarProgress final : public quillmark::JobProgress
{
public:
    StatusBarProgress(QStatusBar* statusBar, const bool& stopRequested);
    ~StatusBarProgress() override;

    void begin(qint64 totalSteps) override;
    bool advance(qint64 step) override;
    void end() override;

private:
    QStatusBar* m_statusBar;
    const bool& m_stopRequested;
    QProgressBar* m_bar = nullptr;
};
