#pragma once

#include "jobprogress.h"

#include <QList>

#include <functional>

// Records what a job reports, and can act (or ask the job to stop) at a step.
class RecordingProgress final : public JobProgress
{
public:
    void begin(qint64 totalSteps) override
    {
        total = totalSteps;
        ++begun;
    }
    bool advance(qint64 step) override
    {
        steps << step;
        if (step == actAt && action)
            action();
        return step != stopAt;
    }
    void end() override { ++ended; }

    qint64 total = -1;
    int begun = 0;
    int ended = 0;
    QList<qint64> steps;
    qint64 stopAt = -1;
    qint64 actAt = -1;
    std::function<void()> action;
};
